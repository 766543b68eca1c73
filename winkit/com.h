#pragma once
// Owners for COM pointers, VARIANTs and BSTRs.
#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <utility>

namespace winkit {

template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Takes over a reference the caller already owns.
  explicit ComPtr(T* p) noexcept : p_(p) {}
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(const std::wstring& s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) {
      SysFreeString(b_);
      b_ = std::exchange(o.b_, nullptr);
    }
    return *this;
  }
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const noexcept { return b_; }
  BSTR release() noexcept { return std::exchange(b_, nullptr); }

 private:
  BSTR b_ = nullptr;
};

class Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
  Variant& operator=(Variant&& o) noexcept {
    if (this != &o) {
      VariantClear(&v_);
      v_ = o.v_;
      VariantInit(&o.v_);
    }
    return *this;
  }
  ~Variant() { VariantClear(&v_); }
  VARIANT* get() noexcept { return &v_; }
  const VARIANT* get() const noexcept { return &v_; }
  void clear() noexcept { VariantClear(&v_); }

 private:
  VARIANT v_;
};

}  // namespace winkit

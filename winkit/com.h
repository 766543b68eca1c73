#pragma once
// Owners for COM pointers, BSTRs, VARIANTs, error details and the OLE
// initialisation of a thread.
#include <oaidl.h>
#include <ole2.h>
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
  // From a text in the system code page.
  static Bstr FromAnsi(const std::string& s);
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
  // For calls that hand a new BSTR back through a pointer.
  BSTR* put() noexcept {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  // The text in the system code page; letters it cannot hold become the
  // code page's default character.
  std::string Ansi() const;

 private:
  BSTR b_ = nullptr;
};

// A VARIANT that clears itself. It has exactly the size of VARIANT, so an
// array of them can back the arguments of IDispatch::Invoke.
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
  VARTYPE Type() const noexcept { return V_VT(&v_); }

  // Setters: the old value is cleared first.
  Variant& SetBool(bool b) noexcept;
  Variant& SetInt(long n) noexcept;
  Variant& SetString(const std::string& ansi);
  Variant& SetString(Bstr s) noexcept;
  // Takes a reference of its own.
  Variant& SetDispatch(IDispatch* d) noexcept;
  // The "argument left out" value (VT_ERROR, DISP_E_PARAMNOTFOUND).
  Variant& SetMissing() noexcept;

  // Getters convert when they can; `fallback` when the value does not.
  bool AsBool(bool fallback = false) const noexcept;
  long AsInt(long fallback = 0) const noexcept;
  std::string AsString(const std::string& fallback = {}) const;
  // A new reference, or null when the value is no object.
  ComPtr<IDispatch> AsDispatch() const noexcept;

 private:
  VARIANT v_;
};
static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant must be a VARIANT in memory");

// The error details an Invoke fills in, freed when done with.
class ExcepInfo {
 public:
  ExcepInfo() noexcept = default;
  ExcepInfo(const ExcepInfo&) = delete;
  ExcepInfo& operator=(const ExcepInfo&) = delete;
  ~ExcepInfo() { clear(); }
  EXCEPINFO* get() noexcept { return &e_; }
  // Frees what the last call left and zeroes the record.
  void clear() noexcept;
  // Source and description, for the log; the deferred filler runs first.
  std::string Text();
  SCODE Code() const noexcept { return e_.scode ? e_.scode : (e_.wCode ? MAKE_HRESULT(1, FACILITY_DISPATCH, e_.wCode) : 0); }

 private:
  EXCEPINFO e_{};
};

// OleInitialize for the thread that runs the message loop, undone when the
// scope ends on the same thread.
class OleScope {
 public:
  OleScope() noexcept : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
  ~OleScope() {
    if (ok_) OleUninitialize();
  }
  bool Ok() const noexcept { return ok_; }

 private:
  bool ok_;
};

}  // namespace winkit

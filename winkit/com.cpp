#include "winkit/com.h"

#include "winkit/text.h"

namespace winkit {

Bstr Bstr::FromAnsi(const std::string& s) {
  return Bstr(ToWide(s));
}

std::string Bstr::Ansi() const {
  if (!b_) return {};
  const std::wstring w(b_, SysStringLen(b_));
  std::string out;
  FromWide(w, out);
  return out;
}

Variant& Variant::SetBool(bool b) noexcept {
  VariantClear(&v_);
  V_VT(&v_) = VT_BOOL;
  V_BOOL(&v_) = b ? VARIANT_TRUE : VARIANT_FALSE;
  return *this;
}

Variant& Variant::SetInt(long n) noexcept {
  VariantClear(&v_);
  V_VT(&v_) = VT_I4;
  V_I4(&v_) = n;
  return *this;
}

Variant& Variant::SetString(const std::string& ansi) { return SetString(Bstr::FromAnsi(ansi)); }

Variant& Variant::SetString(Bstr s) noexcept {
  VariantClear(&v_);
  V_VT(&v_) = VT_BSTR;
  V_BSTR(&v_) = s.get() ? s.release() : SysAllocString(L"");
  return *this;
}

Variant& Variant::SetDispatch(IDispatch* d) noexcept {
  VariantClear(&v_);
  if (d) d->AddRef();
  V_VT(&v_) = VT_DISPATCH;
  V_DISPATCH(&v_) = d;
  return *this;
}

Variant& Variant::SetMissing() noexcept {
  VariantClear(&v_);
  V_VT(&v_) = VT_ERROR;
  V_ERROR(&v_) = DISP_E_PARAMNOTFOUND;
  return *this;
}

namespace {

// A converted copy of `v`; false when it does not convert.
bool Converted(const VARIANT& v, VARTYPE type, VARIANT& out) noexcept {
  VariantInit(&out);
  return SUCCEEDED(VariantChangeType(&out, const_cast<VARIANT*>(&v), 0, type));
}

}  // namespace

bool Variant::AsBool(bool fallback) const noexcept {
  VARIANT c;
  if (!Converted(v_, VT_BOOL, c)) return fallback;
  return V_BOOL(&c) != VARIANT_FALSE;
}

long Variant::AsInt(long fallback) const noexcept {
  VARIANT c;
  if (!Converted(v_, VT_I4, c)) return fallback;
  return V_I4(&c);
}

std::string Variant::AsString(const std::string& fallback) const {
  VARIANT c;
  if (!Converted(v_, VT_BSTR, c)) return fallback;
  Bstr owned;
  *owned.put() = V_BSTR(&c);
  return owned.Ansi();
}

ComPtr<IDispatch> Variant::AsDispatch() const noexcept {
  const VARIANT* v = &v_;
  if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  IDispatch* d = nullptr;
  if (V_VT(v) == VT_DISPATCH) d = V_DISPATCH(v);
  else if (V_VT(v) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(v)) d = *V_DISPATCHREF(v);
  if (d) d->AddRef();
  return ComPtr<IDispatch>(d);
}

void ExcepInfo::clear() noexcept {
  SysFreeString(e_.bstrSource);
  SysFreeString(e_.bstrDescription);
  SysFreeString(e_.bstrHelpFile);
  e_ = EXCEPINFO{};
}

std::string ExcepInfo::Text() {
  if (e_.pfnDeferredFillIn) {
    e_.pfnDeferredFillIn(&e_);
    e_.pfnDeferredFillIn = nullptr;
  }
  auto ansi = [](BSTR b) {
    std::string out;
    if (b) FromWide(std::wstring(b, SysStringLen(b)), out);
    return out;
  };
  const std::string source = ansi(e_.bstrSource), description = ansi(e_.bstrDescription);
  if (source.empty()) return description;
  if (description.empty()) return source;
  return source + ": " + description;
}

}  // namespace winkit

#include "standins/office/dispobject.h"

#include <utility>

#include "standins/common/appkey.h"
#include "winkit/com.h"
#include "winkit/text.h"

namespace standin {

namespace {

bool end_on_next_call = false;

void EndIfAsked() {
  if (end_on_next_call) TerminateProcess(GetCurrentProcess(), 0);
}

std::string Ansi(const wchar_t* w) {
  std::string out;
  winkit::FromWide(w ? w : L"", out);
  return out;
}

}  // namespace

void EndOnNextCall() { end_on_next_call = true; }

const VARIANT* Call::Arg(unsigned i) const {
  if (!params || i >= params->cArgs - params->cNamedArgs) return nullptr;
  const VARIANT* v = &params->rgvarg[params->cArgs - 1 - i];
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
  if (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND) return nullptr;
  return v;
}

std::string Call::TextArg(unsigned i) const { return TextValue(Arg(i)); }

std::string TextValue(const VARIANT* v) {
  if (!v) return {};
  if (V_VT(v) == VT_BSTR) return Ansi(V_BSTR(v));
  if (V_VT(v) == (VT_BSTR | VT_BYREF)) return Ansi(*V_BSTRREF(v));
  return {};
}

HRESULT Call::Raise(const std::string& description) const {
  if (exception) {
    *exception = EXCEPINFO{};
    exception->wCode = 1000;
    exception->bstrSource = winkit::Bstr::FromAnsi(AppName()).release();
    exception->bstrDescription = winkit::Bstr::FromAnsi(description).release();
  }
  return DISP_E_EXCEPTION;
}

DispObject::DispObject(std::string object_name) : object_name_(std::move(object_name)) {}
DispObject::~DispObject() = default;

void DispObject::Add(const char* name, Member member) { members_.push_back({name, std::move(member)}); }

HRESULT STDMETHODCALLTYPE DispObject::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DispObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG STDMETHODCALLTYPE DispObject::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE DispObject::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DispObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE DispObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  EndIfAsked();
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT n = 0; n < count; ++n) {
    const std::string name = Ansi(names[n]);
    ids[n] = DISPID_UNKNOWN;
    if (n > 0) {
      hr = DISP_E_UNKNOWNNAME;  // named arguments are not looked up by name
      continue;
    }
    for (size_t i = 0; i < members_.size(); ++i)
      if (lstrcmpiA(members_[i].name.c_str(), name.c_str()) == 0) ids[0] = static_cast<DISPID>(i + 1);
    if (ids[0] != DISPID_UNKNOWN && MemberRefused(name)) {
      RecordCall(object_name_ + "." + name + " refused");
      ids[0] = DISPID_UNKNOWN;
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE DispObject::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params,
                                             VARIANT* result, EXCEPINFO* exception, UINT*) {
  EndIfAsked();
  if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
  const Entry& e = members_[static_cast<size_t>(id - 1)];
  std::string line = object_name_ + "." + e.name + " kind=" + std::to_string(kind) + " args=" + DescribeArgs(params);
  if (params && params->cNamedArgs > 0) {
    line += " named=";
    for (UINT i = 0; i < params->cNamedArgs; ++i) line += (i ? "," : "") + std::to_string(params->rgdispidNamedArgs[i]);
  }
  RecordCall(line);
  VARIANT scratch;
  VariantInit(&scratch);
  const Call call{kind, params, result ? result : &scratch, exception};
  const HRESULT hr = e.member(call);
  VariantClear(&scratch);
  return hr;
}

std::string DescribeArgs(const DISPPARAMS* params) {
  std::string out;
  if (!params) return out;
  for (UINT i = 0; i < params->cArgs; ++i) {
    const VARIANT& v = params->rgvarg[i];
    if (i) out += ",";
    switch (V_VT(&v)) {
      case VT_BOOL: out += "VT_BOOL:" + std::to_string(V_BOOL(&v)); break;
      case VT_I4: out += "VT_I4:" + std::to_string(V_I4(&v)); break;
      case VT_BSTR: out += "VT_BSTR:" + Ansi(V_BSTR(&v)); break;
      case VT_EMPTY: out += "VT_EMPTY"; break;
      default: out += "VT_" + std::to_string(V_VT(&v)); break;
    }
  }
  return out;
}

void ReturnObject(VARIANT* result, IDispatch* object) {
  if (!result) return;
  VariantClear(result);
  object->AddRef();
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
}

void ReturnBool(VARIANT* result, bool value) {
  if (!result) return;
  VariantClear(result);
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void ReturnInt(VARIANT* result, long value) {
  if (!result) return;
  VariantClear(result);
  V_VT(result) = VT_I4;
  V_I4(result) = value;
}

Member ObjectGetter(IDispatch* object) {
  return [object](const Call& c) {
    ReturnObject(c.result, object);
    return S_OK;
  };
}

Member TextGetter(std::string text) {
  return [text = std::move(text)](const Call& c) {
    ReturnText(c.result, text);
    return S_OK;
  };
}

void ReturnText(VARIANT* result, const std::string& text) {
  if (!result) return;
  VariantClear(result);
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = winkit::Bstr::FromAnsi(text).release();
}

bool BoolValue(const VARIANT* v) {
  if (!v) return false;
  VARIANT c;
  VariantInit(&c);
  if (FAILED(VariantChangeType(&c, const_cast<VARIANT*>(v), 0, VT_BOOL))) return false;
  return V_BOOL(&c) != VARIANT_FALSE;
}

}  // namespace standin

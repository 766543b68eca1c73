#include "drivers/automation.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "winkit/text.h"

namespace {

constexpr DWORD kBoxStyle = MB_SETFOREGROUND | MB_ICONERROR;

// Ends the process at once: no exit handlers, no destructors, no clean-up.
[[noreturn]] void EndNow() {
  TerminateProcess(GetCurrentProcess(), 0);
  for (;;) Sleep(INFINITE);
}

std::string Ansi(const wchar_t* w) {
  std::string out;
  winkit::FromWide(w ? w : L"", out);
  return out;
}

std::string StatusText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
  return text;
}

[[noreturn]] void RaiseStatus(const std::string& what, HRESULT hr) {
  throw EOleSysError(what + " failed: " + StatusText(hr), hr);
}

IDispatch* ObjectOf(const winkit::Variant& v) {
  if (v.Type() != VT_DISPATCH || !V_DISPATCH(v.get())) throw EOleSysError("Variant does not reference an automation object", E_POINTER);
  return V_DISPATCH(v.get());
}

CLSID ClassOf(const std::string& prog_id) {
  CLSID clsid{};
  const HRESULT hr = CLSIDFromProgID(winkit::ToWide(prog_id).c_str(), &clsid);
  if (FAILED(hr)) RaiseStatus("Class " + prog_id, hr);
  return clsid;
}

// A Variant that takes over the reference `d` its caller owns.
winkit::Variant Holding(IDispatch* d) {
  winkit::Variant v;
  V_VT(v.get()) = VT_DISPATCH;
  V_DISPATCH(v.get()) = d;
  return v;
}

// Invoke with the system locale; a property put names its one argument
// DISPID_PROPERTYPUT, every other call passes no named argument.
HRESULT InvokeWith(IDispatch* object, DISPID id, WORD kind, VARIANT* args, UINT count, VARIANT* result,
                   EXCEPINFO* exception) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{args, nullptr, count, 0};
  if (kind & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  return object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, kind, &params, result, exception, nullptr);
}

}  // namespace

HRESULT CreateLocalServer(const char* prog_id, IDispatch** out) {
  *out = nullptr;
  CLSID clsid{};
  CLSIDFromProgID(winkit::ToWide(prog_id).c_str(), &clsid);
  return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(out));
}

HRESULT LookUpMember(IDispatch* object, const wchar_t* name, DISPID* id) {
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, id);
}

HRESULT InvokeMember(IDispatch* object, DISPID id, WORD kind, VARIANT* args, UINT count, VARIANT* result) {
  return InvokeWith(object, id, kind, args, count, result, nullptr);
}

IDispatch* TakeObject(winkit::Variant& result) {
  if (result.Type() != VT_DISPATCH) return nullptr;
  IDispatch* d = V_DISPATCH(result.get());
  V_VT(result.get()) = VT_EMPTY;
  return d;
}

HRESULT AutoWrap(int kind, VARIANT* result, IDispatch* object, const wchar_t* name, int count, ...) {
  if (!object) {
    MessageBoxA(nullptr, "NULL IDispatch passed to AutoWrap()", "Error", kBoxStyle);
    EndNow();
  }
  const std::string ansi = Ansi(name);
  char text[200];
  DISPID id = 0;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) {
    std::snprintf(text, sizeof text, "IDispatch::GetIDsOfNames(\"%s\") failed w/err 0x%08lx", ansi.c_str(),
                  static_cast<unsigned long>(hr));
    MessageBoxA(nullptr, text, "AutoWrap()", kBoxStyle);
    EndNow();
  }
  std::vector<VARIANT> args(static_cast<size_t>(count) + 1);
  va_list list;
  va_start(list, count);
  for (int i = 0; i < count; ++i) args[static_cast<size_t>(i)] = va_arg(list, VARIANT);
  va_end(list);
  hr = InvokeWith(object, id, static_cast<WORD>(kind), args.data(), static_cast<UINT>(count), result, nullptr);
  if (FAILED(hr)) {
    std::snprintf(text, sizeof text, "IDispatch::Invoke(\"%s\"=%08lx) failed w/err 0x%08lx", ansi.c_str(),
                  static_cast<unsigned long>(id), static_cast<unsigned long>(hr));
    MessageBoxA(nullptr, text, "AutoWrap()", kBoxStyle);
    EndNow();
  }
  return hr;
}

winkit::Variant CreateServerObject(const std::string& prog_id) {
  const CLSID clsid = ClassOf(prog_id);
  IDispatch* d = nullptr;
  const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(&d));
  if (FAILED(hr)) RaiseStatus("Creating " + prog_id, hr);
  return Holding(d);
}

winkit::Variant AttachServerObject(const std::string& prog_id) {
  const CLSID clsid = ClassOf(prog_id);
  winkit::ComPtr<IUnknown> unknown;
  HRESULT hr = GetActiveObject(clsid, nullptr, unknown.put());
  if (FAILED(hr)) RaiseStatus("Finding a running " + prog_id, hr);
  IDispatch* d = nullptr;
  hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
  if (FAILED(hr)) RaiseStatus("Asking the running " + prog_id + " for IDispatch", hr);
  return Holding(d);
}

winkit::Variant CallByName(const winkit::Variant& object, const std::string& name, WORD kind, VARIANT* args,
                           UINT count) {
  IDispatch* d = ObjectOf(object);
  const std::wstring wide = winkit::ToWide(name);
  DISPID id = 0;
  HRESULT hr = LookUpMember(d, wide.c_str(), &id);
  if (FAILED(hr)) RaiseStatus("Looking up " + name, hr);
  winkit::Variant result;
  winkit::ExcepInfo exc;
  hr = InvokeWith(d, id, kind, args, count, result.get(), exc.get());
  if (hr == DISP_E_EXCEPTION) {
    const std::string source = exc.Text();
    const HRESULT code = exc.Code() ? exc.Code() : hr;
    throw EOleException(name + ": " + (source.empty() ? StatusText(code) : source), code, source);
  }
  if (FAILED(hr)) RaiseStatus(name, hr);
  return result;
}

winkit::Variant PropertyGet(const winkit::Variant& object, const std::string& name) {
  return CallByName(object, name, DISPATCH_PROPERTYGET, nullptr, 0);
}

void PropertySet(const winkit::Variant& object, const std::string& name, TAutoArgs<1>& args) {
  CallByName(object, name, DISPATCH_PROPERTYPUT, args.Args(), args.Count());
}

void CallProcedure(const winkit::Variant& object, const std::string& name) {
  CallByName(object, name, DISPATCH_METHOD, nullptr, 0);
}

winkit::Variant InvokeFunction4(const winkit::Variant& object, const std::string& name, const std::string& text,
                                bool flag1, bool flag2, bool flag3) {
  TAutoArgs<4> args;
  args.Arg(1).SetString(text);
  args.Arg(2).SetBool(flag1);
  args.Arg(3).SetBool(flag2);
  args.Arg(4).SetBool(flag3);
  return CallFunction(object, name, args);
}

void SetBoolProperty(const winkit::Variant& object, const std::string& name, bool value) {
  TAutoArgs<1> args;
  args.Arg(1).SetBool((static_cast<unsigned>(value) & 0xFFu) != 0);
  PropertySet(object, name, args);
}

void SetTextProperty(const winkit::Variant& object, const std::string& name, const std::string& text) {
  TAutoArgs<1> args;
  args.Arg(1).SetString(text);
  PropertySet(object, name, args);
}

bool GetBoolProperty(const winkit::Variant& object, const std::string& name) {
  winkit::Variant v = PropertyGet(object, name);
  VARIANT converted;
  VariantInit(&converted);
  const HRESULT hr = VariantChangeType(&converted, v.get(), 0, VT_BOOL);
  if (FAILED(hr)) RaiseStatus("Reading " + name + " as a boolean", hr);
  return V_BOOL(&converted) != VARIANT_FALSE;
}

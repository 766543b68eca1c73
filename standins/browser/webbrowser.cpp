#include "standins/browser/webbrowser.h"

#include "standins/common/appkey.h"
#include "winkit/com.h"

namespace standin {

LONG live_objects = 0;

namespace {

// What an optional argument held, for the call record.
std::string Describe(const VARIANT* v) {
  if (!v) return "NULL";
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
  switch (V_VT(v)) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_I4: return "VT_I4:" + std::to_string(V_I4(v));
    case VT_BSTR: return "VT_BSTR:" + winkit::Bstr(std::wstring(V_BSTR(v) ? V_BSTR(v) : L"")).Ansi();
    default: return "VT_" + std::to_string(V_VT(v));
  }
}

std::string Ansi(BSTR s) { return winkit::Bstr(std::wstring(s ? s : L"")).Ansi(); }

// The calls after Quit fail as calls into an ended process would.
constexpr HRESULT kEnded = RPC_E_DISCONNECTED;

}  // namespace

WebBrowser::WebBrowser() {
  SetAppName("Browser");
  InterlockedIncrement(&live_objects);
}

WebBrowser::~WebBrowser() {
  RecordCall("Browser released");
  InterlockedDecrement(&live_objects);
}

HRESULT WebBrowser::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser) ||
      IsEqualIID(riid, IID_IWebBrowserApp) || IsEqualIID(riid, IID_IWebBrowser2)) {
    *out = static_cast<IWebBrowser2*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG WebBrowser::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG WebBrowser::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT WebBrowser::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT WebBrowser::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT WebBrowser::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT WebBrowser::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

HRESULT WebBrowser::Navigate(BSTR url, VARIANT* flags, VARIANT* frame, VARIANT* post, VARIANT* headers) {
  const std::string address = Ansi(url);
  RecordCall("Browser.Navigate " + address + " " + Describe(flags) + " " + Describe(frame) + " " + Describe(post) +
             " " + Describe(headers));
  if (Ended()) return kEnded;
  if (address.empty()) return E_INVALIDARG;
  return page_.Navigate(address, ReadNumber("Loading ms"));
}

HRESULT WebBrowser::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* frame, VARIANT* post, VARIANT* headers) {
  if (!url) return E_INVALIDARG;
  const VARIANT* u = V_VT(url) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(url) : url;
  if (V_VT(u) != VT_BSTR) return E_INVALIDARG;
  return Navigate(V_BSTR(u), flags, frame, post, headers);
}

HRESULT WebBrowser::get_ReadyState(READYSTATE* state) {
  if (!state) return E_POINTER;
  if (Ended()) return kEnded;
  *state = page_.ReadyState();
  return S_OK;
}

HRESULT WebBrowser::get_Busy(VARIANT_BOOL* busy) {
  if (!busy) return E_POINTER;
  if (Ended()) return kEnded;
  *busy = page_.Busy() ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT WebBrowser::get_LocationURL(BSTR* url) {
  if (!url) return E_POINTER;
  if (Ended()) return kEnded;
  *url = winkit::Bstr::FromAnsi(page_.Address()).release();
  return S_OK;
}

HRESULT WebBrowser::ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* in, VARIANT* out) {
  RecordCall("Browser.ExecWB " + std::to_string(command) + " " + std::to_string(option) + " " + Describe(in) + " " +
             Describe(out));
  if (Ended()) return kEnded;
  if (command != OLECMDID_PRINT) return OLECMDERR_E_NOTSUPPORTED;
  // Without "do not ask" a browser would show its print dialog; this one
  // has none to show.
  if (option != OLECMDEXECOPT_DONTPROMPTUSER) return OLECMDERR_E_NOTSUPPORTED;
  if (Switch("Fail ExecWB")) return E_FAIL;
  return page_.Print();
}

HRESULT WebBrowser::QueryStatusWB(OLECMDID command, OLECMDF* status) {
  if (!status) return E_POINTER;
  if (Ended()) return kEnded;
  const bool ready = page_.ReadyState() == READYSTATE_COMPLETE;
  *status = command == OLECMDID_PRINT ? static_cast<OLECMDF>(OLECMDF_SUPPORTED | (ready ? OLECMDF_ENABLED : 0))
                                      : static_cast<OLECMDF>(0);
  return S_OK;
}

HRESULT WebBrowser::Quit() {
  RecordCall("Browser.Quit");
  if (Ended()) return kEnded;
  quit_ = true;
  page_.Close();
  return S_OK;
}

HRESULT WebBrowser::get_Silent(VARIANT_BOOL* silent) {
  if (!silent) return E_POINTER;
  if (Ended()) return kEnded;
  *silent = silent_;
  return S_OK;
}

HRESULT WebBrowser::put_Silent(VARIANT_BOOL silent) {
  RecordCall("Browser.put_Silent " + std::to_string(silent));
  if (Ended()) return kEnded;
  silent_ = silent;
  return S_OK;
}

HRESULT WebBrowser::get_Visible(VARIANT_BOOL* visible) {
  if (!visible) return E_POINTER;
  if (Ended()) return kEnded;
  *visible = visible_;
  return S_OK;
}

HRESULT WebBrowser::put_Visible(VARIANT_BOOL visible) {
  RecordCall("Browser.put_Visible " + std::to_string(visible));
  if (Ended()) return kEnded;
  // There is no window to show: the value is only kept.
  visible_ = visible;
  return S_OK;
}

}  // namespace standin

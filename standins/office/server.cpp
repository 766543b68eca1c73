#include "standins/office/server.h"

#include <string>

#include "standins/office/appkey.h"
#include "standins/office/document.h"

namespace standin {

namespace {

LONG locks = 0;
bool embedded = false;
bool quitting = false;
const ServerConfig* config_ = nullptr;
// The one application object of a program that has a running object.
IDispatch* shared_app = nullptr;
// A single-use class is withdrawn as soon as it served its client, so that
// an instance terminated later leaves no registration behind.
constexpr UINT kWithdrawClass = WM_APP + 1;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory lives as long as the process.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (shared_app) return shared_app->QueryInterface(riid, out);
    if (config_->single_use) PostThreadMessageA(GetCurrentThreadId(), kWithdrawClass, 0, 0);
    IDispatch* app = config_->make_application();
    const HRESULT hr = app->QueryInterface(riid, out);
    app->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) standin::LockServer();
    else standin::UnlockServer();
    return S_OK;
  }
};
#pragma GCC diagnostic pop

bool HasArg(int argc, char** argv, const char* word) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    while (*a == '-' || *a == '/') ++a;
    if (lstrcmpiA(a, word) == 0) return true;
  }
  return false;
}

}  // namespace

void LockServer() { ++locks; }

void UnlockServer() {
  if (--locks == 0 && embedded) QuitServer();
}

void QuitServer() {
  if (quitting) return;
  quitting = true;
  PostQuitMessage(0);
}

int RunServer(const ServerConfig& config, int argc, char** argv) {
  config_ = &config;
  SetAppName(config.app_name);
  embedded = HasArg(argc, argv, "Embedding") || HasArg(argc, argv, "Automation");
  if (FAILED(CoInitialize(nullptr))) return 1;
  // A word processor the user started serves no automation client: a
  // client's creation starts an instance of its own. (Registered, it would
  // also leave a dead registration behind when it is terminated.)
  Factory factory;
  DWORD cookie = 0;
  HRESULT registered = E_FAIL;
  if (embedded || config.running_object)
    registered = CoRegisterClassObject(config.clsid, &factory, CLSCTX_LOCAL_SERVER,
                                       config.single_use ? REGCLS_SINGLEUSE : REGCLS_MULTIPLEUSE, &cookie);
  // An instance the user started has an application object from the start;
  // so has one with a running object, which all its clients share.
  IDispatch* own = nullptr;
  DWORD running = 0;
  if (!embedded || config.running_object) own = config.make_application();
  if (config.running_object) {
    shared_app = own;
    RegisterActiveObject(own, config.clsid, ACTIVEOBJECT_STRONG, &running);
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == kWithdrawClass && !msg.hwnd) {
      if (SUCCEEDED(registered)) CoRevokeClassObject(cookie);
      registered = E_FAIL;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (running) RevokeActiveObject(running, nullptr);
  if (own) own->Release();
  if (SUCCEEDED(registered)) CoRevokeClassObject(cookie);
  RemoveInstanceFolder();
  CoUninitialize();
  return 0;
}

}  // namespace standin

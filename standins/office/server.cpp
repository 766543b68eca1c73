#include "standins/office/server.h"

#include <string>

#include "standins/common/appkey.h"
#include "standins/common/factory.h"
#include "standins/office/document.h"

namespace standin {

namespace {

LONG locks = 0;
bool embedded = false;
bool quitting = false;
DWORD quit_at = 0;
// After Quit the instance goes on serving for a moment: the client still
// releases its references, and an instance that stopped answering would
// leave those calls (and the client) waiting.
constexpr DWORD kQuitGraceMs = 3000;
const ServerConfig* config_ = nullptr;
// The one application object of a program that has a running object.
IDispatch* shared_app = nullptr;
// A single-use class is withdrawn as soon as it served its client, so that
// an instance terminated later leaves no registration behind.
constexpr UINT kWithdrawClass = WM_APP + 1;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Factory : public StaticFactory {
 public:
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

ApplicationObject::ApplicationObject(const char* product) : DispObject("Application") {
  LockServer();
  Add("Name", TextGetter(product));
  Add("Quit", [](const Call&) {
    QuitServer();
    return S_OK;
  });
}

ApplicationObject::~ApplicationObject() { UnlockServer(); }

void LockServer() { ++locks; }

void UnlockServer() {
  if (--locks == 0 && (embedded || quitting)) PostQuitMessage(0);
}

void QuitServer() {
  if (quitting) return;
  quitting = true;
  quit_at = GetTickCount();
  // Wakes the loop now and then, to end it when the grace time is over.
  SetTimer(nullptr, 0, 200, nullptr);
}

int RunServer(const ServerConfig& config, int argc, char** argv) {
  config_ = &config;
  SetAppName(config.app_name);
  embedded = HasArg(argc, argv, "Embedding") || HasArg(argc, argv, "Automation");
  if (FAILED(CoInitialize(nullptr))) return 1;
  RemoveLeftoverFolders();
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
    if (quitting && GetTickCount() - quit_at > kQuitGraceMs) break;
  }
  if (running) RevokeActiveObject(running, nullptr);
  if (SUCCEEDED(registered)) CoRevokeClassObject(cookie);
  RemoveInstanceFolder();
  // The process ends here without releasing its own object or
  // uninitialising COM: either could wait for a client that called late.
  ExitProcess(0);
}

}  // namespace standin

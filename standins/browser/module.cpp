// Stand-in for the web browser a Windows desktop has (Wine's own cannot
// print): an in-process server of the browser's ProgID, registered by the
// test and run scripts. In process, its objects are made in a millisecond
// or two, where a local server would take a second to start for every page.
#include <windows.h>

#include <new>

#include "standins/browser/webbrowser.h"
#include "standins/common/factory.h"

namespace {

// {5B0C7E24-3F4A-4B8E-9C1D-2A6F0E9B7D14}
const CLSID kBrowserClsid = {0x5b0c7e24, 0x3f4a, 0x4b8e, {0x9c, 0x1d, 0x2a, 0x6f, 0x0e, 0x9b, 0x7d, 0x14}};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Factory final : public standin::StaticFactory {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* browser = new (std::nothrow) standin::WebBrowser();
    if (!browser) return E_OUTOFMEMORY;
    const HRESULT hr = browser->QueryInterface(riid, out);
    browser->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) InterlockedIncrement(&standin::live_objects);
    else InterlockedDecrement(&standin::live_objects);
    return S_OK;
  }
};
#pragma GCC diagnostic pop

Factory factory;

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kBrowserClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(riid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return standin::live_objects == 0 ? S_OK : S_FALSE; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

#pragma once
// The class factory of a stand-in: one static object per class, living as
// long as its module, so that its references keep nothing alive. A stand-in
// derives from it and makes its objects in CreateInstance.
#include <windows.h>
#include <unknwn.h>

namespace standin {

// COM objects end their lives through Release, never through a pointer to
// the interface, which has no virtual destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class StaticFactory : public IClassFactory {
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
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};
#pragma GCC diagnostic pop

}  // namespace standin

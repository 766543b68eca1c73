// Stand-in for the presentation program: built as "POWERPNT.EXE",
// registered by the test and run scripts as the local server of
// "PowerPoint.Application". One instance serves every client and registers
// itself as the running object, so a client attaches to the instance the
// user has open; Quit ends it, whoever started it. Presentations are read
// and laid out by LibreOffice; PrintOut starts one job named after the file
// on the default printer and returns while it is being produced.
#include <windows.h>

#include <string>
#include <vector>

#include "standins/common/appkey.h"
#include "standins/office/document.h"
#include "standins/office/dispobject.h"
#include "standins/office/server.h"

namespace {

// {5B0C7E23-3F4A-4B8E-9C1D-2A6F0E9B7D13}
constexpr CLSID kClsid = {0x5b0c7e23, 0x3f4a, 0x4b8e, {0x9c, 0x1d, 0x2a, 0x6f, 0x0e, 0x9b, 0x7d, 0x13}};

class Presentation : public standin::DispObject {
 public:
  explicit Presentation(standin::LaidOutFile file) : DispObject("Presentation"), file_(std::move(file)) {
    Add("PrintOut", [this](const standin::Call& c) { return standin::PrintOutCall(c, file_, file_.name, false); });
    Add("Close", [](const standin::Call& c) {
      if (standin::Switch("Fail Close")) return c.Raise("The presentation could not be closed.");
      return S_OK;
    });
    Add("Name", standin::TextGetter(file_.name));
  }

 private:
  standin::LaidOutFile file_;
};

class Presentations : public standin::DispObject {
 public:
  Presentations() : DispObject("Presentations") {
    // Open(FileName, ReadOnly, Untitled, WithWindow).
    Add("Open", [](const standin::Call& c) {
      standin::WriteText("Last Open arguments", standin::DescribeArgs(c.params));
      if (standin::Switch("Open gives Null")) {
        VariantClear(c.result);
        V_VT(c.result) = VT_NULL;
        return S_OK;
      }
      standin::LaidOutFile file;
      const HRESULT hr = standin::OpenArgument(c, standin::Family::Impress, file);
      if (FAILED(hr)) return hr;
      auto* p = new Presentation(std::move(file));
      standin::ReturnObject(c.result, p);
      p->Release();
      return S_OK;
    });
  }
};

class Application : public standin::ApplicationObject {
 public:
  Application() : ApplicationObject("Microsoft PowerPoint") {
    Add("Presentations", standin::ObjectGetter(presentations_));
  }

 protected:
  ~Application() override {
    presentations_->Release();
  }

 private:
  Presentations* presentations_ = new Presentations;
};

IDispatch* MakeApplication() { return new Application; }

}  // namespace

int main(int argc, char** argv) {
  const standin::ServerConfig config{"POWERPNT", kClsid, false, true, MakeApplication};
  return standin::RunServer(config, argc, argv);
}

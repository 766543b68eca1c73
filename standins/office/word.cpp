// Stand-in for the word processor a Windows desktop would have: built as
// "WinWord.exe", registered by the test and run scripts as the local server
// of "Word.Application". Documents are read and laid out by LibreOffice;
// PrintOut starts one job named "Microsoft Word - " + the file's name on
// the default printer and returns while it is being produced. The print
// options live in the application's own key and last between instances.
#include <windows.h>

#include <string>
#include <vector>

#include "standins/common/appkey.h"
#include "standins/office/document.h"
#include "standins/office/dispobject.h"
#include "standins/office/server.h"

namespace {

// {5B0C7E21-3F4A-4B8E-9C1D-2A6F0E9B7D11}
constexpr CLSID kClsid = {0x5b0c7e21, 0x3f4a, 0x4b8e, {0x9c, 0x1d, 0x2a, 0x6f, 0x0e, 0x9b, 0x7d, 0x11}};

constexpr const char* kOptionNames[] = {
    "PrintDraft",        "UpdateFieldsAtPrint", "UpdateLinksAtPrint",  "MapPaperSize",
    "PrintBackground",   "PrintReverse",        "PrintProperties",     "PrintFieldCodes",
    "PrintHiddenText",   "PrintDrawingObjects", "PrintEvenPagesInAscendingOrder",
    "PrintOddPagesInAscendingOrder"};

class Document;

struct State {
  std::vector<Document*> open;  // one reference each
  Document* active = nullptr;
  bool visible = false;
} state;

// A boolean option kept in the key "Options": get and put.
standin::Member KeptBool(const std::string& name, bool fallback) {
  return [name, fallback](const standin::Call& c) -> HRESULT {
    if (c.kind & DISPATCH_PROPERTYPUT) {
      standin::WriteNumber(name, standin::BoolValue(c.PutValue()) ? 1 : 0, "Options");
      return S_OK;
    }
    standin::ReturnBool(c.result, standin::ReadNumber(name, "Options", fallback ? 1 : 0) != 0);
    return S_OK;
  };
}

class Document : public standin::DispObject {
 public:
  explicit Document(standin::LaidOutFile file) : DispObject("Document"), file_(std::move(file)) {
    Add("PrintOut", [this](const standin::Call& c) {
      return standin::PrintOutCall(c, file_, "Microsoft Word - " + file_.name, false);
    });
    Add("Close", [this](const standin::Call& c) { return Close(c); });
    Add("Name", standin::TextGetter(file_.name));
    Add("PrintPostScriptOverText", KeptBool("PrintPostScriptOverText", false));
  }

 private:
  HRESULT Close(const standin::Call& c) {
    if (standin::Switch("Fail Close")) return c.Raise("The document could not be closed.");
    for (auto it = state.open.begin(); it != state.open.end(); ++it) {
      if (*it != this) continue;
      state.open.erase(it);
      if (state.active == this) state.active = state.open.empty() ? nullptr : state.open.back();
      Release();
      break;
    }
    return S_OK;
  }

  standin::LaidOutFile file_;
};

Document* Opened(Document* d) {
  state.open.push_back(d);  // the collection's reference
  state.active = d;
  return d;
}

class Documents : public standin::DispObject {
 public:
  Documents() : DispObject("Documents") {
    Add("Open", [](const standin::Call& c) {
      standin::LaidOutFile file;
      const HRESULT hr = standin::OpenArgument(c, standin::Family::Writer, file);
      if (SUCCEEDED(hr)) standin::ReturnObject(c.result, Opened(new Document(std::move(file))));
      return hr;
    });
    Add("Add", [](const standin::Call& c) {
      static int n = 0;
      standin::ReturnObject(c.result, Opened(new Document({"Document" + std::to_string(++n), ""})));
      return S_OK;
    });
    Add("Count", [](const standin::Call& c) {
      VariantClear(c.result);
      V_VT(c.result) = VT_I4;
      V_I4(c.result) = static_cast<LONG>(state.open.size());
      return S_OK;
    });
  }
};

class Options : public standin::DispObject {
 public:
  Options() : DispObject("Options") {
    for (const char* name : kOptionNames) Add(name, KeptBool(name, false));
    Add("DefaultTray", [](const standin::Call& c) -> HRESULT {
      if (c.kind & DISPATCH_PROPERTYPUT) {
        const VARIANT* v = c.PutValue();
        if (!v || V_VT(v) != VT_BSTR) return DISP_E_TYPEMISMATCH;
        const std::string text = standin::TextValue(v);
        standin::WriteText("DefaultTray", text, "Options");
        return S_OK;
      }
      standin::ReturnText(c.result, standin::ReadText("DefaultTray", "Options", "Use printer settings"));
      return S_OK;
    });
  }
};

class Application : public standin::ApplicationObject {
 public:
  Application() : ApplicationObject("Microsoft Word") {
    Add("Documents", standin::ObjectGetter(documents_));
    Add("Options", standin::ObjectGetter(options_));
    Add("ActiveDocument", [](const standin::Call& c) {
      if (!state.active) return c.Raise("This command is not available because no document is open.");
      standin::ReturnObject(c.result, state.active);
      return S_OK;
    });
    Add("Visible", [](const standin::Call& c) {
      if (c.kind & DISPATCH_PROPERTYPUT) state.visible = standin::BoolValue(c.PutValue());
      else standin::ReturnBool(c.result, state.visible);
      return S_OK;
    });
  }

 protected:
  ~Application() override {
    documents_->Release();
    options_->Release();
  }

 private:
  Documents* documents_ = new Documents;
  Options* options_ = new Options;
};

IDispatch* MakeApplication() { return new Application; }

}  // namespace

int main(int argc, char** argv) {
  const standin::ServerConfig config{"WinWord", kClsid, true, false, MakeApplication};
  return standin::RunServer(config, argc, argv);
}

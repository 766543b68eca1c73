// Stand-in for the spreadsheet program: built as "Excel.exe", registered by
// the test and run scripts as the local server of "Excel.Application".
// Workbooks are read and laid out by LibreOffice; PrintOut prints one job
// named after the file on the default printer and returns when the job is
// complete.
#include <windows.h>

#include <string>
#include <vector>

#include "standins/common/appkey.h"
#include "standins/office/document.h"
#include "standins/office/dispobject.h"
#include "standins/office/server.h"

namespace {

// {5B0C7E22-3F4A-4B8E-9C1D-2A6F0E9B7D12}
constexpr CLSID kClsid = {0x5b0c7e22, 0x3f4a, 0x4b8e, {0x9c, 0x1d, 0x2a, 0x6f, 0x0e, 0x9b, 0x7d, 0x12}};

class Workbook;
std::vector<Workbook*> open_books;  // one reference each

class Workbook : public standin::DispObject {
 public:
  explicit Workbook(standin::LaidOutFile file) : DispObject("Workbook"), file_(std::move(file)) {
    Add("PrintOut", [this](const standin::Call& c) { return standin::PrintOutCall(c, file_, file_.name, true); });
    Add("Saved", [this](const standin::Call& c) {
      if (c.kind & DISPATCH_PROPERTYPUT) saved_ = standin::BoolValue(c.PutValue());
      else standin::ReturnBool(c.result, saved_);
      return S_OK;
    });
    Add("Name", standin::TextGetter(file_.name));
  }

 private:
  standin::LaidOutFile file_;
  bool saved_ = true;
};

class Workbooks : public standin::DispObject {
 public:
  Workbooks() : DispObject("Workbooks") {
    Add("Open", [](const standin::Call& c) {
      standin::LaidOutFile file;
      const HRESULT hr = standin::OpenArgument(c, standin::Family::Calc, file);
      if (FAILED(hr)) return hr;
      auto* book = new Workbook(std::move(file));
      open_books.push_back(book);
      standin::ReturnObject(c.result, book);
      return S_OK;
    });
    Add("Close", [](const standin::Call& c) {
      if (standin::Switch("Fail Close")) return c.Raise("The workbooks could not be closed.");
      for (Workbook* b : open_books) b->Release();
      open_books.clear();
      return S_OK;
    });
    Add("Count", [](const standin::Call& c) {
      standin::ReturnInt(c.result, static_cast<long>(open_books.size()));
      return S_OK;
    });
  }
};

class Application : public standin::ApplicationObject {
 public:
  Application() : ApplicationObject("Microsoft Excel") {
    Add("Workbooks", standin::ObjectGetter(books_));
  }

 protected:
  ~Application() override {
    books_->Release();
  }

 private:
  Workbooks* books_ = new Workbooks;
};

IDispatch* MakeApplication() { return new Application; }

}  // namespace

int main(int argc, char** argv) {
  const standin::ServerConfig config{"Excel", kClsid, true, false, MakeApplication};
  return standin::RunServer(config, argc, argv);
}

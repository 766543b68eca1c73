// Stand-in for the spreadsheet program: built as "Excel.exe", registered by
// the test and run scripts as the local server of "Excel.Application".
// Workbooks are read and laid out by LibreOffice; PrintOut prints one job
// named after the file on the default printer and returns when the job is
// complete.
#include <windows.h>

#include <string>
#include <vector>

#include "standins/office/appkey.h"
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
  Workbook(std::string name, std::string pdf) : DispObject("Workbook"), name_(std::move(name)), pdf_(std::move(pdf)) {
    Add("PrintOut", [this](const standin::Call& c) {
      if (standin::Switch("Fail PrintOut")) return c.Raise("The printer could not be reached.");
      if (!standin::PrintLaidOut(pdf_, name_, true)) return c.Raise("Printing failed.");
      if (standin::Switch("End after PrintOut")) standin::EndOnNextCall();
      return S_OK;
    });
    Add("Saved", [this](const standin::Call& c) {
      if (c.kind & DISPATCH_PROPERTYPUT) saved_ = standin::BoolValue(c.PutValue());
      else standin::ReturnBool(c.result, saved_);
      return S_OK;
    });
    Add("Name", [this](const standin::Call& c) {
      standin::ReturnText(c.result, name_);
      return S_OK;
    });
  }

 private:
  std::string name_, pdf_;
  bool saved_ = true;
};

class Workbooks : public standin::DispObject {
 public:
  Workbooks() : DispObject("Workbooks") {
    Add("Open", [](const standin::Call& c) {
      const std::string path = c.TextArg(0);
      std::string pdf, why;
      if (path.empty()) return c.Raise("No file name was given.");
      if (!standin::LayOut(standin::Family::Calc, path, pdf, why)) return c.Raise(why);
      auto* book = new Workbook(standin::FileNamePart(path), pdf);
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
      VariantClear(c.result);
      V_VT(c.result) = VT_I4;
      V_I4(c.result) = static_cast<LONG>(open_books.size());
      return S_OK;
    });
  }
};

class Application : public standin::DispObject {
 public:
  Application() : DispObject("Application") {
    standin::LockServer();
    Add("Workbooks", [this](const standin::Call& c) {
      standin::ReturnObject(c.result, books_);
      return S_OK;
    });
    Add("Name", [](const standin::Call& c) {
      standin::ReturnText(c.result, "Microsoft Excel");
      return S_OK;
    });
    Add("Quit", [](const standin::Call&) {
      standin::QuitServer();
      return S_OK;
    });
  }

 protected:
  ~Application() override {
    books_->Release();
    standin::UnlockServer();
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

// Word-processor documents print through the word processor, driven by
// checked direct calls: each member is looked up and invoked, and every
// status is looked at here.
#include <windows.h>

#include <exception>

#include "app/base/log.h"
#include "drivers/automation.h"
#include "drivers/drivers.h"
#include "drivers/jobwait.h"
#include "engine/core/processctl.h"

namespace {

void Activity(const std::string& text) { WriteLog(LogStamp() + text); }
void Error(const std::string& text) { WriteErrorLog(LogStamp() + text); }
void ErrorWithSystemText(const std::string& text) {
  const DWORD code = GetLastError();
  Error(text);
  LogSystemError(code);
}

class WordRun {
 public:
  WordRun(IDispatch* app, const std::string& path) : app_(app), path_(path) {}

  // Steps from reading the document collection to the end of the print.
  bool Print(DISPID documents, winkit::TEvent& done) {
    winkit::Variant result;
    if (FAILED(InvokeMember(app_, documents, DISPATCH_PROPERTYGET, nullptr, 0, result.get())) ||
        !(docs_ = TakeObject(result))) {
      Error("Error in Get Documents Interface\t" + path_);
      return false;
    }
    winkit::Variant file;
    file.SetString(path_);
    DISPID id = 0;
    if (FAILED(LookUpMember(docs_, L"Open", &id))) {
      ErrorWithSystemText("Error In GetIDsOfName(2),FileName: " + path_);
      return false;
    }
    if (FAILED(InvokeMember(docs_, id, DISPATCH_METHOD, file.get(), 1, result.get())) ||
        !(doc_ = TakeObject(result))) {
      Error("Error in Open Document\t" + path_);
      return false;
    }
    HRESULT hr = LookUpMember(doc_, L"PrintOut", &id);
    if (FAILED(hr)) ErrorWithSystemText("Error In GetIDsOfName(3),FileName: " + path_);
    else hr = InvokeMember(doc_, id, DISPATCH_METHOD, nullptr, 0, result.get());
    if (FAILED(hr)) {
      Error("Error in PrintOut\t" + path_);
      return false;
    }
    WaitForJobReport(done, path_);
    return true;
  }

  // Closes and releases the document, when one was opened; a failure to
  // close changes no result.
  void CloseDocument() {
    if (!doc_) return;
    DISPID id = 0;
    bool closed = false;
    if (FAILED(LookUpMember(doc_, L"Close", &id))) {
      ErrorWithSystemText("Error In GetIDsOfName(4),FileName: " + path_);
    } else {
      winkit::Variant result;
      closed = SUCCEEDED(InvokeMember(doc_, id, DISPATCH_METHOD, nullptr, 0, result.get()));
    }
    const DWORD code = GetLastError();
    std::exchange(doc_, nullptr)->Release();
    if (!closed) {
      Error("Error In Close Doc,FileName: " + path_);
      LogSystemError(code);
    }
  }

  // Quits the instance and ends its process.
  void Quit() {
    if (docs_) std::exchange(docs_, nullptr)->Release();
    if (!app_) return;
    DISPID id = 0;
    if (SUCCEEDED(LookUpMember(app_, L"Quit", &id))) {
      winkit::Variant result;
      InvokeMember(app_, id, DISPATCH_METHOD, nullptr, 0, result.get());
    }
    std::exchange(app_, nullptr)->Release();
    KillProcess("WinWord.exe");
  }

 private:

  IDispatch* app_;
  IDispatch* docs_ = nullptr;
  IDispatch* doc_ = nullptr;
  std::string path_;
};

}  // namespace

bool PrintWordFile(const std::string& path, winkit::TEvent& done) {
  // OLE for this call, undone on every way out so that the main window's
  // own initialisation stays as it was.
  winkit::OleScope ole;
  IDispatch* app = nullptr;
  if (FAILED(CreateLocalServer("Word.Application", &app))) {
    Activity("Error in Creating Word application instance\t" + path);
    return false;
  }
  DISPID documents = 0;
  if (FAILED(LookUpMember(app, L"Documents", &documents))) {
    // The instance is left running, as it is.
    ErrorWithSystemText("Error In GetIDsOfName(1),FileName: " + path);
    return false;
  }
  WordRun run(app, path);
  bool printed = false, raised = false;
  try {
    printed = run.Print(documents, done);
  } catch (const std::exception&) {
    raised = true;
  }
  run.CloseDocument();
  run.Quit();
  if (raised) {
    Activity("Print " + path + "\tFailed!");
    return false;
  }
  return printed;
}

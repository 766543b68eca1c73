// Spreadsheets print through the spreadsheet program: checked direct calls
// to print, AutoWrap for the clean-up, so that a clean-up the program
// cannot do ends the whole program after a message box.
#include <windows.h>

#include <exception>

#include "app/base/log.h"
#include "drivers/automation.h"
#include "drivers/drivers.h"
#include "engine/core/processctl.h"

namespace {

void Activity(const std::string& text) { WriteLog(LogStamp() + text); }
void Error(const std::string& text) { WriteErrorLog(LogStamp() + text); }

// What a run holds; each reference is released once.
struct ExcelRun {
  IDispatch* app = nullptr;
  IDispatch* books = nullptr;
  IDispatch* book = nullptr;

  void CloseWorkbooks() {
    VARIANT saved;
    VariantInit(&saved);
    V_VT(&saved) = VT_I4;
    V_I4(&saved) = 1;
    AutoWrap(DISPATCH_PROPERTYPUT, nullptr, book, L"Saved", 1, saved);
    AutoWrap(DISPATCH_METHOD, nullptr, books, L"Close", 0);
    std::exchange(book, nullptr)->Release();
    std::exchange(books, nullptr)->Release();
  }

  void Quit() {
    AutoWrap(DISPATCH_METHOD, nullptr, app, L"Quit", 0);
    std::exchange(app, nullptr)->Release();
    KillProcess("Excel.exe");
  }
};

}  // namespace

bool PrintExcelFile(const std::string& path, winkit::TEvent&) {
  // OLE for this call, undone on every way out so that the main window's
  // own initialisation stays as it was.
  winkit::OleScope ole;
  ExcelRun run;
  try {
    // Until a workbook is open every failure returns at once: the instance
    // is left running and nothing is released.
    if (FAILED(CreateLocalServer("Excel.Application", &run.app))) {
      Activity("Error in Get App interface\t" + path);
      return false;
    }
    DISPID id = 0;
    if (FAILED(LookUpMember(run.app, L"Workbooks", &id))) {
      Error("Error in GetIDsOfName(1) \t" + path);
      return false;
    }
    winkit::Variant result;
    if (FAILED(InvokeMember(run.app, id, DISPATCH_PROPERTYGET, nullptr, 0, result.get())) ||
        !(run.books = TakeObject(result))) {
      Activity("Error in Get WorkBooks Interface\t" + path);
      return false;
    }
    winkit::Variant file;
    file.SetString(path);
    if (FAILED(LookUpMember(run.books, L"Open", &id))) {
      Error("Error in GetIDsOfName(2) \t" + path);
      return false;
    }
    if (FAILED(InvokeMember(run.books, id, DISPATCH_METHOD, file.get(), 1, result.get())) ||
        !(run.book = TakeObject(result))) {
      Activity("Error in Open Document\t" + path);
      return false;
    }
  } catch (const std::exception&) {
    Activity("Print " + path + "\tFailed!");
    return false;
  }

  bool printed = false, raised = false;
  try {
    DISPID id = 0;
    winkit::Variant result;
    if (FAILED(LookUpMember(run.book, L"PrintOut", &id))) {
      Error("Error in GetIDsOfName(3) \t" + path);
    } else if (FAILED(InvokeMember(run.book, id, DISPATCH_METHOD, nullptr, 0, result.get()))) {
      Activity("Error in PrintOut\t" + path);
    } else {
      printed = true;
    }
  } catch (const std::exception&) {
    raised = true;
  }
  run.CloseWorkbooks();
  run.Quit();
  if (raised) {
    Activity("Print " + path + "\tFailed!");
    return false;
  }
  return printed;
}

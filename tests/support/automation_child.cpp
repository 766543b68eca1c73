// A program of its own for the calls that end the process: AutoWrap shows
// its box and ends everything once it is dismissed. Usage:
//   automation_child.exe null FOLDER        AutoWrap without an object
//   automation_child.exe unknown FOLDER     AutoWrap of a member the
//                                           spreadsheet does not have
//   automation_child.exe excel FOLDER FILE  the spreadsheet driver
// The logs go to FOLDER. Whatever would run after a return, an exit handler
// or a destructor writes a line to FOLDER\after.txt: it must never appear.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/base/log.h"
#include "drivers/automation.h"
#include "drivers/drivers.h"

namespace {

std::string folder;

void After(const char* what) { AppendLogLine(folder + "\\after.txt", what); }

struct Destroyed {
  ~Destroyed() { After("a destructor ran"); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string mode = argv[1];
  folder = argv[2];
  LogFileName = folder + "\\Quirefeed.log";
  ErrorFileName = folder + "\\Quirefeed.err";
  std::atexit([] { After("an exit handler ran"); });
  Destroyed destroyed;
  OleInitialize(nullptr);
  if (mode == "null") {
    AutoWrap(DISPATCH_METHOD, nullptr, nullptr, L"Quit", 0);
  } else if (mode == "unknown") {
    IDispatch* app = nullptr;
    if (FAILED(CreateLocalServer("Excel.Application", &app))) return 3;
    AutoWrap(DISPATCH_METHOD, nullptr, app, L"NoSuchMember", 0);
  } else if (mode == "excel" && argc > 3) {
    winkit::TEvent done;
    PrintExcelFile(argv[3], done);
  }
  After("the call returned");
  return 1;
}

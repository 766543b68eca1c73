// Text files, and files of types the format table does not know, are printed
// by whatever program the shell runs for their "print" verb.
#include <windows.h>
#include <shellapi.h>

#include <exception>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "drivers/textdriver.h"
#include "winkit/application.h"

namespace {

void Note(const std::string& text) {
  WriteLog(LogStamp() + "Text driver: " + text);
}

// Waits for the printing program in slices, letting window messages run in
// between, so that Stop, the tray and the timers stay alive meanwhile.
bool WaitForProgram(HANDLE process) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (WaitForSingleObject(process, kTextPrintSliceMs) == WAIT_OBJECT_0) return true;
    winkit::TApplication::Get().ProcessMessages();
    if (GetTickCount() - start >= kTextPrintTimeoutMs) return false;
  }
}

}  // namespace

bool PrintTextFile(const std::string& path, winkit::TEvent&) {
  try {
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = sizeof sei;
    // No error box may wait for a user in an unattended run.
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.lpVerb = "print";
    sei.lpFile = path.c_str();
    sei.nShow = SW_HIDE;
    if (!ShellExecuteExA(&sei)) {
      const DWORD error = GetLastError();
      Note("no program could be started to print " + path + " (error " + std::to_string(error) + ")");
      LogSystemError(error);
      return false;
    }
    if (!sei.hProcess) {
      // The verb went to a program that was already running (or to one the
      // shell does not let us wait for): the hand-over itself succeeded.
      Note(path + " was handed to a running program; there is no process to wait for");
      return true;
    }
    winkit::KernelHandle process(sei.hProcess);
    if (!WaitForProgram(process.get())) {
      // The program belongs to the user's desktop: it is left running.
      Note("the program printing " + path + " did not end within " + std::to_string(kTextPrintTimeoutMs / 1000) +
           " seconds and was left running");
      return false;
    }
    return true;
  } catch (const std::exception&) {
    WriteLog(LogStamp() + "Print " + path + "\tFailed!");
    return false;
  }
}

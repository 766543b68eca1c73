// Text files, and files of types the format table does not know, are printed
// by whatever program the shell runs for their "print" verb.
#include <windows.h>
#include <shellapi.h>

#include <exception>

#include "app/log.h"
#include "drivers/drivers.h"
#include "drivers/textdriver.h"

bool PrintTextFile(const std::string& path, winkit::TEvent&) {
  try {
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = sizeof sei;
    // No error box may wait for a user in an unattended run.
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.lpVerb = "print";
    sei.lpFile = path.c_str();
    sei.nShow = SW_HIDE;
    const BOOL started = ShellExecuteExA(&sei);
    const DWORD error = started ? NO_ERROR : GetLastError();
    if (!sei.hProcess) {
      WriteLog(LogStamp() + "Print " + path + "\tFailed! No program was started to print it (error " +
               std::to_string(error) + ")");
      return false;
    }
    const DWORD waited = WaitForSingleObject(sei.hProcess, kTextPrintTimeoutMs);
    CloseHandle(sei.hProcess);
    if (waited != WAIT_OBJECT_0) {
      // The program belongs to the user's desktop: it is left running.
      WriteLog(LogStamp() + "Print " + path + "\tThe printing program did not end within " +
               std::to_string(kTextPrintTimeoutMs / 1000) + " seconds and was left running");
      return false;
    }
    return true;
  } catch (const std::exception&) {
    WriteLog(LogStamp() + "Print " + path + "\tFailed!");
    return false;
  }
}

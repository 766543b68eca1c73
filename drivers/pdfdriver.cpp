// PDF files print through the shell's "print" verb, which hands them to the
// PDF reader registered for them; the driver then waits for the print-job
// monitor, at most a minute, and ends the reader.
#include "drivers/pdfdriver.h"

#include <windows.h>
#include <shellapi.h>

#include <exception>

#include "app/base/log.h"
#include "app/base/paths.h"
#include "engine/core/processctl.h"
#include "winkit/application.h"
#include "winkit/handles.h"

namespace {

constexpr DWORD kWaitSliceMs = 50;
DWORD wait_ms = kPdfPrintWaitMs;

void Log(const std::string& text) {
  WriteLog(LogStamp() + text);
}

bool KeyExists(const char* key) {
  winkit::RegKey k;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

// Waits for the monitor's event in slices, letting window messages run in
// between (Stop, the tray and the timers stay alive).
void WaitForJob(winkit::TEvent& done) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < wait_ms) {
    if (done.WaitFor(kWaitSliceMs) == winkit::TEvent::WaitResult::Signaled) return;
    winkit::TApplication::Get().ProcessMessages();
  }
}

}  // namespace

void SetPdfPrintWaitMs(DWORD ms) {
  wait_ms = ms ? ms : kPdfPrintWaitMs;
}

bool IsAcrobatInstalled() {
  return KeyExists("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Acrobat.exe") ||
         KeyExists("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.exe");
}

void CloseAcrobat() {
  if (!KillProcess("AcroRd32.exe")) KillProcess("Acrobat.exe");
}

bool PrintPdfFile(const std::string& path, winkit::TEvent& done) {
  if (!IsAcrobatInstalled()) {
    if (MessageBoxA(GetActiveWindow(), "No Acrobat or Acrobat Reader installed,Download free Acrobat Reader Now ?",
                    "Warning", MB_OKCANCEL) == IDOK)
      ShellExecuteA(nullptr, "open", kReaderDownloadPage, nullptr, nullptr, SW_SHOWNORMAL);
    return false;
  }
  try {
    Log("Start Print " + path + "!");
    const auto code = static_cast<int>(
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "print", path.c_str(), nullptr, nullptr, SW_HIDE)));
    if (code >= 32) {
      Log("End Print " + path + "!");
      WaitForJob(done);
      Log("End Event!");
      CloseAcrobat();
      return true;
    }
    Log("Print " + path + "\tFailed!");
    std::string text = "Error No:" + std::to_string(code);
    if (!FileExists(path)) text += "\t" + path + " does not exists!";
    Log(text);
    CloseAcrobat();
    return false;
  } catch (const std::exception&) {
    Log("Print " + path + "\tFailed!");
    return false;
  }
}

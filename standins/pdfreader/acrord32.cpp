// Stand-in for the PDF reader a Windows desktop has (there is none here).
// Built as "AcroRd32.exe"; the test and run scripts register it as the PDF
// reader's App Paths entry and as the "print" verb of ".pdf" files.
// Usage: AcroRd32.exe [/p] [/h] FILE. Prints FILE's own pages (vector, as
// CUPS renders a PDF) on the default printer in one job named after the
// file, with the printer's current copies, orientation and paper size, then
// exits: 0 when the job was handed to the queue, 1 when FILE is no PDF that
// can be read or the printer cannot take it. It runs until the job is
// handed over.
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "winkit/handles.h"
#include "winkit/printjob.h"
#include "winkit/text.h"

namespace {

constexpr DWORD kCommandLimitMs = 120000;

std::string UnixPath(const std::string& windows_path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  const auto to_unix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!to_unix) return {};
  char* unix_path = to_unix(winkit::ToWide(windows_path).c_str());
  if (!unix_path) return {};
  std::string out = unix_path;
  HeapFree(GetProcessHeap(), 0, unix_path);
  return out;
}

// A word for the shell, quoted whole.
std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a Linux command line and waits for it, bounded; its exit code, -1 on
// time-out. Wine gives no handle to wait on: the command writes its code.
int RunLinux(const std::string& command) {
  char temp[MAX_PATH] = {}, rc_file[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  GetTempFileNameA(temp, "qfr", 0, rc_file);
  DeleteFileA(rc_file);
  const std::string rc_unix = UnixPath(rc_file);
  std::string line = "Z:\\bin\\sh -c \"" + command + " >/dev/null 2>&1; echo $? > " + Quoted(rc_unix) + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return -1;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kCommandLimitMs) {
    winkit::FileHandle f(CreateFileA(rc_file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    if (f) {
      char buf[16] = {};
      DWORD got = 0;
      ReadFile(f.get(), buf, sizeof buf - 1, &got, nullptr);
      if (got > 0 && buf[got - 1] == '\n') {
        f.reset();
        DeleteFileA(rc_file);
        return atoi(buf);
      }
    }
    Sleep(20);
  }
  return -1;
}

// The queue behind the default printer and the lp options for its current
// settings.
bool PrinterOptions(const std::string& printer, std::string& queue, std::string& options) {
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), h.put(), nullptr)) return false;
  DWORD needed = 0;
  GetPrinterA(h.get(), 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed, 0);
  if (needed == 0 || !GetPrinterA(h.get(), 2, info.data(), needed, &needed)) return false;
  const auto* pi = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
  const std::string port = pi->pPortName ? pi->pPortName : "";
  queue = port.compare(0, 5, "CUPS:") == 0 ? port.substr(5) : printer;
  if (const DEVMODEA* dm = pi->pDevMode) {
    if (dm->dmCopies > 1) options += " -n " + std::to_string(dm->dmCopies);
    if (dm->dmOrientation == DMORIENT_LANDSCAPE) options += " -o orientation-requested=4";
    switch (dm->dmPaperSize) {
      case DMPAPER_LETTER: options += " -o media=Letter"; break;
      case DMPAPER_LEGAL: options += " -o media=Legal"; break;
      case DMPAPER_A3: options += " -o media=A3"; break;
      case DMPAPER_A4: options += " -o media=A4"; break;
      case DMPAPER_A5: options += " -o media=A5"; break;
      default: break;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] != '/') path = argv[i];
  if (path.empty()) return 1;
  const std::string unix_path = UnixPath(path);
  if (unix_path.empty()) return 1;
  // A damaged or missing PDF gives no job.
  if (RunLinux("pdfinfo " + Quoted(unix_path)) != 0) return 1;
  const std::string printer = winkit::DefaultPrinterName();
  std::string queue, options;
  if (printer.empty() || !PrinterOptions(printer, queue, options)) return 1;
  const size_t slash = path.find_last_of("\\/");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string lp = "lp -d " + Quoted(queue) + " -t " + Quoted(name) + options + " -- " + Quoted(unix_path);
  return RunLinux(lp) == 0 ? 0 : 1;
}

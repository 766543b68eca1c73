#include "standins/common/linux.h"

#include <winspool.h>

#include <cstdlib>
#include <vector>

#include "winkit/handles.h"
#include "winkit/text.h"

namespace standin {

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

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

namespace {

bool Spawn(const std::string& command) {
  // The command is one argument in double quotes, escaped by the rules
  // Wine's command-line parser follows: backslashes count only before a
  // double quote.
  std::string line = "Z:\\bin\\sh -c \"";
  size_t slashes = 0;
  for (char c : command) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    line.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    line += c;
  }
  line.append(slashes * 2, '\\');
  line += '"';
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return false;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  return true;
}

}  // namespace

int RunLinux(const std::string& command, DWORD limit_ms, const std::string& output) {
  char temp[MAX_PATH] = {}, rc_file[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  GetTempFileNameA(temp, "qfr", 0, rc_file);
  DeleteFileA(rc_file);
  const std::string rc_unix = UnixPath(rc_file);
  if (rc_unix.empty()) return -1;
  if (!Spawn("(" + command + ") >" + Quoted(output) + " 2>/dev/null </dev/null; echo $? > " + Quoted(rc_unix)))
    return -1;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < limit_ms) {
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

bool StartLinux(const std::string& command) {
  return Spawn("(" + command + ") >/dev/null 2>&1 </dev/null &");
}

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

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ModuleFolder(HMODULE module) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  std::string s = path;
  const size_t slash = s.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}

}  // namespace standin

#include "support/folders.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "winkit/text.h"

namespace qftest {

std::string UnixPath(const std::string& w) {
  // Wine's own mapping: drive C: lives inside the prefix.
  using ToUnix = char*(CDECL*)(const wchar_t*);
  static const auto to_unix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (to_unix) {
    const std::wstring wide = winkit::ToWide(w);
    if (char* unix_path = to_unix(wide.c_str())) {
      std::string out = unix_path;
      HeapFree(GetProcessHeap(), 0, unix_path);
      return out;
    }
  }
  std::string p = w.size() > 2 && (w[0] == 'Z' || w[0] == 'z') && w[1] == ':' ? w.substr(2) : w;
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

std::string WindowsPath(const std::string& u) {
  std::string p = "Z:" + u;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

std::string ProgramFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return std::string(path) + "\\Quirefeed\\";
}

std::string TrashFilesFolder() {
  char value[1024] = {};
  std::string data_home;
  const DWORD n = GetEnvironmentVariableA("XDG_DATA_HOME", value, sizeof value);
  if (n > 0 && n < sizeof value && value[0] == '/') {
    data_home = value;
  } else {
    const DWORD h = GetEnvironmentVariableA("HOME", value, sizeof value);
    if (h > 0 && h < sizeof value) data_home = std::string(value) + "/.local/share";
  }
  return WindowsPath(data_home + "/Trash/files") + "\\";
}

}  // namespace qftest

// Under Wine the recycle bin is the freedesktop trash of the Unix user. When
// its folder is missing, or the file lies on another device than the trash,
// the shell's "delete with undo" deletes the file outright and still reports
// success. So before every recycle the trash is made to exist and a probe
// proves that a file of the same folder can be moved into it.
#include <windows.h>

#include <string>

#include "engine/core/pathparts.h"
#include "engine/core/processctl.h"
#include "winkit/handles.h"
#include "winkit/text.h"

namespace {

using DosNameFn = WCHAR*(CDECL*)(const char*);

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string Env(const char* name) {
  char buf[2048] = {};
  const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// The Windows name of a Unix path, as Wine maps it.
std::string DosName(const std::string& unix_path) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto to_dos = kernel ? reinterpret_cast<DosNameFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")))
                       : nullptr;
  if (!to_dos) return {};
  WCHAR* wide = to_dos(unix_path.c_str());
  if (!wide) return {};
  std::string ansi;
  const bool exact = winkit::FromWide(wide, ansi);
  HeapFree(GetProcessHeap(), 0, wide);
  return exact && ansi.size() < MAX_PATH ? ansi : std::string();
}

// Where Wine's shell keeps the trash: $XDG_DATA_HOME/Trash when that is an
// absolute path, else ~/.local/share/Trash.
std::string TrashFolder() {
  const std::string xdg = Env("XDG_DATA_HOME");
  if (!xdg.empty() && xdg[0] == '/') return DosName(xdg + "/Trash");
  std::string home = Env("WINEHOMEDIR");  // "\??\Z:\home\user"
  if (home.compare(0, 4, "\\??\\") == 0) home.erase(0, 4);
  return home.empty() ? std::string() : home + "\\.local\\share\\Trash";
}

bool MakeFolders(const std::string& folder) {
  if (FolderExists(folder)) return true;
  const size_t slash = folder.find_last_of('\\');
  if (slash == std::string::npos || slash < 3) return false;
  if (!MakeFolders(folder.substr(0, slash))) return false;
  return CreateDirectoryA(folder.c_str(), nullptr) || FolderExists(folder);
}

}  // namespace

std::string RecycleBinProblem(const std::string& path) {
  if (!RunningOnWine()) return {};
  const std::string trash = TrashFolder();
  if (trash.empty()) return "the trash folder of this user cannot be found";
  if (!MakeFolders(trash + "\\files") || !MakeFolders(trash + "\\info"))
    return "the trash folder " + trash + " cannot be created (error " + std::to_string(GetLastError()) + ")";
  // A rename that may not copy fails across devices, as the shell's does.
  // The long form of the names lets a probe sit beside a file whose own
  // path already has the full 259 characters.
  const std::string name = ProbeName();
  const std::string probe = "\\\\?\\" + FolderPart(path) + name, moved = "\\\\?\\" + trash + "\\files\\" + name;
  {
    winkit::FileHandle f(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
                                     nullptr));
    if (!f) return "no probe file can be made beside the file (error " + std::to_string(GetLastError()) + ")";
  }
  if (!MoveFileExA(probe.c_str(), moved.c_str(), 0)) {
    const DWORD error = GetLastError();
    DeleteFileA(probe.c_str());
    if (error == ERROR_NOT_SAME_DEVICE) return "the file lies on another device than the trash folder " + trash;
    return "the trash folder " + trash + " does not take files (error " + std::to_string(error) + ")";
  }
  DeleteFileA(moved.c_str());
  return {};
}

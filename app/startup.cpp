#include "app/startup.h"

#include <shlobj.h>

#include "app/base/registry.h"

std::string ProgramDataFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  std::string folder = std::string(path) + "\\Quirefeed";
  if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\";
}

bool TrimActivityLog(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  const long long size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return size > kLogTrimSize && DeleteFileA(path.c_str());
}

StartupSettings ReadStartupSettings(HKEY root, const char* key_path) {
  StartupSettings s;
  CRegistry reg(root, KEY_READ);
  if (!reg.OpenKey(key_path, false)) return s;
  s.StartInWatchMode = reg.ReadBool("StartUp", false);
  s.WatchSort = reg.ReadInteger("Sort", 0);
  return s;
}

void AdjustPdfReaderUpdates(HKEY root) {
  CRegistry reg(root, KEY_ALL_ACCESS);
  // Only keys that are already there: a reader that is not installed gets
  // no keys of ours.
  if (reg.OpenKey("Software\\Adobe\\Adobe Acrobat\\6.0\\Updater", false)) {
    reg.WriteInteger("bShowNotifDialog", 0);
    reg.WriteInteger("iUpdateFrequency", 3);
  }
  if (reg.OpenKey("Software\\Adobe\\Adobe Acrobat", false)) reg.WriteInteger("iUpdateFrequency", 3);
  if (reg.OpenKey("Software\\Adobe\\Acrobat Reader\\6.0\\Updater", false)) {
    reg.WriteInteger("bShowNotifDialog", 0);
    reg.WriteInteger("iUpdateFrequency", 3);
    reg.WriteInteger("bShowAutoUpdateConfDialog", 0);
  }
}

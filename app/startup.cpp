#include "app/startup.h"

#include <shlobj.h>

#include "winkit/handles.h"

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

namespace {

bool ReadDword(HKEY key, const char* name, DWORD& value) {
  DWORD type = 0, size = sizeof value;
  DWORD v = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS) return false;
  if (type != REG_DWORD || size != sizeof v) return false;
  value = v;
  return true;
}

void WriteDword(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool KeyExists(HKEY root, const char* path) {
  winkit::RegKey key;
  return RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace

StartupSettings ReadStartupSettings(HKEY root, const char* key_path) {
  StartupSettings s;
  winkit::RegKey key;
  if (RegOpenKeyExA(root, key_path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return s;
  DWORD v = 0;
  if (ReadDword(key.get(), "StartUp", v)) s.StartInWatchMode = v != 0;
  if (ReadDword(key.get(), "Sort", v)) s.WatchSort = static_cast<int>(v);
  return s;
}

void AdjustPdfReaderUpdates(HKEY root) {
  const char* acrobat6 = "Software\\Adobe\\Adobe Acrobat\\6.0\\Updater";
  if (KeyExists(root, acrobat6)) {
    winkit::RegKey key;
    if (RegCreateKeyExA(root, acrobat6, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) == ERROR_SUCCESS) {
      WriteDword(key.get(), "bShowNotifDialog", 0);
      WriteDword(key.get(), "iUpdateFrequency", 3);
    }
  }
  winkit::RegKey acrobat;
  if (RegOpenKeyExA(root, "Software\\Adobe\\Adobe Acrobat", 0, KEY_ALL_ACCESS, acrobat.put()) == ERROR_SUCCESS)
    WriteDword(acrobat.get(), "iUpdateFrequency", 3);
  winkit::RegKey reader;
  if (RegOpenKeyExA(root, "Software\\Adobe\\Acrobat Reader\\6.0\\Updater", 0, KEY_ALL_ACCESS, reader.put()) ==
      ERROR_SUCCESS) {
    WriteDword(reader.get(), "bShowNotifDialog", 0);
    WriteDword(reader.get(), "iUpdateFrequency", 3);
    WriteDword(reader.get(), "bShowAutoUpdateConfDialog", 0);
  }
}

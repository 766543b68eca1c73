#include "tasks/settings/taskfile.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <exception>

#include "app/base/inifile.h"
#include "app/base/log.h"
#include "app/base/paths.h"
#include "tasks/settings/devfile.h"
#include "winkit/handles.h"

namespace {

// A settings file is a few kilobytes; anything huge is not ours.
constexpr std::uint64_t kDevFileLimit = 16u << 20;

constexpr const char* kPrinterKey = "Printer Name";
constexpr const char* kFileExtKey = "FileExt";
constexpr const char* kFolderKey = "Folder";
constexpr const char* kMoveToWritten = "Move To Folder";
constexpr const char* kMoveToRead = "Move to Folder";  // the profile API ignores case
constexpr const char* kSeparatorKey = "Separator";
constexpr const char* kActionKey = "Action";
constexpr const char* kMoveFailedKey = "MoveFailed";

bool IsTaskSection(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A text key into a fixed field. A value that does not fit is not cut (a cut
// path names another file or folder): the field takes the default instead and
// the error log says why.
void ReadField(const CIniFile& ini, const std::string& section, const char* key, const std::string& def,
               char (&field)[kPathChars]) {
  const std::string value = ini.ReadString(section, key, def);
  if (SetField(field, value)) return;
  WriteErrorLog(LogStamp() + "Task " + section + ": the value of \"" + key + "\" is longer than " +
                std::to_string(kPathChars - 1) + " characters and was ignored");
  SetField(field, def);
}

}  // namespace

std::string DevFilePath(const std::string& ini_path, const std::string& section) {
  return FolderPart(ini_path) + section + ".dev";
}

bool ReadTask(CPrintAction& task, const std::string& ini_path, const std::string& section) {
  std::vector<std::uint8_t> default_devmode;
  std::string default_name;
  const bool has_default = DefaultPrinterSettings(default_devmode, default_name);
  if (default_name.size() >= kPathChars) default_name.clear();

  const CIniFile ini(ini_path);
  ActionStruct& d = *task.Data;
  ReadField(ini, section, kPrinterKey, default_name, d.PrinterName);
  ReadField(ini, section, kFileExtKey, "", d.FileExt);
  ReadField(ini, section, kFolderKey, "", d.Folder);
  ReadField(ini, section, kMoveToRead, "", d.MoveToFolder);
  char separator[kPathChars];
  ReadField(ini, section, kSeparatorKey, "", separator);
  std::copy(std::begin(separator), std::end(separator), task.Separator.begin());
  d.Action = ini.ReadInteger(section, kActionKey, kActionRecycle);
  d.MoveFailed = ini.ReadBool(section, kMoveFailedKey, false);

  const std::string dev_path = DevFilePath(ini_path, section);
  if (GetFileAttributesA(dev_path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    task.DevMode.clear();
    if (has_default) task.SetDevMode(reinterpret_cast<const DEVMODEA*>(default_devmode.data()), default_devmode.size());
    return true;
  }
  // Settings that exist but cannot be used must never move the task to
  // another printer: it keeps its printer, with that printer's own defaults.
  auto take_printer_defaults = [&](DWORD error) {
    WriteErrorLog(LogStamp() + "Read Printer Configure Error! " + d.PrinterName);
    LogSystemError(error);
    if (GetPrinterDefaults(d.PrinterName, task.DevMode)) {
      WriteErrorLog(LogStamp() + "Task " + section + " prints with the default settings of " + d.PrinterName);
    } else {
      WriteErrorLog(LogStamp() + "Task " + section + ": the printer " + d.PrinterName +
                    " cannot be opened, the task has no printer settings");
    }
  };
  try {
    Bytes text;
    DWORD error = NO_ERROR;
    if (!ReadWholeFile(dev_path, text, kDevFileLimit)) error = GetLastError();
    const Bytes raw = error == NO_ERROR ? DecodeDevText(text) : Bytes();
    const size_t n = DevModeLength(raw.data(), raw.size());
    if (n == 0) {
      take_printer_defaults(error != NO_ERROR ? error : static_cast<DWORD>(ERROR_INVALID_DATA));
      return true;
    }
    task.DevMode.assign(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(n));
  } catch (const std::exception&) {
    const DWORD error = GetLastError();
    MessageBoxA(nullptr, SystemMessage(error).c_str(), "Error", MB_OK | MB_ICONINFORMATION);
    take_printer_defaults(error);
  }
  return true;
}

bool WriteTask(const CPrintAction& task, const std::string& ini_path, const std::string& section) {
  CIniFile ini(ini_path);
  const ActionStruct& d = *task.Data;
  const bool written = ini.WriteString(section, kPrinterKey, d.PrinterName) &&
                       ini.WriteString(section, kFileExtKey, d.FileExt) &&
                       ini.WriteString(section, kFolderKey, d.Folder) &&
                       ini.WriteString(section, kMoveToWritten, d.MoveToFolder) &&
                       ini.WriteString(section, kSeparatorKey, task.Separator.data()) &&
                       ini.WriteInteger(section, kActionKey, d.Action) &&
                       ini.WriteBool(section, kMoveFailedKey, d.MoveFailed);
  if (!written) {
    const DWORD error = GetLastError();
    WriteErrorLog(LogStamp() + "Task " + section + " could not be written to " + ini_path);
    LogSystemError(error);
    return false;
  }

  const std::string dev_path = DevFilePath(ini_path, section);
  auto report = [&](DWORD error) {
    WriteErrorLog(LogStamp() + "Save Printer Configure Error! " + d.PrinterName);
    LogSystemError(error);
  };
  try {
    const size_t n = DevModeLength(task.DevMode.data(), task.DevMode.size());
    if (n == 0) {
      // No settings to keep: without a file the task reads back with the
      // default printer's settings.
      DeleteFileA(dev_path.c_str());
      return true;
    }
    const Bytes raw(task.DevMode.begin(), task.DevMode.begin() + static_cast<std::ptrdiff_t>(n));
    if (!WriteWholeFile(dev_path, EncodeDevText(raw))) report(GetLastError());
  } catch (const std::exception&) {
    report(GetLastError());
  }
  return true;
}

namespace {

// How many sections LoadTasks reads: "Count", unless it is beyond any real
// number of tasks; then the numbered sections the file really holds.
int TaskCount(const CIniFile& ini) {
  const int count = ini.ReadInteger("Tasks", "Count", 0);
  if (count <= kMaxTasks) return std::max(count, 0);
  int present = 0;
  for (const std::string& section : ini.ReadSections()) {
    if (!IsTaskSection(section) || section.size() > 4) continue;
    present = std::max(present, std::stoi(section) + 1);
  }
  present = std::min(present, kMaxTasks);
  WriteErrorLog(LogStamp() + "Tasks: \"Count\" is " + std::to_string(count) + ", more than " +
                std::to_string(kMaxTasks) + "; the " + std::to_string(present) + " task sections of the file are read");
  return present;
}

}  // namespace

void LoadTasks(std::vector<CPrintAction>& tasks, const std::string& ini_path) {
  const CIniFile ini(ini_path);
  const int count = TaskCount(ini);
  for (int i = 0; i < count; ++i) {
    CPrintAction task;
    if (ReadTask(task, ini_path, std::to_string(i))) tasks.push_back(std::move(task));
  }
}

void WriteTaskSet(const std::vector<CPrintAction>& tasks, const std::string& ini_path) {
  for (size_t i = 0; i < tasks.size(); ++i) WriteTask(tasks[i], ini_path, std::to_string(i));
  // The count last: until it is written, the old count still names whole
  // tasks.
  CIniFile(ini_path).WriteInteger("Tasks", "Count", static_cast<int>(tasks.size()));
}

void RemoveStaleTasks(size_t count, const std::string& ini_path) {
  CIniFile ini(ini_path);
  // A name of the new set: a number below count, written as WriteTaskSet
  // writes it (no leading zeros).
  auto current = [count](const std::string& name) {
    if (!IsTaskSection(name) || name.size() > 9) return false;
    const size_t n = std::stoul(name);
    return n < count && name == std::to_string(n);
  };
  for (const std::string& section : ini.ReadSections()) {
    if (IsTaskSection(section) && !current(section)) ini.EraseSection(section);
  }
  const std::string folder = FolderPart(ini_path);
  WIN32_FIND_DATAA fd;
  std::vector<std::string> stale;
  {
    winkit::FindHandle find(FindFirstFileA((folder + "*.dev").c_str(), &fd));
    if (!find) return;
    do {
      const std::string name = fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      // The pattern also matches longer extensions in their short form.
      if (name.size() < 4 || lstrcmpiA(name.c_str() + name.size() - 4, ".dev") != 0) continue;
      if (!current(name.substr(0, name.size() - 4))) stale.push_back(name);
    } while (FindNextFileA(find.get(), &fd));
  }
  for (const auto& name : stale) DeleteFileA((folder + name).c_str());
}

void SaveTasks(const std::vector<CPrintAction>& tasks, const std::string& ini_path) {
  WriteTaskSet(tasks, ini_path);
  RemoveStaleTasks(tasks.size(), ini_path);
}

#pragma once
// The folder print run: every file of one folder that matches one pattern,
// in the chosen order, printed with the current print settings after the
// printer was switched to them. Watch passes and the print-folder command
// both run it.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tasks/printledger.h"
#include "tasks/watchhost.h"

// One collected file: its name and the file time it sorts by, with the
// stamp it was found with.
struct FindStruct {
  std::string name;
  FILETIME time{};
  FileStamp stamp;
};

// Whether a found file may be printed now; every file when empty.
using FileFilter = std::function<bool(const std::string& path, const FileStamp& stamp)>;

// `folder` + "\" + `name`, with one backslash between them.
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder and pattern of a task or of the current settings, joined.
std::string TaskPattern(const CPrintAction& settings);

// The files that `pattern` (a folder, "\", a name with "*" and "?") finds in
// that folder alone: no directories, no hidden or system files, none of
// the program's own short-lived probe files; and, with a filter, only those
// it lets through, at most `limit` of them. Unsorted; each with the time of
// sort choice `sort`.
std::vector<FindStruct> FindMatches(const std::string& pattern, int sort, const FileFilter& due = {},
                                    size_t limit = SIZE_MAX);
// Orders by sort choice `sort`: 0 name (letters without case), 1 last write,
// 2 creation, 3 last access, each oldest first; another value is 0.
void SortMatches(std::vector<FindStruct>& files, int sort);
// The files to print from `settings`' folder and pattern, sorted.
std::vector<FindStruct> CollectMatches(const CPrintAction& settings, int sort, const FileFilter& due = {});
// Their full paths.
std::vector<std::string> CollectFolderFiles(const CPrintAction& settings, int sort, const FileFilter& due = {});
bool FolderHasFiles(const std::string& pattern, const FileFilter& due = {});

// What a watch pass learns of each file of a run.
struct FolderRunHooks {
  FileFilter due;
  std::function<void(const std::string& path, const FileStamp& found)> before;
  std::function<void(const std::string& path, const CPrintFile& request)> after;
};

// One request for `path` from the host's current settings, printed;
// `found`, when given, is what a scan at `found_tick` saw of the file.
bool PrintOneFile(IWatchHost& host, const std::string& path, const FolderRunHooks& hooks = {},
                  const FindStruct* found = nullptr, DWORD found_tick = 0);

enum class FolderRunEnd { Finished, Stopped, PrinterNotSet };
// PrintMulFileExecute: over the folder and pattern of the host's current
// settings.
FolderRunEnd PrintMulFile(IWatchHost& host, const FolderRunHooks& hooks = {});

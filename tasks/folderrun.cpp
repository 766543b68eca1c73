#include "tasks/folderrun.h"

#include <algorithm>

#include "engine/printrun.h"
#include "engine/printswitch.h"

namespace {

std::uint64_t Ticks(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool IsProbeFile(const std::string& name) {
  return name.size() > 13 && name.compare(0, 9, "~qfprobe-") == 0 && name.compare(name.size() - 4, 4, ".tmp") == 0;
}

std::string FolderOf(const std::string& pattern) {
  const size_t slash = pattern.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : pattern.substr(0, slash);
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool NameBefore(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(Upper(x)) < static_cast<unsigned char>(Upper(y));
  });
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

std::string TaskPattern(const CPrintAction& settings) {
  return JoinPath(settings.Data->Folder, settings.Data->FileExt);
}

std::vector<FindStruct> FindMatches(const std::string& pattern, int sort, const FileFilter& due, size_t limit) {
  std::vector<FindStruct> found;
  if (limit == 0) return found;
  const std::string folder = FolderOf(pattern);
  WIN32_FIND_DATAA fd{};
  const HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return found;
  do {
    if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    FindStruct f;
    f.name = fd.cFileName;
    if (IsProbeFile(f.name)) continue;
    f.stamp.size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    f.stamp.written = Ticks(fd.ftLastWriteTime);
    f.time = sort == 1 ? fd.ftLastWriteTime : sort == 3 ? fd.ftLastAccessTime : fd.ftCreationTime;
    if (due && !due(JoinPath(folder, f.name), f.stamp)) continue;
    found.push_back(std::move(f));
  } while (found.size() < limit && FindNextFileA(h, &fd));
  FindClose(h);
  return found;
}

void SortMatches(std::vector<FindStruct>& files, int sort) {
  if (sort >= 1 && sort <= 3) {
    std::stable_sort(files.begin(), files.end(),
                     [](const FindStruct& a, const FindStruct& b) { return Ticks(a.time) < Ticks(b.time); });
  } else {
    std::stable_sort(files.begin(), files.end(),
                     [](const FindStruct& a, const FindStruct& b) { return NameBefore(a.name, b.name); });
  }
}

std::vector<FindStruct> CollectMatches(const CPrintAction& settings, int sort, const FileFilter& due) {
  std::vector<FindStruct> files = FindMatches(TaskPattern(settings), sort, due);
  SortMatches(files, sort);
  return files;
}

std::vector<std::string> CollectFolderFiles(const CPrintAction& settings, int sort, const FileFilter& due) {
  const std::vector<FindStruct> files = CollectMatches(settings, sort, due);
  std::vector<std::string> paths;
  paths.reserve(files.size());
  for (const auto& f : files) paths.push_back(JoinPath(settings.Data->Folder, f.name));
  return paths;
}

bool FolderHasFiles(const std::string& pattern, const FileFilter& due) {
  // The search stops at the first match that counts.
  return !FindMatches(pattern, 0, due, 1).empty();
}

bool PrintOneFile(IWatchHost& host, const std::string& path, const FolderRunHooks& hooks, const FindStruct* found,
                  DWORD found_tick) {
  const CPrintAction& settings = host.CurrentAction();
  CPrintFile request;
  if (found) request.SetFoundReading(found->stamp, found_tick);
  bool result = false;
  if (MakePrintRequest(settings, path, request)) {
    request.SetMoveFailed(settings.Data->MoveFailed);
    result = host.PrintRequestNow(request);
  }
  if (hooks.after) hooks.after(path, request);
  return result;
}

FolderRunEnd PrintMulFile(IWatchHost& host, const FolderRunHooks& hooks) {
  PageSetupScope page_setup(host.PageSetup());
  // A printer that cannot be switched prints nothing; the stop flag and an
  // open progress window stay as they are.
  if (!ApplyPrinterSettings(host.CurrentAction())) return FolderRunEnd::PrinterNotSet;
  RunActiveScope run(host.RunProgressWindow(), true);
  // The files as they are now, each with the stamp it was found with.
  const DWORD found_tick = GetTickCount();
  const std::vector<FindStruct> files = CollectMatches(host.CurrentAction(), host.FolderSort(), hooks.due);
  const std::string folder = host.CurrentAction().Data->Folder;
  for (const auto& f : files) {
    const std::string path = JoinPath(folder, f.name);
    if (hooks.before) hooks.before(path, f.stamp);
    PrintOneFile(host, path, hooks, &f, found_tick);
    if (StopPrinting) {
      if (host.ExitWasConfirmed()) PostMessageA(host.HostWindow(), WM_CLOSE, 0, 0);
      return FolderRunEnd::Stopped;
    }
  }
  return FolderRunEnd::Finished;
}

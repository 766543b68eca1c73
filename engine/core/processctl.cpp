#include "engine/core/processctl.h"

#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstring>

#include "app/base/log.h"
#include "winkit/handles.h"

namespace {

using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using WalkFn = BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32);
using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using ModuleNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

// PROCESS_ALL_ACCESS as systems before Windows Vista define it.
constexpr DWORD kAllAccessXp = STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFF;

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Walks a process snapshot and calls on_match for the first entry named
// exe_name. Returns 1 on a match, 0 when none matched, -1 when the snapshot
// functions are missing.
template <typename OnMatch>
int FindInSnapshot(const std::string& exe_name, OnMatch on_match) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto snapshot = kernel ? Lookup<SnapshotFn>(kernel, "CreateToolhelp32Snapshot") : nullptr;
  auto first = kernel ? Lookup<WalkFn>(kernel, "Process32First") : nullptr;
  auto next = kernel ? Lookup<WalkFn>(kernel, "Process32Next") : nullptr;
  if (!snapshot || !first || !next) return -1;
  winkit::FileHandle snap(snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = first(snap.get(), &entry); more; more = next(snap.get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, exe_name.c_str()) == 0) {
      on_match(entry);
      return 1;
    }
    entry.dwSize = sizeof entry;
  }
  return 0;
}

void Terminate(DWORD pid) {
  winkit::KernelHandle process(OpenProcess(kAllAccessXp, FALSE, pid));
  if (process) TerminateProcess(process.get(), 0);
}

}  // namespace

bool IsProcessRunning(const std::string& exe_name) {
  return FindInSnapshot(exe_name, [](const PROCESSENTRY32&) {}) != 0;
}

bool KillProcessBySnapshot(const std::string& exe_name) {
  return FindInSnapshot(exe_name, [](const PROCESSENTRY32& e) { Terminate(e.th32ProcessID); }) != 0;
}

bool KillProcessByStatus(const std::string& exe_name) {
  winkit::ModuleHandle psapi(LoadLibraryA("psapi.dll"));
  if (!psapi) return false;
  auto enum_processes = Lookup<EnumProcessesFn>(psapi.get(), "EnumProcesses");
  auto enum_modules = Lookup<EnumModulesFn>(psapi.get(), "EnumProcessModules");
  auto module_name = Lookup<ModuleNameFn>(psapi.get(), "GetModuleFileNameExA");
  if (!enum_processes || !enum_modules || !module_name) return false;
  DWORD ids[1024];
  DWORD bytes = 0;
  if (!enum_processes(ids, sizeof ids, &bytes)) return false;
  for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
    char name[MAX_PATH] = "unknown";
    winkit::KernelHandle query(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
    if (!query) continue;
    HMODULE first_module = nullptr;
    DWORD needed = 0;
    if (!enum_modules(query.get(), &first_module, sizeof first_module, &needed)) continue;
    if (!module_name(query.get(), first_module, name, MAX_PATH)) continue;
    const char* slash = std::strrchr(name, '\\');
    const char* base = slash ? slash + 1 : name;
    if (lstrcmpiA(base, exe_name.c_str()) != 0) continue;
    winkit::KernelHandle process(OpenProcess(kAllAccessXp, FALSE, ids[i]));
    if (process) {
      TerminateProcess(process.get(), 0);
      return true;
    }
  }
  return false;
}

bool KillProcess(const std::string& exe_name) {
  const bool have_psapi = static_cast<bool>(winkit::ModuleHandle(LoadLibraryA("psapi.dll")));
  return have_psapi ? KillProcessByStatus(exe_name) : KillProcessBySnapshot(exe_name);
}

bool RecycleFile(const std::string& path, std::string* why) {
  auto refuse = [&](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  // The source is a list of names ended by an empty one: room for the path's
  // own NUL and the list's. A path that does not fit is refused outright:
  // cut short it would name another file.
  char from[MAX_PATH + 1] = {};
  if (path.empty() || path.size() >= MAX_PATH) return refuse("the path is empty or longer than 259 characters");
  const std::string problem = RecycleBinProblem(path);
  if (!problem.empty()) return refuse(problem);
  std::memcpy(from, path.data(), path.size());
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from;
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
  const int result = SHFileOperationA(&op);
  if (result != 0) return refuse("the shell answered " + std::to_string(result));
  if (op.fAnyOperationsAborted) return refuse("the shell aborted the operation");
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return refuse("the file is still there");
  return true;
}

void ShowLastError() {
  const DWORD code = GetLastError();
  const std::string text = SystemMessage(code);
  // Logged first: an unattended run's log then tells what it waits for.
  std::string line = text;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  WriteLog(LogStamp() + "Error: " + line);
  MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONINFORMATION);
}

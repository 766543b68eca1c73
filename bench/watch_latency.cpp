// Watch mode in the real program: from a file's arrival (written and
// closed in the watched folder) to its job being listed by CUPS, the median
// and the 99th percentile over single files (50, or the first argument) and
// over one burst of files copied in at once (1,000, or the second
// argument); and whether every file of the burst was printed exactly once.
// A benchmark, not a test: it prints figures and asserts nothing.
// Usage: bench_watch_latency.exe QUIREFEED_EXE [SINGLES] [BURST]
//        bench_watch_latency.exe QUIREFEED_EXE --idle TASKS SECONDS
// The second form only starts the program in watch mode with TASKS tasks on
// empty folders and ends it after SECONDS, for bench.sh to measure idle.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/base/fixedtext.h"
#include "clock.h"
#include "engine/ipp.h"
#include "support/folders.h"
#include "support/imagefiles.h"
#include "support/tempdir.h"
#include "tasks/settings/taskfile.h"

namespace {

using bench::Now;

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t at = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(at, v.size() - 1)];
}

// Job names CUPS lists, each with when it was first seen. Completed jobs
// are dropped from the scheduler's history once it holds its limit, so the
// list is read often and remembered here.
class JobWatch {
 public:
  void Poll() {
    std::vector<ipp::Job> jobs;
    if (!cups_.GetJobs("PDF", "all", jobs)) return;
    const double now = Now();
    for (const auto& j : jobs) {
      if (j.id <= after_) continue;
      if (ids_.emplace(j.id, j.name).second) {
        ++count_[j.name];
        first_.emplace(j.name, now);
      }
    }
  }
  void Start() {
    std::vector<ipp::Job> jobs;
    cups_.GetJobs("", "all", jobs);
    for (const auto& j : jobs) after_ = std::max(after_, j.id);
  }
  bool Seen(const std::string& name, double& at) const {
    const auto it = first_.find(name);
    if (it == first_.end()) return false;
    at = it->second;
    return true;
  }
  int Times(const std::string& name) const {
    const auto it = count_.find(name);
    return it == count_.end() ? 0 : it->second;
  }

 private:
  ipp::Client cups_;
  int after_ = 0;
  std::map<int, std::string> ids_;
  std::map<std::string, int> count_;
  std::map<std::string, double> first_;
};

// How many PDF files cups-pdf wrote for the job titled `name`: its file
// names start with the title, with \ and : made _, then "_".
int PdfFilesOf(const std::string& pdf_dir, const std::string& name) {
  std::string title = name;
  for (char& c : title)
    if (c == '\\' || c == ':') c = '_';
  int n = 0;
  WIN32_FIND_DATAA fd{};
  const HANDLE h = FindFirstFileA((pdf_dir + title + "_*.pdf").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do ++n;
  while (FindNextFileA(h, &fd));
  FindClose(h);
  return n;
}

void Report(const char* what, const std::vector<double>& ms) {
  std::printf("%s: %zu files, arrival to job listed: p50 %.0f ms, p99 %.0f ms, max %.0f ms\n", what, ms.size(),
              Percentile(ms, 0.5), Percentile(ms, 0.99), ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: bench_watch_latency QUIREFEED_EXE [SINGLES] [BURST]\n");
    return 2;
  }
  const std::string exe = argv[1];
  const bool idle = argc > 2 && std::string(argv[2]) == "--idle";
  const int singles = idle ? 0 : argc > 2 ? std::max(0, atoi(argv[2])) : 50;
  const int burst = idle ? 0 : argc > 3 ? std::max(0, atoi(argv[3])) : 1000;
  const int idle_tasks = idle && argc > 3 ? std::max(1, atoi(argv[3])) : 1;
  const int idle_seconds = idle && argc > 4 ? std::max(1, atoi(argv[4])) : 100;

  qftest::TempDir watched, source;
  std::vector<std::unique_ptr<qftest::TempDir>> more;
  std::vector<CPrintAction> tasks;
  for (int i = 0; i < idle_tasks; ++i) {
    CPrintAction task;
    if (i > 0) more.push_back(std::make_unique<qftest::TempDir>());
    SetField(task.Data->Folder, i == 0 ? watched.Path() : more.back()->Path());
    SetField(task.Data->FileExt, "*.*");
    SetField(task.Data->PrinterName, "PDF");
    task.Data->Action = kActionRecycle;
    tasks.push_back(task);
  }
  const std::string shared = qftest::ProgramFolder(CSIDL_COMMON_APPDATA);
  CreateDirectoryA(shared.c_str(), nullptr);
  SaveTasks(tasks, shared + "quirefeed.ini");
  HKEY key = nullptr;
  DWORD on = 1;
  RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quirefeed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, "StartUp", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
  RegCloseKey(key);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string cmd = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("could not start %s\n", exe.c_str());
    return 1;
  }
  if (idle) {
    std::printf("watch mode with %d tasks, idle for %d s\n", idle_tasks, idle_seconds);
    Sleep(static_cast<DWORD>(idle_seconds) * 1000);
    TerminateProcess(pi.hProcess, 0);
    return 0;
  }
  Sleep(3000);
  JobWatch jobs;
  jobs.Start();

  const std::string stamp = std::to_string(GetTickCount());
  std::vector<double> single_ms;
  for (int i = 0; i < singles; ++i) {
    const std::string path = watched / ("single" + std::to_string(i) + "-" + stamp + ".png");
    qftest::WritePng(path, 8, 8, {10, 20, 30});
    const double arrived = Now();
    double seen = 0;
    while (!jobs.Seen(path, seen) && Now() - arrived < 60000) {
      jobs.Poll();
      Sleep(10);
    }
    if (seen > 0) single_ms.push_back(seen - arrived);
    // The next file comes once this one has gone, as single files do.
    while (qftest::FileExists(path) && Now() - arrived < 60000) Sleep(20);
  }
  Report("single files", single_ms);

  if (burst > 0) {
    std::vector<std::string> names;
    for (int i = 0; i < burst; ++i) {
      names.push_back("burst" + std::to_string(i) + "-" + stamp + ".png");
      qftest::WritePng(source / names.back(), 8, 8, {10, 20, 30});
    }
    // All of them at once: one move each, as fast as the file system goes.
    std::vector<double> arrived(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      MoveFileA((source / names[i]).c_str(), (watched / names[i]).c_str());
      arrived[i] = Now();
    }
    const double start = arrived.front();
    size_t done = 0;
    // Until every file's job was seen, or no new one came for 30 s.
    double last_new = Now();
    while (done < names.size() && Now() - last_new < 30000) {
      jobs.Poll();
      size_t seen = 0;
      double at = 0;
      for (const auto& n : names) seen += jobs.Seen(watched / n, at) ? 1 : 0;
      if (seen != done) last_new = Now();
      done = seen;
      Sleep(100);
    }
    const double end = Now();
    Sleep(3000);  // cups-pdf writes its files a little after the job ends
    char dir[1024] = {};
    const DWORD n = GetEnvironmentVariableA("QF_PDF_DIR", dir, sizeof dir);
    const std::string pdf_dir = n > 0 && n < sizeof dir ? qftest::WindowsPath(dir) + "\\" : std::string();
    std::vector<double> burst_ms;
    int once = 0, twice = 0, missing = 0, unlisted = 0;
    for (size_t i = 0; i < names.size(); ++i) {
      double at = 0;
      const std::string path = watched / names[i];
      if (jobs.Seen(path, at)) {
        burst_ms.push_back(at - arrived[i]);
      } else {
        ++unlisted;
      }
      // Counted by the scheduler's jobs and by cups-pdf's files, whichever
      // saw more (the scheduler forgets finished jobs past its limit).
      const int times = std::max(jobs.Times(path), pdf_dir.empty() ? 0 : PdfFilesOf(pdf_dir, path));
      if (times == 0) ++missing;
      if (times == 1) ++once;
      if (times > 1) ++twice;
    }
    Report("burst", burst_ms);
    std::printf("burst: %d printed exactly once, %d more than once, %d never (%d jobs not seen in the scheduler's "
                "list); %.1f s in all, %.0f ms a file\n",
                once, twice, missing, unlisted, (end - start) / 1000, (end - start) / std::max(1, burst - missing));
  }
  TerminateProcess(pi.hProcess, 0);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return 0;
}

#include "tasks/watchmode.h"

#include "app/base/log.h"
#include "app/base/registry.h"

namespace {

void Log(const std::string& text) {
  WriteLog(LogStamp() + text);
}

std::string TaskKey(const CPrintAction& task) {
  return LedgerKey(TaskPattern(task)) + "|" + LedgerKey(task.Data->PrinterName);
}

}  // namespace

bool StartUpStored(const WatchStartupPlace& place) {
  CRegistry reg(place.root, KEY_READ);
  return reg.OpenKey(place.key, false) && reg.ValueExists("StartUp") && reg.ReadBool("StartUp", false);
}

void StoreWatchStartup(const WatchStartupPlace& place, bool start_up, int sort, const std::string& program) {
  {
    CRegistry reg(place.root, KEY_ALL_ACCESS);
    if (reg.OpenKey(place.key, true)) {
      reg.WriteBool("StartUp", start_up);
      reg.WriteInteger("Sort", sort);
    }
  }
  CRegistry run(place.root, KEY_ALL_ACCESS);
  if (!run.OpenKey(place.run_key, false)) return;
  if (start_up) {
    run.WriteString("Quirefeed", program);
  } else if (run.ValueExists("Quirefeed")) {
    run.DeleteValue("Quirefeed");
  }
}

std::string ProgramCommand(const std::string& exe) {
  return exe.find(' ') == std::string::npos ? exe : "\"" + exe + "\"";
}

std::string RunningProgramCommand() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return ProgramCommand(std::string(path, n));
}

TWatchMode::TWatchMode(IWatchHost& host, const std::string& journal, UINT monitor_delay_ms)
    : host_(host), delay_ms_(monitor_delay_ms), ledger_(journal) {}

TWatchMode::~TWatchMode() {
  DestroyMonitors();
}

void TWatchMode::CreateMonitors() {
  for (size_t i = 0; i < host_.Tasks().size(); ++i) {
    auto monitor = std::make_unique<TRxFolderMonitor>(
        host_.Tasks()[i].Data->Folder, [this] { OnFolderChange(); }, delay_ms_);
    TRxFolderMonitor& m = *monitor;
    monitors_.push_back(std::move(monitor));
    m.Activate();
  }
}

void TWatchMode::DestroyMonitors() {
  while (!monitors_.empty()) {
    monitors_.back()->Deactivate();
    monitors_.pop_back();
  }
}

void TWatchMode::ActivateMonitors() {
  for (auto& m : monitors_) m->Activate();
}

void TWatchMode::DeactivateMonitors() {
  for (auto& m : monitors_) m->Deactivate();
}

void TWatchMode::OnFolderChange() {
  // Something changed: tasks that wait for their printer are tried again.
  waiting_.clear();
  if (!host_.PassTimerOn()) host_.SetPassTimer(true);
}

void TWatchMode::Timer1Timer() {
  if (host_.PassRunning()) {
    // The running pass waits inside a print: it sweeps once more when it
    // is done, which sees whatever this tick was for.
    again_ = true;
    host_.SetPassTimer(false);
    return;
  }
  Log("File Monitor Active!");
  DeactivateMonitors();
  host_.SetPassTimer(false);
  host_.SetPassRunning(true);
  struct PassEnd {
    IWatchHost& host;
    ~PassEnd() { host.SetPassRunning(false); }
  } pass_end{host_};
  ledger_.ForgetMissing();
  do {
    again_ = false;
    Sweep();
  } while (again_ && host_.InWatchMode());
  if (host_.InWatchMode()) {
    ActivateMonitors();
    // A file that came after its folder's last scan but before its monitor
    // watched again has given no notice: it is looked for now.
    if (AnyDue()) host_.SetPassTimer(true);
    ScheduleRetry();
  } else {
    DestroyMonitors();
    handoff_.Cancel(kRetryId);
  }
  host_.SetPassRunning(false);
  Log("File Monitor Exit!");
}

void TWatchMode::Sweep() {
  while (host_.InWatchMode()) {
    bool found = false;
    // The task list may change during a print (the watch dialog): the
    // count is read before each task, and each task is copied.
    for (size_t i = 0; i < host_.Tasks().size(); ++i) {
      if (SweepTask(i)) found = true;
      if (!host_.InWatchMode()) return;
    }
    if (!found) return;
  }
}

// Drains one task's folder; true when it held files to print.
bool TWatchMode::SweepTask(size_t index) {
  bool found = false;
  while (host_.InWatchMode() && index < host_.Tasks().size()) {
    const CPrintAction task = host_.Tasks()[index];
    if (!HasDueFiles(task)) break;
    found = true;
    host_.CurrentAction() = task;
    if (PrintMulFile(host_, Hooks()) == FolderRunEnd::PrinterNotSet) {
      PrinterNotSet(task);
      break;
    }
  }
  return found;
}

bool TWatchMode::AnyDue() const {
  for (const CPrintAction& task : host_.Tasks()) {
    if (HasDueFiles(task)) return true;
  }
  return false;
}

// The task may print now and its folder holds a file due for printing.
bool TWatchMode::HasDueFiles(const CPrintAction& task) const {
  return !TaskWaiting(task) && FolderHasFiles(TaskPattern(task), DueFilter());
}

bool TWatchMode::TaskWaiting(const CPrintAction& task) const {
  const auto it = waiting_.find(TaskKey(task));
  return it != waiting_.end() && LedgerNow() < it->second.until;
}

void TWatchMode::PrinterNotSet(const CPrintAction& task) {
  TaskWait& w = waiting_[TaskKey(task)];
  const unsigned pause = w.until == 0 ? kPrinterRetryFirstMs : w.pause_ms;
  w.until = LedgerNow() + pause * kLedgerTicksPerMs;
  w.pause_ms = pause * 2 > kPrinterRetryMaxMs ? kPrinterRetryMaxMs : pause * 2;
  Log("Watch task " + TaskPattern(task) + ": printer " + task.Data->PrinterName +
      " could not be set; its files wait for the next change or " + std::to_string(pause / 1000) + " seconds");
}

FileFilter TWatchMode::DueFilter() const {
  const std::uint64_t now = LedgerNow();
  return [this, now](const std::string& path, const FileStamp& stamp) { return ledger_.Due(path, stamp, now); };
}

FolderRunHooks TWatchMode::Hooks() {
  FolderRunHooks hooks;
  hooks.due = DueFilter();
  hooks.before = [this](const std::string& path, const FileStamp& found) {
    found_ = found;
    ledger_.Trying(path, found);
  };
  hooks.after = [this](const std::string& path, const CPrintFile& request) {
    FileStamp now = found_;
    // A path too long for the system's file calls cannot be looked at
    // again: it is taken as still there, with the stamp it was found with.
    if (path.size() < MAX_PATH && !ReadFileStamp(path, now)) {
      ledger_.Forget(path);
    } else if (request.Printed()) {
      ledger_.Printed(path, now);
    } else if (ledger_.Failed(path, now, LedgerNow())) {
      Log("File left until it changes, its print failed " + std::to_string(kMaxPrintAttempts) + " times:\t" + path);
    }
  };
  return hooks;
}

void TWatchMode::ScheduleRetry() {
  const std::uint64_t now = LedgerNow();
  std::uint64_t next = ledger_.NextRetry(now);
  for (const auto& [key, w] : waiting_) {
    if (w.until > now && (next == 0 || w.until < next)) next = w.until;
  }
  handoff_.Cancel(kRetryId);
  if (next == 0) return;
  const std::uint64_t ms = (next - now) / kLedgerTicksPerMs + 1;
  handoff_.After(kRetryId, static_cast<UINT>(ms > 0x7fffffff ? 0x7fffffff : ms), [this] { RetryNow(); });
}

void TWatchMode::RetryNow() {
  if (host_.InWatchMode() && !host_.PassTimerOn()) host_.SetPassTimer(true);
}

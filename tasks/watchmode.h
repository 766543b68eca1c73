#pragma once
// Watch mode: one folder monitor per watch task, and the watch pass that a
// change in any watched folder starts through the host's pass timer. A pass
// prints, task by task, every file of the task's folder that matches its
// pattern with the task's settings, and scans again until a full sweep
// found nothing left to print.
//
// What a pass prints is checked against the print ledger: a file that stays
// in its folder after its print is printed once per arrival, a failed one a
// few times with a pause between, and a task whose printer cannot be
// switched waits for the next change notice or a pause, instead of failing
// again at once.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tasks/foldermonitor.h"
#include "tasks/folderrun.h"
#include "tasks/printledger.h"
#include "tasks/watchhost.h"
#include "winkit/handoff.h"

// Where the start-with-Windows settings live.
struct WatchStartupPlace {
  HKEY root = HKEY_CURRENT_USER;
  std::string key = "SOFTWARE\\Quirefeed";
  std::string run_key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
};

// The check box "Monitor the folder  when windows startup" as stored: the
// value "StartUp" is there and on.
bool StartUpStored(const WatchStartupPlace& place);
// Writes "StartUp" and "Sort" (the key made when missing) and writes or
// removes the Run value "Quirefeed", which starts `program` at log-on.
// Nothing is written where a key cannot be opened.
void StoreWatchStartup(const WatchStartupPlace& place, bool start_up, int sort, const std::string& program);
// The command line that starts the program at `exe`: its path, quoted when
// it holds a space.
std::string ProgramCommand(const std::string& exe);
// The same for this program's own path; "" when the path cannot be read.
std::string RunningProgramCommand();

// The pause before a task whose printer could not be switched is tried
// again without a change notice: doubled after each failure, up to the cap.
constexpr unsigned kPrinterRetryFirstMs = 10000, kPrinterRetryMaxMs = 300000;

class TWatchMode {
 public:
  // `journal`: the print ledger's file ("" keeps it in memory).
  TWatchMode(IWatchHost& host, const std::string& journal, UINT monitor_delay_ms = TRxFolderMonitor::kDefaultDelayMs);
  TWatchMode(const TWatchMode&) = delete;
  TWatchMode& operator=(const TWatchMode&) = delete;
  ~TWatchMode();

  void CreateMonitors();
  void DestroyMonitors();
  void ActivateMonitors();
  void DeactivateMonitors();
  const std::vector<std::unique_ptr<TRxFolderMonitor>>& FolderMonitors() const { return monitors_; }

  // The change handler of every monitor: the pass timer is switched on.
  void OnFolderChange();
  // Timer1Timer: one watch pass. A tick during a pass starts no second
  // one; the running pass sweeps once more instead.
  void Timer1Timer();

  TPrintLedger& Ledger() { return ledger_; }
  // A task is waiting after its printer could not be switched.
  bool TaskWaiting(const CPrintAction& task) const;
  // A retry (of a failed file or a waiting task) is set to start a pass.
  bool RetryPending() const { return handoff_.Waiting(kRetryId); }

 private:
  static constexpr UINT_PTR kRetryId = 1;
  struct TaskWait {
    std::uint64_t until = 0;
    unsigned pause_ms = kPrinterRetryFirstMs;
  };

  void Sweep();
  bool SweepTask(size_t index);
  bool AnyDue() const;
  bool HasDueFiles(const CPrintAction& task) const;
  void PrinterNotSet(const CPrintAction& task);
  void ScheduleRetry();
  void RetryNow();
  FileFilter DueFilter() const;
  FolderRunHooks Hooks();

  IWatchHost& host_;
  UINT delay_ms_;
  std::vector<std::unique_ptr<TRxFolderMonitor>> monitors_;
  TPrintLedger ledger_;
  std::map<std::string, TaskWait> waiting_;  // by task key
  bool again_ = false;                       // a tick came during the pass
  FileStamp found_;                          // of the file being printed
  winkit::THandoff handoff_;
};

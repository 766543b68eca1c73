#include "drivers/jobwait.h"

#include "app/base/log.h"

namespace {

bool watching = false;
DWORD limit_ms = kJobReportLimitMs;

}  // namespace

void SetJobMonitorWatching(bool on) { watching = on; }
bool JobMonitorWatching() { return watching; }

void SetJobReportLimitMs(DWORD ms) { limit_ms = ms ? ms : kJobReportLimitMs; }

bool WaitForJobReport(winkit::TEvent& done, const std::string& path) {
  if (!watching) {
    WriteLog(LogStamp() + "No printer monitor runs: not waiting for the print job of\t" + path);
    return false;
  }
  if (done.WaitFor(limit_ms) == winkit::TEvent::WaitResult::Signaled) return true;
  WriteLog(LogStamp() + "No print job of\t" + path + "\twas reported within " + std::to_string(limit_ms / 1000) +
           " seconds; going on");
  return false;
}

// Job passes from a CUPS queue, for a spooler without change notifications.
//
// Under Wine the spooler's notification calls are stubs and its job list is
// empty, but every job reaches the CUPS queue behind the printer with the
// document name as its job-name. CUPS job ids are one counter for the whole
// scheduler, so the source remembers the highest id at Register and then
// probes each following id in turn; a job too quick to be seen while active
// is still found that way. Jobs of the queue seen active are asked again on
// every poll until they finish.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <set>

#include "app/log.h"
#include "engine/ipp.h"
#include "engine/jobsource.h"
#include "winkit/thread.h"

namespace {

class CupsJobSource : public IJobSource {
 public:
  CupsJobSource(std::string queue, DWORD poll_ms, const std::string& host, int port)
      : queue_(std::move(queue)), poll_ms_(poll_ms), ipp_(host, port) {}

  bool Register() override {
    std::vector<ipp::Job> jobs;
    if (!ipp_.GetJobs("", "all", jobs)) {
      Unreachable();
      return false;
    }
    for (const ipp::Job& j : jobs) {
      next_id_ = std::max(next_id_, j.id + 1);
      if (!j.Finished() && SameQueue(j)) pending_.insert(j.id);
    }
    if (next_id_ == 0) next_id_ = 1;
    return true;
  }

  // One pass per finished job, so that two jobs finishing between two polls
  // are both compared.
  Wait WaitPass(JobNotifyPass& pass) override {
    for (;;) {
      if (woken_) return Wait::Ended;
      if (!ready_.empty()) {
        pass = std::move(ready_.front());
        ready_.pop_front();
        return Wait::Pass;
      }
      if (!Poll()) return Wait::Ended;
      if (ready_.empty()) wake_.WaitFor(poll_ms_);
    }
  }

  void Wake() noexcept override {
    woken_ = true;
    wake_.SetEvent();
  }

 private:
  bool SameQueue(const ipp::Job& j) const { return lstrcmpiA(j.printer.c_str(), queue_.c_str()) == 0; }

  void Unreachable() {
    if (!reported_) WriteLog(LogStamp() + "Print job monitor: " + ipp_.LastError());
    reported_ = true;
  }

  void Report(const ipp::Job& j) {
    const DWORD status = j.state == ipp::kCompleted ? (JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE) : JOB_STATUS_DELETED;
    const DWORD id = static_cast<DWORD>(j.id);
    // A name CUPS keeps to itself must not pass for a match of any document.
    const std::string name = j.name.empty() ? "CUPS job " + std::to_string(j.id) : j.name;
    ready_.push_back({{JOB_NOTIFY_FIELD_DOCUMENT, id, name, 0},
                      {JOB_NOTIFY_FIELD_PRINTER_NAME, id, j.printer, 0},
                      {JOB_NOTIFY_FIELD_STATUS, id, {}, status}});
  }

  // One look at the scheduler; false when it cannot be reached (the source
  // then ends, after one log line).
  bool Poll() {
    bool found = false;
    ipp::Job job;
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (!ipp_.QueryJob(*it, job, found)) return Fail();
      if (!found || job.Finished()) {
        if (found) Report(job);
        it = pending_.erase(it);
      } else {
        ++it;
      }
    }
    for (;;) {
      if (!ipp_.QueryJob(next_id_, job, found)) return Fail();
      if (!found) break;
      ++next_id_;
      if (!SameQueue(job)) continue;
      if (job.Finished()) {
        Report(job);
      } else {
        pending_.insert(job.id);
      }
    }
    failures_ = 0;
    return true;
  }

  // A scheduler restart is survived; one that stays away ends the source.
  bool Fail() {
    Unreachable();
    return ++failures_ < 50;
  }

  std::string queue_;
  DWORD poll_ms_;
  ipp::Client ipp_;
  int next_id_ = 0;
  std::set<int> pending_;
  std::deque<JobNotifyPass> ready_;
  winkit::TEvent wake_;
  std::atomic<bool> woken_{false};
  bool reported_ = false;
  int failures_ = 0;
};

}  // namespace

std::unique_ptr<IJobSource> MakeCupsJobSource(const std::string& queue, DWORD poll_ms, const std::string& host,
                                              int port) {
  return std::make_unique<CupsJobSource>(queue, poll_ms, host, port);
}

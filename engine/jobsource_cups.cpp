// Job passes from a CUPS queue, for a spooler without change notifications.
//
// Under Wine the spooler's notification calls are stubs and its job list is
// empty, but every job reaches the CUPS queue behind the printer with the
// document name as its job-name. The source subscribes to the queue's job
// events (the pull method: Get-Notifications with sequence numbers), so it
// does not depend on the scheduler's job history or on job ids at all. The
// subscription exists once Register returns, before the driver prints.
//
// Jobs seen under way are also asked for directly now and then: a job
// canceled while its queue is stopped ends without an event.
//
// A scheduler that goes away is asked again with growing pauses for a while;
// when it comes back without the subscription (it keeps them over a restart,
// but not always), a new one is made and the jobs seen active before are
// asked for one by one, so that none finished meanwhile is missed.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <set>

#include "app/base/log.h"
#include "engine/ipp.h"
#include "engine/jobsource.h"
#include "winkit/thread.h"

namespace {

constexpr int kLeaseSeconds = 300;
constexpr DWORD kRenewEveryMs = 120000;
constexpr DWORD kGiveUpAfterMs = 60000;
constexpr DWORD kFirstPauseMs = 100, kLongestPauseMs = 2000;
constexpr DWORD kRecheckEveryMs = 1000;
// A finished job that Get-Job-Attributes no longer finds: the history was
// purged before we saw its end.
constexpr int kFinishedUnseen = -1;

std::string StateName(int state) {
  switch (state) {
    case ipp::kCanceled:
      return "canceled";
    case ipp::kAborted:
      return "aborted";
    case ipp::kCompleted:
      return "completed";
    default:
      return "in state " + std::to_string(state);
  }
}

class CupsJobSource : public IJobSource {
 public:
  CupsJobSource(std::string queue, DWORD poll_ms, const std::string& host, int port)
      : queue_(std::move(queue)), poll_ms_(poll_ms), ipp_(host, port) {}

  ~CupsJobSource() override {
    if (subscription_ <= 0) return;
    // A short last call, also after Wake: a forgotten subscription would
    // only end with its lease.
    ipp_.Resume();
    ipp_.SetDeadline(300);
    ipp_.CancelSubscription(queue_, subscription_);
  }

  bool Register() override {
    if (woken_) return false;
    if (!Subscribe()) {
      WriteLog(LogStamp() + "Print job monitor: " + ipp_.LastError());
      return false;
    }
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
      const DWORD pause = Poll();
      if (pause == kStop) return Wait::Ended;
      if (ready_.empty()) wake_.WaitFor(pause);
    }
  }

  void Wake() noexcept override {
    woken_ = true;
    ipp_.Cancel();
    wake_.SetEvent();
  }

 private:
  static constexpr DWORD kStop = 0xFFFFFFFF;

  bool Subscribe() {
    int id = 0;
    if (!ipp_.CreateSubscription(queue_, kLeaseSeconds, id)) return false;
    subscription_ = id;
    next_sequence_ = 1;
    renewed_ = GetTickCount();
    return true;
  }

  void Report(int job_id, int state, const std::string& job_name) {
    if (!reported_.insert(job_id).second) return;
    active_.erase(job_id);
    const DWORD id = static_cast<DWORD>(job_id);
    // A name CUPS keeps to itself must not pass for a match of any document.
    const std::string name = job_name.empty() ? "CUPS job " + std::to_string(job_id) : job_name;
    if (state != ipp::kCompleted) {
      // Still the end of the job for the driver, but the log says how.
      WriteLog(LogStamp() + "Print job monitor: CUPS job " + std::to_string(job_id) + " (" + name + ") on " + queue_ +
               " ended " + (state == kFinishedUnseen ? "unseen, its history was purged" : StateName(state)));
    }
    const DWORD status = state == ipp::kCompleted ? (JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE) : JOB_STATUS_DELETED;
    ready_.push_back({{JOB_NOTIFY_FIELD_DOCUMENT, id, name, 0},
                      {JOB_NOTIFY_FIELD_PRINTER_NAME, id, queue_, 0},
                      {JOB_NOTIFY_FIELD_STATUS, id, {}, status}});
  }

  void Handle(const ipp::Event& e) {
    next_sequence_ = std::max(next_sequence_, e.sequence + 1);
    if (e.job_id <= 0) return;
    names_[e.job_id] = e.job_name.empty() ? names_[e.job_id] : e.job_name;
    if (e.job_state >= ipp::kCanceled || e.event == "job-completed") {
      Report(e.job_id, e.job_state >= ipp::kCanceled ? e.job_state : ipp::kCompleted, names_[e.job_id]);
      names_.erase(e.job_id);
    } else if (!reported_.count(e.job_id)) {
      active_.insert(e.job_id);
    }
  }

  // Jobs seen active whose events may have been lost: asked for directly.
  bool CatchUp() {
    const std::set<int> jobs = active_;
    for (int id : jobs) {
      ipp::Job job;
      bool found = false;
      if (!ipp_.QueryJob(id, job, found)) return false;
      if (!found) {
        Report(id, kFinishedUnseen, names_[id]);
      } else if (job.Finished()) {
        Report(id, job.state, job.name);
      }
    }
    return true;
  }

  // One look at the scheduler; the pause before the next, or kStop.
  DWORD Poll() {
    bool ok = true, gone = false;
    if (GetTickCount() - renewed_ > kRenewEveryMs) {
      ok = ipp_.RenewSubscription(queue_, subscription_, kLeaseSeconds, gone);
      if (ok) renewed_ = GetTickCount();
    }
    std::vector<ipp::Event> events;
    if (ok) ok = ipp_.GetNotifications(queue_, subscription_, next_sequence_, events, gone);
    if (!ok && gone) {
      // The scheduler lost the subscription (a restart): a new one, and the
      // jobs that were under way are asked for.
      ok = Subscribe() && CatchUp();
    } else if (ok) {
      const bool lost = !events.empty() && events.front().sequence > next_sequence_;
      for (const ipp::Event& e : events) Handle(e);
      if (lost || (!active_.empty() && GetTickCount() - rechecked_ > kRecheckEveryMs)) {
        ok = CatchUp();
        rechecked_ = GetTickCount();
      }
    }
    if (ok) {
      failing_since_ = 0;
      pause_ = kFirstPauseMs;
      return poll_ms_;
    }
    if (woken_) return kStop;
    const DWORD now = GetTickCount();
    if (failing_since_ == 0) failing_since_ = now;
    if (now - failing_since_ > kGiveUpAfterMs) {
      WriteLog(LogStamp() + "Print job monitor: the scheduler stayed away for " +
               std::to_string(kGiveUpAfterMs / 1000) + " seconds, the jobs of " + queue_ +
               " are no longer watched: " + ipp_.LastError());
      return kStop;
    }
    const DWORD pause = pause_;
    pause_ = std::min(pause_ * 2, kLongestPauseMs);
    return pause;
  }

  std::string queue_;
  DWORD poll_ms_;
  ipp::Client ipp_;
  int subscription_ = 0;
  int next_sequence_ = 1;
  DWORD renewed_ = 0;
  DWORD rechecked_ = 0;
  DWORD failing_since_ = 0;
  DWORD pause_ = kFirstPauseMs;
  std::set<int> active_, reported_;
  std::map<int, std::string> names_;
  std::deque<JobNotifyPass> ready_;
  winkit::TEvent wake_;
  std::atomic<bool> woken_{false};
};

}  // namespace

std::unique_ptr<IJobSource> MakeCupsJobSource(const std::string& queue, DWORD poll_ms, const std::string& host,
                                              int port) {
  return std::make_unique<CupsJobSource>(queue, poll_ms, host, port);
}

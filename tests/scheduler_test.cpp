// The print-job monitor against a real scheduler when the scheduler itself
// changes under it: its job history purged, a restart in the middle of a
// print, a job canceled. The scheduler is this program's own (scripts/
// own-cups.sh), in namespaces of its own: no other test sees what these do
// to it, and the machine's scheduler is never touched.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include "app/base/log.h"
#include "engine/ipp.h"
#include "engine/printernotify.h"
#include "support/cupsjobs.h"
#include "support/fakeipp.h"
#include "support/gdiprint.h"
#include "support/tempdir.h"
#include "support/waitfor.h"
#include "support/watching.h"

namespace {

constexpr const char* kHeldQueue = "Quirefeed_Held";  // disabled: its jobs wait

class SchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qftest::HasOwnScheduler()) << "these tests stop, restart and purge a scheduler: they run only beside "
                                              "one of their own (scripts/wine-run with QF_OWN_SCHEDULER=1)";
    ASSERT_TRUE(qftest::OwnScheduler("running"));
    LogFileName = dir_ / "Quirefeed.log";
    printer_ = qftest::DefaultPrinterName();
    ASSERT_EQ(printer_, "PDF");
    unique_ = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  }
  // Whatever happened, the next test of this program finds its scheduler
  // running.
  void TearDown() override {
    if (qftest::HasOwnScheduler()) {
      EXPECT_TRUE(qftest::OwnScheduler("start"));
    }
  }

  winkit::ThreadOwner<TPrinterNotifier> Start(const std::string& printer, const std::string& expected) {
    return qftest::StartWatching(printer, expected, done_);
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }
  // The one job of this name, once the scheduler lists it (and, with
  // `finished`, once it has ended).
  ::testing::AssertionResult OwnJob(const std::string& name, bool finished, ipp::Job& job) {
    return qftest::WaitFor(
        [&] {
          const auto jobs = qftest::JobsAfter(0, name);
          if (jobs.size() != 1 || (finished && !jobs[0].Finished())) return false;
          job = jobs[0];
          return true;
        },
        "the job \"" + name + "\"");
  }

  qftest::TempDir dir_;
  std::string printer_, unique_;
  winkit::TEvent done_;
};

// With the history gone, nothing is known of earlier job ids; the next job's
// id still counts on from theirs.
TEST_F(SchedulerTest, JobAfterTheHistoryWasPurgedSetsTheEvent) {
  const std::string before = "Before the purge " + unique_;
  ASSERT_TRUE(qftest::PrintTestPage(printer_, before));
  ipp::Job purged;
  ASSERT_TRUE(OwnJob(before, true, purged));
  ASSERT_TRUE(qftest::OwnScheduler("purge"));
  ipp::Client cups;
  std::vector<ipp::Job> jobs;
  ASSERT_TRUE(cups.GetJobs("", "all", jobs)) << cups.LastError();
  EXPECT_TRUE(jobs.empty()) << jobs.size() << " jobs are still known";

  const std::string doc = "After the purge " + unique_;
  auto monitor = Start(printer_, doc);
  ASSERT_TRUE(qftest::PrintTestPage(printer_, doc));
  EXPECT_EQ(done_.WaitFor(120000), winkit::TEvent::WaitResult::Signaled) << Log();
  ipp::Job after;
  ASSERT_TRUE(OwnJob(doc, false, after));
  EXPECT_GT(after.id, purged.id);
}

// The scheduler stops and comes back while a document waits for its job.
TEST_F(SchedulerTest, RestartDuringAPrintIsSurvived) {
  const std::string doc = "Across a restart " + unique_;
  auto monitor = Start(printer_, doc);
  ASSERT_TRUE(qftest::OwnScheduler("stop"));
  {
    // Where the scheduler was, every call of the monitor is now hung up
    // on: two of them prove it went on asking while nobody was there.
    qftest::FakeScheduler gone(qftest::FakeScheduler::Mode::HangUp, 631);
    ASSERT_EQ(gone.Port(), 631);
    ASSERT_TRUE(qftest::WaitFor([&] { return gone.Accepted() >= 2; }, "the monitor's calls to a scheduler gone"));
  }
  ASSERT_TRUE(qftest::OwnScheduler("start"));
  ASSERT_TRUE(qftest::PrintTestPage(printer_, doc));
  EXPECT_EQ(done_.WaitFor(120000), winkit::TEvent::WaitResult::Signaled) << Log();
  EXPECT_EQ(Log().find("no longer watched"), std::string::npos) << Log();
}

// A canceled job still ends the wait, and the log says how it ended.
TEST_F(SchedulerTest, CanceledJobEndsTheWaitAndIsLoggedWithItsState) {
  const std::string doc = "Canceled " + unique_;
  auto monitor = Start(kHeldQueue, doc);
  ASSERT_TRUE(qftest::PrintTestPage(kHeldQueue, doc));
  ipp::Job held;
  ASSERT_TRUE(OwnJob(doc, false, held));
  EXPECT_EQ(held.printer, kHeldQueue);
  EXPECT_EQ(held.state, ipp::kPending) << "the held job cannot have printed";
  EXPECT_FALSE(done_.IsSet()) << "the held job cannot have printed";
  ASSERT_TRUE(qftest::OwnScheduler(std::string("cancel ") + kHeldQueue));
  EXPECT_EQ(done_.WaitFor(30000), winkit::TEvent::WaitResult::Signaled) << Log();
  const std::string line = "(" + doc + ") on " + kHeldQueue + " ended canceled";
  EXPECT_TRUE(qftest::WaitFor([&] { return Log().find(line) != std::string::npos; }, "the log line")) << Log();
}

}  // namespace

// The print-job monitor against the real scheduler when the scheduler itself
// changes under it: its job history purged, a restart in the middle of a
// print, a job canceled. These tests change what every other test sees of
// CUPS, so they run alone.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include "app/base/log.h"
#include "engine/ipp.h"
#include "engine/printernotify.h"
#include "support/cupsjobs.h"
#include "support/gdiprint.h"
#include "support/tempdir.h"
#include "support/watching.h"

namespace {

constexpr const char* kHeldQueue = "Quirefeed_Held";  // disabled: its jobs wait
constexpr const char* kSchedulerUp = "lpstat -r | grep -q 'is running'";

bool StartScheduler() {
  return qftest::RunLinux(std::string(kSchedulerUp) + " || cupsd; for i in $(seq 100); do " + kSchedulerUp +
                          " && exit 0; sleep 0.1; done; exit 1") == 0;
}

bool StopScheduler() {
  return qftest::RunLinux(
             "for p in /proc/[0-9]*; do [ \"$(cat $p/comm 2>/dev/null)\" = cupsd ] && kill ${p#/proc/}; done; "
             "for i in $(seq 100); do " +
             std::string(kSchedulerUp) + " || exit 0; sleep 0.1; done; exit 1") == 0;
}

class SchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    printer_ = qftest::DefaultPrinterName();
    ASSERT_FALSE(printer_.empty());
    ASSERT_TRUE(StartScheduler());
    unique_ = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  }
  // Whatever happened, the other tests find the scheduler running.
  void TearDown() override { EXPECT_TRUE(StartScheduler()); }

  winkit::ThreadOwner<TPrinterNotifier> Start(const std::string& printer, const std::string& expected) {
    return qftest::StartWatching(printer, expected, done_);
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }

  qftest::TempDir dir_;
  std::string printer_, unique_;
  winkit::TEvent done_;
};

// With the history gone, nothing is known of earlier job ids; the next job
// still has an id far above 1.
TEST_F(SchedulerTest, JobAfterTheHistoryWasPurgedSetsTheEvent) {
  ASSERT_TRUE(qftest::PrintTestPage(printer_, "Before the purge " + unique_));
  Sleep(1000);
  ASSERT_EQ(qftest::RunLinux("cancel -a -x"), 0);
  ipp::Client cups;
  std::vector<ipp::Job> jobs;
  ASSERT_TRUE(cups.GetJobs("", "all", jobs)) << cups.LastError();
  EXPECT_TRUE(jobs.empty()) << jobs.size() << " jobs are still known";

  const std::string doc = "After the purge " + unique_;
  auto monitor = Start(printer_, doc);
  ASSERT_TRUE(qftest::PrintTestPage(printer_, doc));
  EXPECT_EQ(done_.WaitFor(120000), winkit::TEvent::WaitResult::Signaled) << Log();
}

// The scheduler stops and comes back while a document waits for its job.
TEST_F(SchedulerTest, RestartDuringAPrintIsSurvived) {
  const std::string doc = "Across a restart " + unique_;
  auto monitor = Start(printer_, doc);
  ASSERT_TRUE(StopScheduler());
  Sleep(1500);  // the monitor finds nobody there for a while
  ASSERT_TRUE(StartScheduler());
  ASSERT_TRUE(qftest::PrintTestPage(printer_, doc));
  EXPECT_EQ(done_.WaitFor(120000), winkit::TEvent::WaitResult::Signaled) << Log();
  EXPECT_EQ(Log().find("no longer watched"), std::string::npos) << Log();
}

// A canceled job still ends the wait, and the log says how it ended.
TEST_F(SchedulerTest, CanceledJobEndsTheWaitAndIsLoggedWithItsState) {
  const std::string doc = "Canceled " + unique_;
  auto monitor = Start(kHeldQueue, doc);
  ASSERT_TRUE(qftest::PrintTestPage(kHeldQueue, doc));
  Sleep(1500);
  EXPECT_FALSE(done_.IsSet()) << "the held job cannot have printed";
  ASSERT_EQ(qftest::RunLinux(std::string("cancel -a ") + kHeldQueue), 0);
  EXPECT_EQ(done_.WaitFor(30000), winkit::TEvent::WaitResult::Signaled) << Log();
  for (int i = 0; i < 50 && Log().find("ended canceled") == std::string::npos; ++i) Sleep(100);
  EXPECT_NE(Log().find("(" + doc + ") on " + kHeldQueue + " ended canceled"), std::string::npos) << Log();
}

}  // namespace

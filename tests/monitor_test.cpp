#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <deque>
#include <mutex>

#include "app/log.h"
#include "engine/ipp.h"
#include "engine/printernotify.h"
#include "support/gdiprint.h"
#include "support/tempdir.h"

namespace {

struct MatchCase {
  const char* printed;
  const char* expected;
  bool match;
};

TEST(DocumentNameMatch, Rules) {
  const MatchCase cases[] = {
      {"Microsoft Word - Report.doc", "Report.doc", true},
      {"Report.doc", "Report.doc", true},
      {"Microsoft Word - Quarterly...2010.doc", "Quarterly figures 2010.doc", true},
      {"Quarterly figures...", "Quarterly figures 2010.doc", true},
      {"report.doc", "Report.doc", true},  // no "...": all but the first two characters end x
      {"Report.DOC", "Report.doc", false},
      {"Other.doc", "Report.doc", false},
      {"Microsoft Word -Report.doc", "Report.doc", false},
      {"Annual...2011.doc", "Quarterly figures 2010.doc", false},
      {"", "Report.doc", true},  // an empty name leaves nothing to differ
  };
  for (const auto& c : cases) EXPECT_EQ(DocumentNameMatches(c.printed, c.expected), c.match) << c.printed;
}

// Passes handed to the monitor by the test.
class ScriptedSource : public IJobSource {
 public:
  bool Register() override { return registered_ok; }
  Wait WaitPass(JobNotifyPass& pass) override {
    ++waits;  // the monitor is done with the pass before this one
    for (;;) {
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (woken_) return Wait::Ended;
        if (!passes_.empty()) {
          pass = passes_.front();
          passes_.pop_front();
          ++taken;
          return Wait::Pass;
        }
      }
      ready_.WaitFor(INFINITE);
      ready_.ResetEvent();
    }
  }
  void Wake() noexcept override {
    std::lock_guard<std::mutex> hold(lock_);
    woken_ = true;
    ready_.SetEvent();
  }
  void Push(JobNotifyPass pass) {
    std::lock_guard<std::mutex> hold(lock_);
    passes_.push_back(std::move(pass));
    ready_.SetEvent();
  }
  bool registered_ok = true;
  std::atomic<int> taken{0};
  std::atomic<int> waits{0};

 private:
  std::mutex lock_;
  std::deque<JobNotifyPass> passes_;
  winkit::TEvent ready_;
  bool woken_ = false;
};

JobNotifyItem Document(const char* name) {
  return {JOB_NOTIFY_FIELD_DOCUMENT, 7, name, 0};
}
JobNotifyItem Status(DWORD s) {
  return {JOB_NOTIFY_FIELD_STATUS, 7, {}, s};
}
JobNotifyItem Pages(DWORD n) {
  return {JOB_NOTIFY_FIELD_TOTAL_PAGES, 7, {}, n};
}

class MonitorPassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    auto src = std::make_unique<ScriptedSource>();
    source_ = src.get();
    monitor_ = std::make_unique<TPrinterNotifier>("PDF", nullptr, std::move(src));
    monitor_->SetExpectedDocument("Report.doc");
    monitor_->SetCompletionEvent(&done_);
    monitor_->Resume();
  }
  // Hands a pass over and waits until the monitor is done with it.
  void Feed(JobNotifyPass pass) {
    // After k passes the monitor has asked k + 1 times: once at the start,
    // then once after each pass it has handled.
    const int handled = source_->taken + 1;
    source_->Push(std::move(pass));
    for (int i = 0; i < 2000 && source_->waits < handled + 1; ++i) Sleep(5);
    ASSERT_GE(source_->waits, handled + 1) << "the monitor did not finish the pass";
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }

  qftest::TempDir dir_;
  winkit::TEvent done_;
  ScriptedSource* source_ = nullptr;
  std::unique_ptr<TPrinterNotifier> monitor_;
};

TEST_F(MonitorPassTest, PassWithoutStatusComparesNothing) {
  Feed({Document("Other.doc"), Pages(3)});
  EXPECT_FALSE(done_.IsSet());
  EXPECT_EQ(Log(), "") << "nothing was compared, so nothing is warned";
  EXPECT_EQ(monitor_->JobStatus(), 0u);
}

TEST_F(MonitorPassTest, StatusWithoutDocumentComparesTheNameKeptFromBefore) {
  Feed({Document("Microsoft Word - Report.doc"), Pages(2)});
  EXPECT_FALSE(done_.IsSet());
  Feed({Status(JOB_STATUS_PRINTED)});
  EXPECT_TRUE(done_.IsSet());
}

TEST_F(MonitorPassTest, StatusIsResetForEveryPass) {
  Feed({Document("Other.doc"), Status(JOB_STATUS_SPOOLING)});
  Feed({Pages(1)});
  EXPECT_EQ(monitor_->JobStatus(), 0u);
  EXPECT_EQ(Log(), "");
}

TEST_F(MonitorPassTest, WrongNameWarnsTwiceAndKeepsWatching) {
  Feed({Document("Report.DOC"), Status(JOB_STATUS_COMPLETE)});
  EXPECT_FALSE(done_.IsSet());
  const std::string log = Log();
  EXPECT_NE(log.find("\tWarning! Current Document:Report.doc\tPrinted Document:Report.DOC\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("\tPlease email this file to support@quirefeed.example.org if you encounter problem!\r\n"),
            std::string::npos)
      << log;
  Feed({Document("Report.doc"), Status(JOB_STATUS_DELETED)});
  EXPECT_TRUE(done_.IsSet()) << "a later job of the right name still counts";
}

TEST(Monitor, FailedRegistrationEndsTheThread) {
  auto src = std::make_unique<ScriptedSource>();
  src->registered_ok = false;
  TPrinterNotifier monitor("PDF", nullptr, std::move(src));
  monitor.Resume();
  EXPECT_TRUE(monitor.WaitFor(2000));
}

// With the real CUPS "PDF" queue behind the default printer.
class MonitorCupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    printer_ = qftest::DefaultPrinterName();
    ASSERT_FALSE(printer_.empty());
    unique_ = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  }
  std::unique_ptr<TPrinterNotifier> Start(const std::string& expected) {
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterA(const_cast<char*>(printer_.c_str()), &h, nullptr));
    auto m = std::make_unique<TPrinterNotifier>(printer_, h);
    m->SetExpectedDocument(expected);
    m->SetCompletionEvent(&done_);
    m->Resume();
    Sleep(300);  // let it register before the job exists
    return m;
  }
  qftest::TempDir dir_;
  std::string printer_, unique_;
  winkit::TEvent done_;
};

TEST_F(MonitorCupsTest, JobOfTheExpectedDocumentSetsTheEvent) {
  // Not "*.doc": CUPS types a job by its name, finds no filter for a Word
  // document and holds the job.
  const std::string doc = "Report " + unique_;
  auto monitor = Start(doc);
  std::string error;
  ASSERT_TRUE(qftest::PrintTestPage(printer_, doc, &error)) << error;
  EXPECT_EQ(done_.WaitFor(150000), winkit::TEvent::WaitResult::Signaled) << qftest::ReadFileBytes(LogFileName);
}

TEST_F(MonitorCupsTest, JobOfAnotherNameWarnsAndLeavesTheEventUnset) {
  const std::string expected = "Expected " + unique_;
  const std::string other = "Different " + unique_;
  auto monitor = Start(expected);
  ASSERT_TRUE(qftest::PrintTestPage(printer_, other));
  // Other tests' jobs on the same queue warn too: wait for this job's line.
  const std::string warning = "Warning! Current Document:" + expected + "\tPrinted Document:" + other;
  // The two lines are written one after the other: wait for the second.
  auto both = [&](const std::string& log) {
    const size_t at = log.find(warning);
    return at != std::string::npos && log.find("Please email this file to", at) != std::string::npos;
  };
  std::string log;
  for (int i = 0; i < 1500 && !both(log); ++i, Sleep(100)) log = qftest::ReadFileBytes(LogFileName);
  EXPECT_TRUE(both(log)) << log;
  EXPECT_FALSE(done_.IsSet());
}

TEST_F(MonitorCupsTest, DestroyingAWaitingMonitorReturnsPromptly) {
  auto monitor = Start("Never printed " + unique_);
  Sleep(500);
  const DWORD start = GetTickCount();
  monitor.reset();
  EXPECT_LT(GetTickCount() - start, 500u);
}

TEST(MonitorCups, UnreachableSchedulerIsLoggedOnce) {
  qftest::TempDir dir;
  LogFileName = dir / "Quirefeed.log";
  auto source = MakeCupsJobSource("PDF", 20, "127.0.0.1", 9);  // nothing listens on the discard port
  EXPECT_FALSE(source->Register());
  const std::string log = qftest::ReadFileBytes(LogFileName);
  EXPECT_NE(log.find("Print job monitor: CUPS at 127.0.0.1:9 cannot be reached"), std::string::npos) << log;
}

}  // namespace

namespace {

// The scheduler's whole job history in one answer (hundreds of jobs).
TEST(IppClient, ListsTheJobsOfEveryQueue) {
  ipp::Client cups;
  std::vector<ipp::Job> jobs;
  ASSERT_TRUE(cups.GetJobs("", "all", jobs)) << cups.LastError();
  ASSERT_FALSE(jobs.empty());
  for (const auto& j : jobs) {
    EXPECT_GT(j.id, 0);
    EXPECT_GE(j.state, ipp::kPending);
    EXPECT_FALSE(j.printer.empty());
  }
  ipp::Job last;
  bool found = false;
  ASSERT_TRUE(cups.QueryJob(jobs.back().id, last, found)) << cups.LastError();
  EXPECT_TRUE(found);
  EXPECT_EQ(last.name, jobs.back().name);
  ASSERT_TRUE(cups.QueryJob(jobs.back().id + 100000, last, found));
  EXPECT_FALSE(found);
}

}  // namespace

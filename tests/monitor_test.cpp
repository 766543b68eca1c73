#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <deque>
#include <mutex>

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

// Prompt: far less than one request's deadline, so a destroy that returns
// within it cancelled the call in flight rather than waited it out; yet far
// more than a busy machine needs to end a thread.
constexpr DWORD kPromptMs = ipp::kRequestDeadlineMs / 2;

// How often `line` occurs in `text`.
size_t Count(const std::string& text, const std::string& line) {
  size_t n = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + line.size())) ++n;
  return n;
}

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
    monitor_ = winkit::ThreadOwner<TPrinterNotifier>::Make("PDF", nullptr, std::move(src));
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
    ASSERT_TRUE(qftest::WaitFor([&] { return source_->waits >= handled + 1; }, "the monitor to finish the pass"));
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }

  qftest::TempDir dir_;
  winkit::TEvent done_;
  ScriptedSource* source_ = nullptr;
  winkit::ThreadOwner<TPrinterNotifier> monitor_;
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
  auto monitor = winkit::ThreadOwner<TPrinterNotifier>::Make("PDF", nullptr, std::move(src));
  monitor->Resume();
  EXPECT_TRUE(monitor->WaitFor(2000));
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
  winkit::ThreadOwner<TPrinterNotifier> Start(const std::string& expected) {
    return qftest::StartWatching(printer_, expected, done_);
  }
  qftest::TempDir dir_;
  std::string printer_, unique_;
  winkit::TEvent done_;
};

// The job is printed the moment the monitor says it watches: a job that
// finishes at once is still seen.
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
  EXPECT_TRUE(qftest::WaitFor([&] { return both(qftest::ReadFileBytes(LogFileName)); }, "the warning", 150000))
      << qftest::ReadFileBytes(LogFileName);
  EXPECT_FALSE(done_.IsSet());
}

TEST_F(MonitorCupsTest, DestroyingAWaitingMonitorReturnsPromptly) {
  auto monitor = Start("Never printed " + unique_);
  // Waiting for good: it has handled a job of another name and gone back
  // to its polls.
  const std::string other = "Not awaited " + unique_;
  ASSERT_TRUE(qftest::PrintTestPage(printer_, other));
  const std::string warned = "Printed Document:" + other;
  ASSERT_TRUE(qftest::WaitFor([&] { return qftest::ReadFileBytes(LogFileName).find(warned) != std::string::npos; },
                              "the monitor to handle the other job", 150000));
  const DWORD start = GetTickCount();
  monitor.reset();
  EXPECT_LT(GetTickCount() - start, kPromptMs);
}

// A scheduler that cannot be reached is said so in the log once: by the
// registration, and over a whole monitor's life.
TEST(MonitorCups, UnreachableSchedulerIsLoggedOnce) {
  const std::string line = "Print job monitor: CUPS at 127.0.0.1:9 cannot be reached";
  {
    qftest::TempDir dir;
    LogFileName = dir / "Quirefeed.log";
    auto source = MakeCupsJobSource("PDF", 20, "127.0.0.1", 9);  // nothing listens on the discard port
    EXPECT_FALSE(source->Register());
    const std::string log = qftest::ReadFileBytes(LogFileName);
    EXPECT_EQ(Count(log, line), 1u) << log;
  }
  qftest::TempDir dir;
  LogFileName = dir / "Quirefeed.log";
  auto monitor =
      winkit::ThreadOwner<TPrinterNotifier>::Make("PDF", nullptr, MakeCupsJobSource("PDF", 20, "127.0.0.1", 9));
  monitor->Resume();
  ASSERT_TRUE(qftest::WaitFor([&] { return monitor->Finished(); }, "the monitor's thread to end"));
  EXPECT_FALSE(monitor->Watching());
  const std::string log = qftest::ReadFileBytes(LogFileName);
  EXPECT_EQ(Count(log, line), 1u) << log;
}

}  // namespace

namespace {

// A job of this test's own, found by its name in the queue's list and then
// asked for by its id.
TEST(IppClient, ListsAndFindsAJobOfItsOwn) {
  const std::string printer = qftest::DefaultPrinterName();
  const std::string doc = "Listed " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  ASSERT_TRUE(qftest::PrintTestPage(printer, doc));
  ipp::Client cups;
  ipp::Job mine;
  bool listed = false;
  ASSERT_TRUE(qftest::WaitFor(
      [&] {
        std::vector<ipp::Job> jobs;
        if (!cups.GetJobs("", "all", jobs)) return false;
        for (const auto& j : jobs)
          if (j.name == doc) mine = j, listed = true;
        return listed;
      },
      "the job in the list"))
      << cups.LastError();
  EXPECT_GT(mine.id, 0);
  EXPECT_GE(mine.state, ipp::kPending);
  EXPECT_FALSE(mine.printer.empty());
  ipp::Job asked;
  bool found = false;
  ASSERT_TRUE(cups.QueryJob(mine.id, asked, found)) << cups.LastError();
  EXPECT_TRUE(found);
  EXPECT_EQ(asked.name, doc);
  EXPECT_EQ(asked.printer, mine.printer);
  ASSERT_TRUE(cups.QueryJob(mine.id + 100000, asked, found));
  EXPECT_FALSE(found);
}

// Replies cut short, or without their end tag, are failures, never a
// half-read list.
TEST(IppDecode, DamagedRepliesFail) {
  const std::vector<std::uint8_t> ok = {2, 0, 0, 0, 0, 0, 0, 1, 0x01, 0x03};
  ipp::Reply r;
  EXPECT_TRUE(ipp::Decode(ok, r));
  EXPECT_EQ(r.status, 0);
  const std::vector<std::vector<std::uint8_t>> bad = {
      {},
      {2, 0, 0, 0, 0, 0, 0, 1},
      {2, 0, 0, 0, 0, 0, 0, 1, 0x01},                          // no end tag
      {2, 0, 0, 0, 0, 0, 0, 1, 0x02, 0x21, 0, 6, 'j', 'o'},    // a name cut short
      {2, 0, 0, 0, 0, 0, 0, 1, 0x02, 0x21, 0, 0, 0xFF, 0xFF},  // a value longer than the reply
  };
  for (const auto& b : bad) EXPECT_FALSE(ipp::Decode(b, r)) << b.size() << " bytes";
}

// Every cut of a whole message lacks its end tag; random damage never reads
// past the bytes given (a crash here would end the test program).
TEST(IppDecode, CutOrScrambledMessagesNeverReadPastTheirBytes) {
  const std::vector<std::uint8_t> whole = ipp::EncodeCreateSubscription(7, "ipp://localhost/printers/PDF", 300);
  ipp::Reply r;
  ASSERT_TRUE(ipp::Decode(whole, r));
  for (size_t n = 0; n < whole.size(); ++n) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_FALSE(ipp::Decode(cut, r)) << "cut at " << n;
  }
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  int decoded = 0;
  for (int i = 0; i < 20000; ++i) {
    std::vector<std::uint8_t> b = whole;
    for (unsigned k = 0, flips = 1 + next() % 8; k < flips; ++k)
      b[next() % b.size()] = static_cast<std::uint8_t>(next());
    if (next() % 4 == 0) b.resize(next() % b.size());
    if (ipp::Decode(b, r)) {
      ++decoded;
      EXPECT_EQ(r.status, (b[2] << 8) | b[3]);
    }
  }
  EXPECT_GT(decoded, 0) << "some damage leaves a message that still reads";
}

// Schedulers that accept and then misbehave: every call fails within its
// deadline, and a monitor blocked in one is destroyed at once.
TEST(MonitorCups, MisbehavingSchedulersGiveBoundedFailures) {
  using Mode = qftest::FakeScheduler::Mode;
  for (Mode mode : {Mode::Silent, Mode::Trickle, Mode::NoEndTag}) {
    qftest::TempDir dir;
    LogFileName = dir / "Quirefeed.log";
    qftest::FakeScheduler fake(mode);
    ASSERT_NE(fake.Port(), 0);
    auto source = MakeCupsJobSource("PDF", 20, "127.0.0.1", fake.Port());
    const DWORD start = GetTickCount();
    EXPECT_FALSE(source->Register()) << static_cast<int>(mode);
    const DWORD took = GetTickCount() - start;
    // One call, ended by its deadline; the bound leaves a busy machine
    // room and breaks only when the call far outlives its deadline.
    EXPECT_LT(took, 2 * ipp::kRequestDeadlineMs) << static_cast<int>(mode);
    EXPECT_NE(qftest::ReadFileBytes(LogFileName).find("Print job monitor: "), std::string::npos);

    const int calls = fake.Accepted();
    auto monitor = winkit::ThreadOwner<TPrinterNotifier>::Make("PDF", nullptr,
                                                               MakeCupsJobSource("PDF", 20, "127.0.0.1", fake.Port()));
    monitor->Resume();
    ASSERT_TRUE(qftest::WaitFor([&] { return fake.Accepted() > calls; }, "the monitor's first call"))
        << static_cast<int>(mode);
    if (mode != Mode::NoEndTag) {
      EXPECT_FALSE(monitor->Finished()) << "inside its first call, which lasts until its deadline";
    } else {
      EXPECT_TRUE(qftest::WaitFor([&] { return monitor->Finished(); }, "the end after a damaged reply"));
    }
    const DWORD destroy = GetTickCount();
    monitor.reset();
    EXPECT_LT(GetTickCount() - destroy, kPromptMs) << static_cast<int>(mode);
  }
}

}  // namespace

// The parts of watch mode that need no print and no window of the program:
// the print journal's text and its attempts, the folder monitor with real
// change notices, and the files a folder run collects.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "support/apppump.h"
#include "support/cupsjobs.h"
#include "support/tempdir.h"
#include "tasks/folderrun.h"
#include "tasks/foldermonitor.h"
#include "tasks/printledger.h"
#include "tasks/settings/ledgerfile.h"

namespace {

using qftest::PumpAppUntil;

class FolderWatchTest : public ::testing::Test {
 protected:
  qftest::TempDir dir_;
};

// The journal's text as a crash or a disk may leave it.
TEST(WatchJournalTest, DamagedAndCutLinesAreSkippedAndLaterRecordsWin) {
  const struct {
    const char* text;
    size_t entries;
    int damaged;
    bool printed;
  } cases[] = {
      {"P\t10\t20\t1\t0\tC:\\a.png\n", 1, 0, true},
      {"T\t10\t20\t1\t0\tC:\\a.png\nP\t10\t20\t1\t0\tc:/A.PNG\n", 1, 0, true},
      {"P\t10\t20\t1\t0\tC:\\a.png\nX\t0\t0\t0\t0\tC:\\a.png\n", 0, 0, false},
      {"P\t10\t20\t1\t0\tC:\\a.png\nF\t10\t2", 1, 1, true},                // cut short
      {"P\t1x\t20\t1\t0\tC:\\a.png\n", 0, 1, false},                       // not a number
      {"Q\t10\t20\t1\t0\tC:\\a.png\n", 0, 1, false},                       // no such kind
      {"P\t10\t20\t1\tC:\\a.png\n", 0, 1, false},                          // a field missing
      {"P\t99999999999999999999999\t20\t1\t0\tC:\\a.png\n", 0, 1, false},  // too big
      {"\n\r\nP\t10\t20\t1\t0\tC:\\a.png\r\n", 1, 1, true},
  };
  for (const auto& c : cases) {
    const LedgerState state = ReplayLedger(c.text);
    EXPECT_EQ(state.entries.size(), c.entries) << c.text;
    EXPECT_EQ(state.damaged, c.damaged) << c.text;
    if (c.entries == 1) {
      EXPECT_EQ(state.entries.begin()->second.printed, c.printed) << c.text;
    }
  }
  LedgerRecord tab{LedgerKind::Printed, "C:\\a\tb.png", {}};
  EXPECT_EQ(FormatLedgerRecord(tab), "") << "a path a line cannot hold";
}

// An attempt that the program never came back from counts, so a file that
// brings the program down is not tried without end across restarts.
TEST_F(FolderWatchTest, AnAttemptThatNeverEndedCountsAfterARestart) {
  const std::string journal = dir_ / "journal.txt";
  const FileStamp stamp{100, 200};
  const std::string file = "C:\\crashes.png";
  for (int start = 1; start <= kMaxPrintAttempts; ++start) {
    TPrintLedger ledger(journal);
    ASSERT_TRUE(ledger.Due(file, stamp, LedgerNow())) << "start " << start;
    ledger.Trying(file, stamp);
  }
  TPrintLedger after(journal);
  EXPECT_EQ(after.Check(file, stamp, LedgerNow()), TPrintLedger::State::GivenUp);
  EXPECT_TRUE(after.Due(file, FileStamp{101, 200}, LedgerNow())) << "a changed file is a new one";
}

// The folder monitor by itself: real change notices, a short delay.
TEST_F(FolderWatchTest, AMonitorGivesOneCallPerBurstSeesOldSubFoldersAndStopsWhenDeactivated) {
  CreateDirectoryA((dir_ / "old").c_str(), nullptr);
  int calls = 0;
  // The delay is long enough for any machine to write the burst within it.
  TRxFolderMonitor monitor(
      dir_.Path(), [&] { ++calls; }, 3000);
  monitor.Activate();
  monitor.Activate();
  ASSERT_TRUE(monitor.Active());
  for (int i = 0; i < 20; ++i) qftest::WriteFileBytes(dir_ / ("burst" + std::to_string(i)), "x");
  ASSERT_TRUE(PumpAppUntil([&] { return calls >= 1 && !monitor.DelayRunning(); }, "the burst's call"));
  EXPECT_EQ(calls, 1) << "a burst within the delay";

  // From Linux, into a sub-folder that was there before the watch began.
  ASSERT_EQ(qftest::RunLinux("echo x > '" + qftest::UnixPath(dir_ / "old") + "/deep.txt'"), 0);
  EXPECT_TRUE(PumpAppUntil([&] { return calls == 2; }, "a call for the old sub-folder"))
      << "the old sub-folder is not watched";

  // A delay already running when the monitor stops still ends in a call.
  qftest::WriteFileBytes(dir_ / "last", "x");
  EXPECT_TRUE(PumpAppUntil([&] { return monitor.DelayRunning(); }, "the delay to start"));
  monitor.Deactivate();
  EXPECT_FALSE(monitor.Active());
  EXPECT_TRUE(PumpAppUntil([&] { return calls == 3; }, "the running delay's call"));
  // A second monitor with a longer delay sees the next change: once it has
  // reported, the stopped one would long have.
  int seen = 0;
  TRxFolderMonitor control(
      dir_.Path(), [&] { ++seen; }, 1500);
  control.Activate();
  ASSERT_TRUE(control.Active());
  qftest::WriteFileBytes(dir_ / "unseen", "x");
  ASSERT_TRUE(PumpAppUntil([&] { return seen == 1; }, "the second monitor's call"));
  EXPECT_EQ(calls, 3) << "a deactivated monitor still reported";

  TRxFolderMonitor missing(
      dir_ / "missing", [&] { ++calls; }, 300);
  missing.Activate();
  EXPECT_FALSE(missing.Active());
}

TEST_F(FolderWatchTest, TheFourSortOrdersAndWhatIsNeverCollected) {
  auto at = [](int day) {
    SYSTEMTIME st{2026, 3, 0, static_cast<WORD>(day), 12, 0, 0, 0};
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
  };
  struct File {
    std::string name;
    int created, written, accessed;
  };
  const std::vector<File> files = {{"b.txt", 3, 1, 2}, {"A.txt", 1, 2, 3}, {"c.txt", 2, 3, 1}};
  for (const auto& f : files) {
    const std::string path = dir_ / f.name;
    ASSERT_TRUE(qftest::WriteFileBytes(path, "text"));
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const FILETIME c = at(f.created), w = at(f.written), a = at(f.accessed);
    SetFileTime(h, &c, &a, &w);
    CloseHandle(h);
  }
  // Never listed: a sub-folder and its files, hidden and system files, the
  // program's probe files.
  CreateDirectoryA((dir_ / "sub").c_str(), nullptr);
  qftest::WriteFileBytes(dir_ / "sub\\d.txt", "x");
  for (const auto& [name, attr] :
       {std::pair{"hidden.txt", FILE_ATTRIBUTE_HIDDEN}, std::pair{"system.txt", FILE_ATTRIBUTE_SYSTEM}}) {
    qftest::WriteFileBytes(dir_ / name, "x");
    SetFileAttributesA((dir_ / name).c_str(), attr);
  }
  qftest::WriteFileBytes(dir_ / "~qfprobe-1-2-3.tmp", "");

  CPrintAction settings;
  SetField(settings.Data->Folder, dir_.Path());
  SetField(settings.Data->FileExt, "*.*");
  const std::string A = dir_ / "A.txt", b = dir_ / "b.txt", c = dir_ / "c.txt";
  // 1 sorts on the last write, 3 on the last access; a value out of range
  // sorts on the name. (2 sorts on the creation time, which Wine does not
  // keep on a Linux file system: it reports the last write there.)
  const struct {
    int sort;
    std::vector<std::string> order;
  } cases[] = {{0, {A, b, c}}, {1, {b, A, c}}, {3, {c, b, A}}, {9, {A, b, c}}};
  for (const auto& k : cases) EXPECT_EQ(CollectFolderFiles(settings, k.sort), k.order) << "sort " << k.sort;

  SetField(settings.Data->FileExt, "*.doc");
  EXPECT_TRUE(CollectFolderFiles(settings, 0).empty());
  EXPECT_FALSE(FolderHasFiles(dir_ / "*.doc"));
  EXPECT_TRUE(FolderHasFiles(dir_ / "*.txt"));
  EXPECT_FALSE(FolderHasFiles(dir_ / "missing\\*.*"));
  EXPECT_FALSE(FolderHasFiles(dir_ / "*.txt", [](const std::string&, const FileStamp&) { return false; }));
}

}  // namespace

// Watch mode inside the test's own process: the main window with its real
// folder monitors, timer and print path (real jobs on the CUPS "PDF" queue),
// in a Wine prefix of the test's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "app/base/log.h"
#include "app/base/registry.h"
#include "support/cupsjobs.h"
#include "support/imagefiles.h"
#include "support/mainform_fixture.h"
#include "support/process_driver.h"
#include "tasks/folderrun.h"
#include "tasks/watchmode.h"

namespace {

using qftest::PumpAppUntil;

// Presses OK in every "Error" box of the process while it lives, as the
// user of an unattended program does when they come back; counts them.
class ErrorBoxAnswerer {
 public:
  ErrorBoxAnswerer()
      : thread_([this] {
          while (!stop_) {
            bool found = false;
            qftest::AnswerMessageBox("Error", 100, &found);
            if (found) ++answered_;
          }
        }) {}
  ~ErrorBoxAnswerer() {
    stop_ = true;
    thread_.join();
  }
  int Answered() const { return answered_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  std::thread thread_;
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

class WatchModeTest : public qftest::MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    form_ = NewForm();
    stamp_ = std::to_string(GetTickCount());
    first_job_ = qftest::HighestCupsJobId();
    // Every request goes through the real print path; the test sees each
    // one and may act in the middle of it.
    form_->PrintRequest = [this](CPrintFile& r) {
      printed_.push_back(r.FileName());
      if (during_print_) during_print_(r);
      return PrintDocument(r);
    };
  }
  void TearDown() override {
    form_.reset();
    MainFormFixture::TearDown();
  }
  CPrintAction Task(const std::string& folder, const std::string& pattern, std::int32_t action,
                    const std::string& printer = "PDF") {
    CPrintAction task = form_->DefaultAction;
    SetField(task.Data->Folder, folder);
    SetField(task.Data->FileExt, pattern);
    SetField(task.Data->PrinterName, printer);
    task.Data->Action = action;
    return task;
  }
  // A small picture.
  std::string Image(const std::string& name, const qftest::TempDir& dir) {
    const std::string path = dir / (name + "-" + stamp_ + ".png");
    EXPECT_TRUE(qftest::WritePng(path, 8, 8, {30, 140, 90}));
    return path;
  }
  void StartWatching() {
    form_->WatchMode = true;
    form_->Watch().CreateMonitors();
  }
  // One pass as the tick runs it.
  void Pass() { form_->Timer1Timer(); }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }

  std::unique_ptr<Tmainform> form_;
  qftest::TempDir dir_;
  std::string stamp_;
  int first_job_ = 0;
  std::vector<std::string> printed_;
  std::function<void(CPrintFile&)> during_print_;
};

TEST_F(WatchModeTest, APassDrainsEachTaskInOrderAndTheFirstOfTwoTasksOnOneFolderTakesEveryFile) {
  qftest::TempDir other;
  const std::string b = Image("b", dir_), a = Image("A", dir_), c = Image("c", dir_);
  const std::string x = Image("x", other);
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.*", kActionRecycle));
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.png", kActionRecycle, "No Such Printer"));
  form_->WatchTasks.push_back(Task(other.Path(), "*.png", kActionKeep));
  form_->WatchSort = 0;
  StartWatching();
  Pass();
  EXPECT_EQ(printed_, (std::vector<std::string>{a, b, c, x})) << "name order, first task first";
  for (const auto& p : {a, b, c}) EXPECT_FALSE(qftest::FileExists(p)) << p << " was not recycled";
  EXPECT_TRUE(qftest::FileExists(x)) << "the kept file went";
  // Picture jobs are named after the file's path.
  EXPECT_EQ(qftest::FinishedJobsAfter(first_job_, dir_.Path(), 3, 60000).size(), 3u);
  EXPECT_EQ(qftest::FinishedJobsAfter(first_job_, other.Path(), 1, 60000).size(), 1u);
  const std::string log = Log();
  EXPECT_EQ(Count(log, "File Monitor Active!"), 1);
  EXPECT_EQ(Count(log, "File Monitor Exit!"), 1);
  EXPECT_EQ(Count(log, "No Such Printer"), 0) << "the second task found nothing and switched no printer";
  EXPECT_FALSE(form_->TimerBusy);
  EXPECT_FALSE(form_->Timer1Enabled()) << "a pass that printed everything starts no other";
  // The last task's settings stay the current ones.
  EXPECT_STREQ(form_->DefaultAction.Data->Folder, other.Path().c_str());
  EXPECT_EQ(form_->DefaultAction.Data->Action, kActionKeep);
  for (const auto& m : form_->Watch().FolderMonitors()) {
    EXPECT_TRUE(m->Active());
  }
}

TEST_F(WatchModeTest, AKeptFileIsPrintedOncePerArrivalAlsoAfterARestart) {
  const std::string kept = Image("kept", dir_);
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.png", kActionKeep));
  StartWatching();
  Pass();
  Pass();
  EXPECT_EQ(printed_.size(), 1u) << "a second pass printed the kept file again";

  // A new window reads the journal the first one wrote.
  const std::vector<CPrintAction> tasks = form_->WatchTasks;
  form_.reset();
  form_ = NewForm();
  form_->PrintRequest = [this](CPrintFile& r) {
    printed_.push_back(r.FileName());
    return PrintDocument(r);
  };
  form_->WatchTasks = tasks;
  StartWatching();
  Pass();
  EXPECT_EQ(printed_.size(), 1u) << "the restart printed the kept file again";

  // Changed, it is a new arrival.
  ASSERT_TRUE(qftest::WritePng(kept, 9, 9, {200, 10, 10}));
  Pass();
  ASSERT_EQ(printed_.size(), 2u);
  EXPECT_EQ(printed_[1], kept);
  Pass();
  EXPECT_EQ(printed_.size(), 2u);
}

// A file whose full path is longer than 259 characters cannot be printed
// (made from Linux, which has no such limit).
TEST_F(WatchModeTest, AFailingFileIsTriedThreeTimesWithPausesNeverRecycledAndThenLeftAlone) {
  std::string folder = dir_.Path();
  while (folder.size() < 220) folder += std::string(std::min<size_t>(40, 226 - folder.size()), 'd') + "\\";
  ASSERT_TRUE(SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS) << folder;
  const std::string name = "bad-" + stamp_ + std::string(50, 'n') + ".png";
  const std::string bad = folder + name;
  ASSERT_GE(bad.size(), size_t{MAX_PATH});
  ASSERT_EQ(qftest::RunLinux("cp '" + qftest::UnixPath(Image("src", dir_)) + "' '" + qftest::UnixPath(folder) + "/" +
                             name + "'"),
            0);
  const std::string good = folder + "good.png";
  ASSERT_TRUE(qftest::WritePng(good, 8, 8, {1, 2, 3}));
  DeleteFileA((dir_ / ("src-" + stamp_ + ".png")).c_str());
  form_->WatchTasks.push_back(Task(folder, "*.png", kActionRecycle));
  StartWatching();
  form_->SetTimer1(true);
  // The retries start passes of their own, without any change notice.
  ASSERT_TRUE(
      PumpAppUntil([&] { return Count(Log(), bad + "\tFailed!") >= 3 && !form_->TimerBusy; }, "three attempts", 60000))
      << Log();
  EXPECT_FALSE(qftest::FileExists(good)) << "the good file was not printed and recycled";
  EXPECT_EQ(qftest::RunLinux("test -f '" + qftest::UnixPath(folder) + "/" + name + "'"), 0)
      << "a file that failed was disposed of";
  EXPECT_NE(Log().find("File left until it changes"), std::string::npos);
  // Idle afterwards: no timer, no retry and no monitor's delay running, so
  // nothing can start another pass; and no further attempt was made.
  EXPECT_FALSE(form_->Timer1Enabled());
  EXPECT_FALSE(form_->Watch().RetryPending());
  for (const auto& m : form_->Watch().FolderMonitors()) EXPECT_FALSE(m->DelayRunning());
  EXPECT_EQ(Count(Log(), bad + "\tFailed!"), 3);
  EXPECT_EQ(Count(Log(), "File Monitor Active!"), 3) << "one pass per attempt";
}

TEST_F(WatchModeTest, ATaskWhosePrinterCannotBeSetWaitsAndTheOthersPrint) {
  qftest::TempDir other;
  const std::string stuck = Image("stuck", dir_);
  const std::string fine = Image("fine", other);
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.png", kActionRecycle, "No Such Printer"));
  form_->WatchTasks.push_back(Task(other.Path(), "*.png", kActionRecycle));
  StartWatching();
  ErrorBoxAnswerer boxes;
  Pass();
  EXPECT_EQ(printed_, std::vector<std::string>{fine});
  EXPECT_TRUE(qftest::FileExists(stuck));
  EXPECT_EQ(Count(Log(), "could not be set; its files wait"), 1) << "one line per attempt";
  EXPECT_TRUE(form_->Watch().TaskWaiting(form_->WatchTasks[0]));
  EXPECT_TRUE(form_->Watch().RetryPending());
  // A tick without a change leaves it waiting; a change notice tries again.
  Pass();
  EXPECT_EQ(Count(Log(), "could not be set; its files wait"), 1);
  form_->Watch().OnFolderChange();
  EXPECT_TRUE(form_->Timer1Enabled());
  Pass();
  EXPECT_EQ(Count(Log(), "could not be set; its files wait"), 2);
  EXPECT_TRUE(qftest::FileExists(stuck));
  // Each failed switch showed its box, and logged its text before it.
  EXPECT_TRUE(qftest::WaitFor([&] { return boxes.Answered() >= 2; }, "two boxes answered"));
  EXPECT_EQ(boxes.Answered(), 2);
  EXPECT_EQ(Count(Log(), "Error: "), 2);
}

TEST_F(WatchModeTest, ATickDuringAPassStartsNoSecondPassAndAFileArrivingThenIsPrintedByTheSamePass) {
  const std::string first = Image("first", dir_);
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.png", kActionRecycle));
  StartWatching();
  std::string late;
  bool nested_was_refused = false;
  during_print_ = [&](CPrintFile&) {
    if (!late.empty()) return;
    late = Image("late", dir_);
    // The tick that a monitor's delay started while the pass waits.
    form_->Timer1Timer();
    nested_was_refused = form_->TimerBusy && !form_->Timer1Enabled();
  };
  Pass();
  EXPECT_TRUE(nested_was_refused);
  EXPECT_EQ(printed_, (std::vector<std::string>{first, late}));
  EXPECT_EQ(Count(Log(), "File Monitor Active!"), 1);
  EXPECT_EQ(Count(Log(), "File Monitor Exit!"), 1);
}

TEST_F(WatchModeTest, TasksDeletedInTheDialogDuringAPassEndItSafely) {
  const std::string a = Image("a", dir_), b = Image("b", dir_);
  qftest::TempDir other;
  const std::string c = Image("c", other);
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.png", kActionRecycle));
  form_->WatchTasks.push_back(Task(other.Path(), "*.png", kActionRecycle));
  StartWatching();
  during_print_ = [&](CPrintFile&) {
    // As Delete and Clear in the watch dialog do, while the first prints.
    if (form_->WatchTasks.empty()) return;
    form_->WatchTasks.erase(form_->WatchTasks.begin());
    form_->WatchTasks.clear();
  };
  Pass();
  // The running folder run finishes the files it listed; nothing else.
  EXPECT_EQ(printed_, (std::vector<std::string>{a, b}));
  EXPECT_TRUE(qftest::FileExists(c));
  EXPECT_FALSE(form_->TimerBusy);
}

TEST_F(WatchModeTest, StopDuringAPassEndsItAfterTheCurrentFileAndRemovesTheMonitors) {
  const std::string a = Image("a", dir_), b = Image("b", dir_);
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.png", kActionRecycle));
  StartWatching();
  during_print_ = [&](CPrintFile&) {
    // What "Restore" and "E&xit" do once their questions are answered.
    StopPrinting = true;
    form_->WatchMode = false;
  };
  Pass();
  EXPECT_EQ(printed_, std::vector<std::string>{a});
  EXPECT_EQ(qftest::FinishedJobsAfter(first_job_, a, 1, 60000).size(), 1u) << "the current file was not printed";
  EXPECT_TRUE(qftest::FileExists(b));
  EXPECT_TRUE(form_->Watch().FolderMonitors().empty());
  EXPECT_TRUE(StopPrinting);
}

TEST_F(WatchModeTest, APassThatFindsNothingWritesOnlyItsTwoLines) {
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.png", kActionRecycle));
  form_->WatchTasks.push_back(Task(dir_ / "missing", "*.*", kActionRecycle));
  StartWatching();
  const std::string before = Log();
  Pass();
  const std::string added = Log().substr(before.size());
  EXPECT_EQ(Count(added, "\n"), 2) << added;
  EXPECT_NE(added.find("File Monitor Active!"), std::string::npos);
  EXPECT_NE(added.find("File Monitor Exit!"), std::string::npos);
  EXPECT_TRUE(form_->Watch().FolderMonitors()[0]->Active());
  EXPECT_FALSE(form_->Watch().FolderMonitors()[1]->Active()) << "a missing folder is not watched";
}

TEST_F(WatchModeTest, AChangeInAWatchedFolderStartsAPassAfterTheDelayAndTheTimer) {
  form_->WatchTasks.push_back(Task(dir_.Path(), "*.png", kActionRecycle));
  StartWatching();
  const DWORD start = GetTickCount();
  const std::string a = Image("arrived", dir_);
  ASSERT_TRUE(PumpAppUntil([&] { return !qftest::FileExists(a); }, "the arrived file to be printed and recycled"));
  EXPECT_GE(GetTickCount() - start, 1400u) << "sooner than the monitor's delay and the timer";
  EXPECT_EQ(printed_, std::vector<std::string>{a});
}

// The registry values of the watch dialog's OK.
TEST_F(WatchModeTest, StartWithWindowsWritesTheRunningProgramAndSwitchingItOffRemovesIt) {
  const WatchStartupPlace place;
  CRegistry run(HKEY_CURRENT_USER);
  ASSERT_TRUE(run.OpenKey(place.run_key, true));
  // This test program's own path, as Wine names the build folder.
  std::string program = "Z:" QF_TEST_EXE;
  std::replace(program.begin(), program.end(), '/', '\\');
  ASSERT_EQ(program.find(' '), std::string::npos) << "the build folder holds a space";
  EXPECT_EQ(RunningProgramCommand(), program);
  EXPECT_EQ(ProgramCommand("C:\\Program Files\\Quirefeed\\Quirefeed.exe"),
            "\"C:\\Program Files\\Quirefeed\\Quirefeed.exe\"");
  EXPECT_EQ(ProgramCommand("C:\\Quirefeed\\Quirefeed.exe"), "C:\\Quirefeed\\Quirefeed.exe");
  struct Case {
    bool on;
    int sort;
  };
  for (const Case c : {Case{true, 2}, Case{false, 3}, Case{true, 0}}) {
    StoreWatchStartup(place, c.on, c.sort, program);
    EXPECT_EQ(StartUpStored(place), c.on);
    CRegistry ours(HKEY_CURRENT_USER, KEY_READ);
    ASSERT_TRUE(ours.OpenKey(place.key, false));
    EXPECT_EQ(ours.ReadInteger("Sort", -1), c.sort);
    EXPECT_EQ(run.ValueExists("Quirefeed"), c.on);
    if (c.on) {
      EXPECT_EQ(run.ReadString("Quirefeed", ""), program);
    }
  }
}

// The folder run by itself.
class FolderRunTest : public WatchModeTest {};

TEST_F(FolderRunTest, AStopDuringTheSecondOfThreeFilesEndsTheRunAndAConfirmedExitClosesTheWindow) {
  const std::string a = Image("1", dir_), b = Image("2", dir_), c = Image("3", dir_);
  form_->DefaultAction = Task(dir_.Path(), "*.png", kActionKeep);
  form_->ExitConfirmed = true;
  during_print_ = [&](CPrintFile& r) {
    if (r.FileName() == b) StopPrinting = true;
  };
  const HWND window = form_->Handle();
  EXPECT_EQ(PrintMulFile(*form_), FolderRunEnd::Stopped);
  EXPECT_EQ(printed_, (std::vector<std::string>{a, b}));
  EXPECT_TRUE(StopPrinting);
  // The close message ran as the run ended: the window is gone.
  EXPECT_FALSE(IsWindow(window)) << "no close message";
}

TEST_F(FolderRunTest, ARunWhosePrinterCannotBeSetPrintsNothingAndPutsThePageSetupBack) {
  Image("never", dir_);
  form_->DefaultAction = Task(dir_.Path(), "*.*", kActionRecycle, "No Such Printer");
  const PageSetupPlace place = form_->HtmlPageSetupPlace();
  const PageSetupValues before = ReadBrowserPageSetup(place);
  StopPrinting = true;
  ErrorBoxAnswerer boxes;
  EXPECT_EQ(PrintMulFile(*form_), FolderRunEnd::PrinterNotSet);
  EXPECT_TRUE(printed_.empty());
  EXPECT_TRUE(StopPrinting) << "the stop flag changed";
  const PageSetupValues after = ReadBrowserPageSetup(place);
  EXPECT_EQ(after.header, before.header);
  EXPECT_EQ(after.footer, before.footer);
  EXPECT_EQ(after.margin_left, before.margin_left);
}

}  // namespace

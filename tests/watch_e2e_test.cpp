// Watch mode and "Print folder" in the real Quirefeed.exe, driven from a
// second process as a user would, with files copied in from Linux and real
// jobs on the CUPS "PDF" queue, in a Wine prefix of the test's own.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/base/fixedtext.h"
#include "app/base/postprint.h"
#include "app/mainfrm.h"
#include "support/cupsjobs.h"
#include "support/folders.h"
#include "support/imagefiles.h"
#include "support/office.h"
#include "support/process_driver.h"
#include "support/tempdir.h"
#include "tasks/printfolder.h"
#include "tasks/settings/taskfile.h"
#include "tasks/watchfolder.h"

namespace {

constexpr DWORD kStartTimeout = 30000;

using qftest::SetStartUp;
using qftest::WaitFor;

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

class WatchE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    qftest::RemoveTree(qftest::ProgramFolder(CSIDL_APPDATA));
    qftest::RemoveTree(qftest::ProgramFolder(CSIDL_COMMON_APPDATA));
    SetStartUp(0);
    stamp_ = std::to_string(GetTickCount());
    first_job_ = qftest::HighestCupsJobId();
  }
  void TearDown() override {
    if (app_.Running()) app_.Kill();
  }
  // The tasks the program reads at start, and watch mode at start.
  void StoreTask(std::int32_t action, const std::string& folder = {}) {
    CPrintAction task;
    SetField(task.Data->Folder, folder.empty() ? dir_.Path() : folder);
    SetField(task.Data->FileExt, "*.*");
    SetField(task.Data->PrinterName, "PDF");
    task.Data->Action = action;
    const std::string shared = qftest::ProgramFolder(CSIDL_COMMON_APPDATA);
    CreateDirectoryA(shared.c_str(), nullptr);
    SaveTasks({task}, shared + "quirefeed.ini");
    ASSERT_TRUE(qftest::FileExists(shared + "quirefeed.ini"));
    SetStartUp(1);
  }
  HWND Start() {
    EXPECT_TRUE(app_.Start(QF_APP_EXE));
    return qftest::WaitForWindow("Tmainform", nullptr, app_.Id(), kStartTimeout);
  }
  // Small pictures in a folder of their own, ready to be copied in.
  std::vector<std::string> Pictures(const std::vector<std::string>& names) {
    std::vector<std::string> made;
    for (const auto& n : names) {
      made.push_back(n + "-" + stamp_ + ".png");
      EXPECT_TRUE(qftest::WritePng(source_ / made.back(), 8, 8, {40, 90, 200}));
    }
    return made;
  }
  // One Linux cp of all of them into `to`, as a file manager would.
  void CopyInFromLinux(const std::vector<std::string>& names, const std::string& to) {
    std::string cmd = "cd '" + qftest::UnixPath(source_.Path()) + "' && cp";
    for (const auto& n : names) cmd += " '" + n + "'";
    cmd += " '" + qftest::UnixPath(to) + "/'";
    ASSERT_EQ(qftest::RunLinux(cmd), 0) << cmd;
  }
  // The pictures' jobs (named after their paths) from `folder`.
  std::vector<ipp::Job> PictureJobs(const std::string& folder) {
    std::vector<ipp::Job> pictures;
    for (const auto& j : qftest::JobsAfter(first_job_, folder))
      if (j.name.find(".png") != std::string::npos) pictures.push_back(j);
    return pictures;
  }
  std::vector<ipp::Job> Jobs() { return PictureJobs(dir_.Path()); }
  std::string Log() { return qftest::ReadFileBytes(qftest::ProgramFolder(CSIDL_APPDATA) + "Quirefeed.log"); }
  // A text file that Linux writes a line into four times a second for ten
  // seconds, started in the background.
  void GrowSlowly(const std::string& folder, const std::string& name) {
    ASSERT_EQ(qftest::RunLinux("(for i in $(seq 40); do echo \"line $i\" >> '" + qftest::UnixPath(folder) + "/" + name +
                               "'; sleep 0.25; done) &"),
              0);
    ASSERT_TRUE(WaitFor([&] { return qftest::FileExists(folder + name); }));
  }
  // Every pass that began has ended: what a pass prints is spooled before
  // its "File Monitor Exit!" line.
  ::testing::AssertionResult PassesOver() {
    return WaitFor(
        [&] {
          const std::string log = Log();
          return Count(log, "File Monitor Active!") == Count(log, "File Monitor Exit!");
        },
        "the pass to end");
  }
  // Copies a sentinel picture into the watched folder and waits until the
  // pass that printed it ended: any pass that the files before it could
  // start has run by then, and a kept file printed again would show.
  void PrintSentinel() {
    const auto sentinel = Pictures({"zz-sentinel"});
    CopyInFromLinux(sentinel, dir_.Path());
    ASSERT_TRUE(WaitFor([&] { return Count(Log(), sentinel[0] + "\tSuccessed!") == 1; }, 120000)) << Log();
    ASSERT_TRUE(PassesOver()) << Log();
  }
  // "E&xit" in watch mode: both questions answered OK.
  bool ExitFromWatchMode(HWND wnd) {
    PostMessageA(wnd, WM_COMMAND, ID_SHUTDOWNACTION, 0);
    bool first = false, second = false;
    qftest::AnswerMessageBox("Confirm", qftest::kWaitMs, &first);
    qftest::AnswerMessageBox("Confirm", qftest::kWaitMs, &second);
    return first && second && app_.WaitExit(qftest::kWaitMs);
  }

  qftest::AppProcess app_;
  qftest::TempDir dir_, source_;
  std::string stamp_;
  int first_job_ = 0;
};

TEST_F(WatchE2ETest, ATaskComposedInTheDialogPrintsFilesFromLinuxOnceInNameOrderAndRecyclesThem) {
  HWND wnd = Start();
  ASSERT_TRUE(WaitFor([&] { return wnd && IsWindowVisible(wnd); }));
  PostMessageA(wnd, WM_COMMAND, ID_WATCHACTION, 0);
  HWND dlg = qftest::WaitForVisibleWindow("Tfrmwatchfolder", nullptr, app_.Id(), qftest::kWaitMs);
  ASSERT_NE(dlg, nullptr) << "no watch folder dialog";
  using W = Tfrmwatchfolder;
  SendMessageA(GetDlgItem(dlg, W::kEdit1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dir_.Path().c_str()));
  SendMessageA(GetDlgItem(dlg, W::kRadio1), BM_CLICK, 0, 0);
  HWND add = GetDlgItem(dlg, W::kButton5);
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(add) != FALSE; })) << "Add stayed disabled";
  SendMessageA(add, BM_CLICK, 0, 0);
  PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dlg); })) << "the dialog stayed";
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(wnd) && qftest::TrayIconPresent(wnd); }))
      << "not hidden in the tray";

  // Arriving in reverse name order, in one burst.
  const auto names = Pictures({"zulu", "mike", "alpha"});
  CopyInFromLinux(names, dir_.Path());
  const auto jobs = qftest::FinishedJobsAfter(first_job_, dir_.Path(), 3, 60000);
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[0].name, dir_ / names[2]);
  EXPECT_EQ(jobs[1].name, dir_ / names[1]);
  EXPECT_EQ(jobs[2].name, dir_ / names[0]);
  for (const auto& n : names) {
    EXPECT_TRUE(WaitFor([&] { return !qftest::FileExists(dir_ / n); })) << n << " stayed";
    EXPECT_TRUE(qftest::FileExists(qftest::TrashFilesFolder() + n)) << n << " is not in the trash";
  }
  // The files are gone: only the pass that printed them could have printed
  // one twice.
  ASSERT_TRUE(PassesOver()) << Log();
  EXPECT_EQ(Jobs().size(), 3u) << "a file was printed twice";
  EXPECT_TRUE(ExitFromWatchMode(wnd));
}

TEST_F(WatchE2ETest, AFileWrittenSlowlyIsPrintedWholeAndSubFolderFilesAreNot) {
  const std::string sub = dir_ / "inner";
  CreateDirectoryA(sub.c_str(), nullptr);
  StoreTask(kActionKeep);
  HWND wnd = Start();
  ASSERT_TRUE(WaitFor([&] { return qftest::TrayIconPresent(wnd); }, kStartTimeout));
  const auto inner = Pictures({"inner"});
  CopyInFromLinux(inner, sub);
  // Six lines, one every 0.6 s.
  const std::string slow = "slow-" + stamp_ + ".txt";
  ASSERT_EQ(qftest::RunLinux("for i in 1 2 3 4 5 6; do echo \"line $i of the slow file\" >> '" +
                             qftest::UnixPath(dir_.Path()) + "/" + slow + "'; sleep 0.6; done"),
            0);
  ASSERT_TRUE(WaitFor([&] { return Count(Log(), slow + "\tSuccessed!") == 1; }, 60000)) << Log();
  PrintSentinel();
  EXPECT_EQ(Count(Log(), slow + "\tSuccessed!"), 1) << "printed more than once";
  const auto jobs = qftest::JobsAfter(first_job_, "");
  ASSERT_FALSE(jobs.empty());
  for (const auto& j : jobs) EXPECT_EQ(j.name.find("inner-"), std::string::npos) << "a sub-folder file printed";
  // Tests beside this one print on the same queue: the slow file's own job.
  const auto own = qftest::JobsAfter(first_job_, slow);
  ASSERT_EQ(own.size(), 1u);
  const std::string text = qftest::PdfText(qftest::PdfOfJob(own[0]));
  EXPECT_NE(text.find("line 6 of the slow file"), std::string::npos) << text;
  EXPECT_NE(text.find("line 1 of the slow file"), std::string::npos) << text;
  EXPECT_TRUE(ExitFromWatchMode(wnd));
}

TEST_F(WatchE2ETest, StartingInWatchModePrintsWaitingFilesAndAKeptFileOnlyOnceAcrossARestart) {
  const auto names = Pictures({"waiting"});
  CopyInFromLinux(names, dir_.Path());
  StoreTask(kActionKeep);
  HWND wnd = Start();
  ASSERT_NE(wnd, nullptr);
  EXPECT_FALSE(IsWindowVisible(wnd));
  const auto jobs = qftest::FinishedJobsAfter(first_job_, dir_.Path(), 1, 30000);
  ASSERT_EQ(jobs.size(), 1u) << Log();
  EXPECT_TRUE(qftest::FileExists(dir_ / names[0])) << "the kept file went";
  ASSERT_TRUE(WaitFor([&] { return Count(Log(), "File Monitor Exit!") >= 1; }));
  ASSERT_TRUE(ExitFromWatchMode(wnd));

  wnd = Start();
  // The pass at start is the one that would print the kept file again.
  ASSERT_TRUE(WaitFor([&] { return Count(Log(), "File Monitor Exit!") >= 2; }, kStartTimeout)) << Log();
  EXPECT_EQ(Jobs().size(), 1u) << "the restart printed the kept file again";
  EXPECT_TRUE(ExitFromWatchMode(wnd));
}

TEST_F(WatchE2ETest, AWebPageAWordDocumentAndAPdfArrivingTogetherArePrintedOnceEachWithTheirContentAndRecycled) {
  struct Arrival {
    std::string name, text;
  };
  const std::vector<Arrival> files = {{"page-" + stamp_ + ".html", "Lantern Quay timetable"},
                                      {"report-" + stamp_ + ".docx", "kept as docx"},
                                      {"leaflet-" + stamp_ + ".pdf", "Beacon Point leaflet"}};
  ASSERT_TRUE(qftest::WriteFileBytes(source_ / files[0].name, "<html><head><title>Quay</title></head><body><h1>" +
                                                                  files[0].text + "</h1></body></html>"));
  ASSERT_TRUE(qftest::CopyOfficeFixture("report.docx", source_ / files[1].name));
  ASSERT_TRUE(qftest::WriteTextPdf(source_ / files[2].name, files[2].text));
  StoreTask(kActionRecycle);
  HWND wnd = Start();
  ASSERT_TRUE(WaitFor([&] { return qftest::TrayIconPresent(wnd); }, kStartTimeout));
  CopyInFromLinux({files[0].name, files[1].name, files[2].name}, dir_.Path());

  for (const auto& f : files) {
    EXPECT_TRUE(WaitFor([&] { return Count(Log(), f.name + "\tSuccessed!") == 1; }, 180000)) << f.name << Log();
    EXPECT_TRUE(WaitFor([&] { return !qftest::FileExists(dir_ / f.name); })) << f.name << " stayed";
    EXPECT_TRUE(qftest::FileExists(qftest::TrashFilesFolder() + f.name)) << f.name << " is not in the trash";
  }
  // The files are gone: only the passes that printed them could have
  // printed one twice.
  ASSERT_TRUE(PassesOver()) << Log();
  for (const auto& f : files) {
    // Each application names its job its own way, all with the file's name.
    std::vector<ipp::Job> own;
    for (const auto& j : qftest::JobsAfter(first_job_, ""))
      if (j.name.find(f.name) != std::string::npos) own.push_back(j);
    ASSERT_EQ(own.size(), 1u) << f.name << " printed " << own.size() << " times";
    const std::string text = qftest::PdfText(qftest::PdfOfJob(own[0]));
    EXPECT_NE(text.find(f.text), std::string::npos) << f.name << ": " << text;
    EXPECT_EQ(Count(Log(), f.name + "\tSuccessed!"), 1) << "printed more than once";
  }
  EXPECT_TRUE(ExitFromWatchMode(wnd));
}

// "Restore" and "E&xit" while a pass prints: the file being printed is the
// last one. The first file (by name) is still being written from Linux, so
// the pass is sure to be waiting on it when the command comes.
class StopDuringAPassTest : public WatchE2ETest, public ::testing::WithParamInterface<bool> {};

TEST_P(StopDuringAPassTest, RestoreOrExitStopsItAfterTheCurrentFile) {
  const bool exiting = GetParam();
  const auto names = Pictures({"p1", "p2", "p3", "p4"});
  CopyInFromLinux(names, dir_.Path());
  const std::string growing = "a-growing-" + stamp_ + ".txt";
  GrowSlowly(dir_.Path(), growing);
  StoreTask(kActionRecycle);
  HWND wnd = Start();
  ASSERT_TRUE(WaitFor([&] { return Count(Log(), "File Monitor Active!") >= 1; }, kStartTimeout));
  if (exiting) {
    // The program ends once the file being printed is done: nothing more
    // can print after its exit.
    EXPECT_TRUE(ExitFromWatchMode(wnd)) << "the program did not close after the file being printed";
  } else {
    PostMessageA(wnd, WM_COMMAND, ID_RESTOREACTION, 0);
    bool asked = false;
    EXPECT_EQ(qftest::AnswerMessageBox("Confirm", qftest::kWaitMs, &asked), "Print operation is in progress,Stop it?");
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(wnd) != FALSE; }));
    // The stopped pass ends with its line: it spooled all it did by then.
    ASSERT_TRUE(WaitFor([&] { return Count(Log(), "File Monitor Exit!") >= 1; })) << Log();
  }
  // The file in progress was printed, and nothing after it.
  EXPECT_EQ(qftest::JobsAfter(first_job_, growing).size(), 1u) << "the file being printed was not printed\n" << Log();
  EXPECT_TRUE(Jobs().empty()) << "a picture after the file being printed was printed";
  for (const auto& n : names) EXPECT_TRUE(qftest::FileExists(dir_ / n)) << n;
  if (!exiting) {
    EXPECT_TRUE(qftest::ExitThroughTheMenu(app_, wnd));
  }
}

INSTANTIATE_TEST_SUITE_P(RestoreAndExit, StopDuringAPassTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Exit" : "Restore"; });

TEST_F(WatchE2ETest, PrintFolderEndsWatchModeEvenWhenCancelledAndItsStopPrintsNothingMore) {
  StoreTask(kActionKeep);
  HWND wnd = Start();
  ASSERT_TRUE(WaitFor([&] { return Count(Log(), "File Monitor Exit!") >= 1; }, kStartTimeout));
  PostMessageA(wnd, WM_COMMAND, ID_PRINTFOLDER, 0);
  HWND dlg = qftest::WaitForVisibleWindow("TPrintfolderform", nullptr, app_.Id(), qftest::kWaitMs);
  ASSERT_NE(dlg, nullptr);
  std::string documents;
  ASSERT_TRUE(GetMyDocumentsFolder(documents));
  EXPECT_EQ(qftest::WindowText(GetDlgItem(dlg, TPrintfolderform::kEdit1)), documents);
  EXPECT_EQ(qftest::WindowText(GetDlgItem(dlg, TPrintfolderform::kComboBox2)), "All Support Files");
  PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dlg); }));
  // Watch mode is over: a new file in the task's folder stays unprinted. It
  // is looked for once the folder print below has come and gone, long
  // after a watching program would have printed it.
  CopyInFromLinux(Pictures({"unwatched"}), dir_.Path());

  // Now a folder print, stopped as its first file prints.
  qftest::TempDir folder;
  const auto names = Pictures({"f1", "f2", "f3"});
  CopyInFromLinux(names, folder.Path());
  GrowSlowly(folder.Path(), "a-growing-" + stamp_ + ".txt");
  PostMessageA(wnd, WM_COMMAND, ID_PRINTFOLDER, 0);
  dlg = qftest::WaitForVisibleWindow("TPrintfolderform", nullptr, app_.Id(), qftest::kWaitMs);
  ASSERT_NE(dlg, nullptr);
  SendMessageA(GetDlgItem(dlg, TPrintfolderform::kEdit1), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(folder.Path().c_str()));
  PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
  HWND progress = qftest::WaitForVisibleWindow("TProgform", nullptr, app_.Id(), qftest::kWaitMs);
  ASSERT_NE(progress, nullptr);
  // The run takes the click at its first wait: the growing first file's.
  PostMessageA(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
  // The window goes with the run: whatever it spooled is in the scheduler.
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(progress); })) << "the progress window stayed";
  EXPECT_EQ(qftest::JobsAfter(first_job_, "a-growing-" + stamp_ + ".txt").size(), 1u)
      << "the file being printed was not printed\n"
      << Log();
  EXPECT_TRUE(PictureJobs(folder.Path()).empty()) << "the run went on after Stop";
  EXPECT_TRUE(Jobs().empty()) << "watch mode went on";
  for (const auto& n : names) EXPECT_TRUE(qftest::FileExists(folder / n)) << "kept by the default settings";
  EXPECT_TRUE(qftest::ExitThroughTheMenu(app_, wnd));
}

}  // namespace

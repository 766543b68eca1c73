// The list print run in the main window, printing real jobs on the CUPS
// "PDF" queue from a Wine prefix of the test's own.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <future>
#include <stdexcept>

#include "app/base/inifile.h"
#include "app/base/log.h"
#include "app/base/registry.h"
#include "engine/progfrm.h"
#include "tasks/settings/taskfile.h"
#include "support/cupsjobs.h"
#include "support/imagefiles.h"
#include "support/mainform_fixture.h"
#include "support/process_driver.h"

namespace {

constexpr const char* kBrowserKey = "Software\\Microsoft\\Internet Explorer\\PageSetup";

// Something to do on the main thread while the run pumps messages: a thread
// timer calls it every 50 ms until it returns true.
std::function<bool()> g_step;
void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_step && g_step()) {
    g_step = nullptr;
    KillTimer(nullptr, id);
  }
}

class ListRunTest : public qftest::MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    form_ = NewForm();
    // The run's printed files stay where they are unless a test says so.
    form_->DefaultAction.Data->Action = kActionKeep;
    stamp_ = std::to_string(GetTickCount());
    first_job_ = qftest::HighestCupsJobId();
  }
  void TearDown() override {
    g_step = nullptr;
    form_.reset();
    MainFormFixture::TearDown();
  }
  // A small PNG named `<name>-<stamp>.png`.
  std::string Image(const std::string& name) {
    const std::string path = dir_ / (name + "-" + stamp_ + ".png");
    EXPECT_TRUE(qftest::WritePng(path, 8, 8, {20, 120, 220}));
    return path;
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }
  bool Logged(const std::string& text) { return Log().find(text) != std::string::npos; }
  void StartStepping(std::function<bool()> step) {
    g_step = std::move(step);
    SetTimer(nullptr, 0, 50, StepTimer);
  }
  int PbarPos() { return static_cast<int>(SendMessageA(form_->PBar1(), PBM_GETPOS, 0, 0)); }
  int PbarMax() { return static_cast<int>(SendMessageA(form_->PBar1(), PBM_GETRANGE, FALSE, 0)); }

  std::unique_ptr<Tmainform> form_;
  qftest::TempDir dir_;
  std::string stamp_;
  int first_job_ = 0;
};

TEST_F(ListRunTest, StopDuringTheSecondFileFinishesItAndPrintsNothingAfter) {
  const std::string a = Image("stop1"), b = Image("stop2"), c = Image("stop3");
  for (const auto& p : {a, b, c}) form_->Documents().AddFile(p);
  form_->DefaultAction.Data->Action = kActionRecycle;
  // The second file is held open until the first is printed; then the stop
  // comes while the run waits for it.
  HANDLE hold = CreateFileA(b.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  int max_seen = 0;
  StartStepping([&] {
    max_seen = PbarMax();
    if (!Logged("Print \t" + a + "\tSuccessed!")) return false;
    StopPrinting = true;
    CloseHandle(hold);
    return true;
  });
  SendMessageA(form_->Handle(), WM_COMMAND, ID_PRINTACTION, 0);

  // The run is over once the command returned: whatever it spooled is in
  // the scheduler now. Image jobs are named after the file's full path.
  EXPECT_FALSE(form_->Printing());
  const auto jobs = qftest::FinishedJobsAfter(first_job_, dir_.Path(), 2, 60000);
  ASSERT_EQ(jobs.size(), 2u) << "the third file was printed, or the second was not";
  EXPECT_EQ(jobs[0].name, a);
  EXPECT_EQ(jobs[1].name, b);
  EXPECT_TRUE(Logged("Print \t" + b + "\tSuccessed!"));
  EXPECT_FALSE(Logged(c));
  EXPECT_FALSE(qftest::FileExists(a)) << "the first file's post-print action ran";
  EXPECT_TRUE(qftest::FileExists(b)) << "the stop skipped the second file's post-print action";
  EXPECT_TRUE(qftest::FileExists(c));
  EXPECT_EQ(max_seen, 3) << "the bar's range was the number of rows";
  EXPECT_EQ(PbarPos(), 0);
  EXPECT_EQ(PbarMax(), 0);
  EXPECT_TRUE(StopPrinting);
  EXPECT_FALSE(form_->Printing());
}

TEST_F(ListRunTest, RowsRemovedWhileTheRunWaitsShortenIt) {
  const std::string a = Image("short1"), b = Image("short2"), c = Image("short3");
  for (const auto& p : {a, b, c}) form_->Documents().AddFile(p);
  HANDLE hold = CreateFileA(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  bool print_enabled_during_run = true;
  StartStepping([&] {
    // The user selects rows 2 and 3 and removes them while the first waits.
    print_enabled_during_run = form_->Actions().Find(ID_PRINTACTION)->Enabled();
    form_->Documents().Select(1, true);
    form_->Documents().Select(2, true);
    SendMessageA(form_->Handle(), WM_COMMAND, ID_REMOVEFILE, 0);
    CloseHandle(hold);
    return true;
  });
  SendMessageA(form_->Handle(), WM_COMMAND, ID_PRINTACTION, 0);
  EXPECT_FALSE(print_enabled_during_run) << "a second run could start inside the first";
  EXPECT_EQ(form_->Documents().Paths(), std::vector<std::string>{a});
  // The command's return ended the run: nothing more can be spooled.
  const auto jobs = qftest::FinishedJobsAfter(first_job_, dir_.Path(), 1, 60000);
  ASSERT_EQ(jobs.size(), 1u) << "a removed row was printed";
  EXPECT_EQ(jobs[0].name, a);
  EXPECT_FALSE(Logged(b));
  EXPECT_FALSE(Logged(c));
  qftest::PumpFor(100);
  EXPECT_TRUE(form_->Actions().Find(ID_PRINTACTION)->Enabled());
}

TEST_F(ListRunTest, AnErrorInsideTheRunStillPutsThePageSetupBackAndEnablesPrint) {
  {
    CRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(kBrowserKey, true));
    reg.WriteString("header", "mine");
    reg.WriteString("footer", "my footer");
  }
  CIniFile(form_->IniFileName).WriteString("Html", "Header", "ours");
  for (const char* n : {"C:\\one.png", "C:\\two.png", "C:\\three.png"}) form_->Documents().AddFile(n);
  std::vector<std::string> seen;
  std::string header_during;
  form_->PrintRequest = [&](CPrintFile& r) -> bool {
    seen.push_back(r.FileName());
    CRegistry reg(HKEY_CURRENT_USER, KEY_READ);
    reg.OpenKey(kBrowserKey, false);
    header_during = reg.ReadString("header", "");
    if (seen.size() == 2) throw std::runtime_error("spooler gone");
    return true;
  };
  auto box = std::async(std::launch::async, [] {
    bool found = false;
    std::string text = qftest::AnswerMessageBox("Quirefeed", qftest::kWaitMs, &found);
    return found ? text : std::string("<no message box>");
  });
  SendMessageA(form_->Handle(), WM_COMMAND, ID_PRINTACTION, 0);
  EXPECT_EQ(box.get(), "Program Error:spooler gone std::runtime_error");
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\one.png", "C:\\two.png"}));
  EXPECT_EQ(header_during, "ours");
  CRegistry reg(HKEY_CURRENT_USER, KEY_READ);
  ASSERT_TRUE(reg.OpenKey(kBrowserKey, false));
  EXPECT_EQ(reg.ReadString("header", ""), "mine");
  EXPECT_EQ(reg.ReadString("footer", ""), "my footer");
  EXPECT_EQ(PbarPos(), 0);
  EXPECT_TRUE(StopPrinting) << "no run is active after the error";
  qftest::PumpFor(100);
  EXPECT_TRUE(form_->Actions().Find(ID_PRINTACTION)->Enabled());
}

TEST_F(ListRunTest, AnEmptyListPrintsNothingButStillBracketsThePageSetup) {
  // The browser has none of its values; the program has a header of its own.
  {
    CRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(kBrowserKey, true));
    reg.DeleteValue("header");
  }
  CIniFile(form_->IniFileName).WriteString("Html", "Header", "ours");
  int calls = 0;
  form_->PrintRequest = [&](CPrintFile&) { return ++calls > 0; };
  qftest::PumpFor(100);
  EXPECT_FALSE(form_->Actions().Find(ID_PRINTACTION)->Enabled());
  // The run is over before anything could look at the values in between,
  // but a value is only ever set on the browser's key when the program's
  // header is put in place (restoring a missing value removes it).
  HKEY watched = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBrowserKey, 0, KEY_NOTIFY, &watched), ERROR_SUCCESS);
  winkit::TEvent changed;
  ASSERT_EQ(RegNotifyChangeKeyValue(watched, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.Handle(), TRUE), ERROR_SUCCESS);
  form_->PrintActionExecute();  // started anyway
  EXPECT_TRUE(changed.IsSet()) << "the program's page setup was never put in place";
  RegCloseKey(watched);
  EXPECT_EQ(calls, 0);
  CRegistry reg(HKEY_CURRENT_USER, KEY_READ);
  ASSERT_TRUE(reg.OpenKey(kBrowserKey, false));
  EXPECT_FALSE(reg.ValueExists("header")) << "the browser's missing header was not put back";
  EXPECT_TRUE(StopPrinting);
}

// A task whose stored "Action" is damaged (65536 would narrow to 0, recycle)
// leaves its printed files in place.
TEST_F(ListRunTest, ADamagedStoredActionLeavesThePrintedFileInPlace) {
  CIniFile(dir_ / "tasks.ini").WriteString("0", "Action", "65536");
  CPrintAction task;
  ASSERT_TRUE(ReadTask(task, dir_ / "tasks.ini", "0"));
  ASSERT_EQ(task.Data->Action, 65536);
  form_->DefaultAction = task;
  const std::string a = Image("damaged-action");
  form_->Documents().AddFile(a);
  SendMessageA(form_->Handle(), WM_COMMAND, ID_PRINTACTION, 0);
  const auto jobs = qftest::FinishedJobsAfter(first_job_, a, 1, 60000);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(Logged("Print \t" + a + "\tSuccessed!"));
  EXPECT_TRUE(qftest::FileExists(a)) << "the file was disposed of";
}

TEST_F(ListRunTest, ARunInsideTheProgressWindowClosesItAndStopEndsIt) {
  // The run executes inside the window's modal loop and closes it at its end.
  for (const char* n : {"C:\\a.png", "C:\\b.png"}) form_->Documents().AddFile(n);
  bool visible_during = false, playing = false, pictured = false;
  form_->PrintRequest = [&](CPrintFile&) {
    visible_during = form_->ProgressWindow && IsWindowVisible(form_->ProgressWindow->Handle());
    playing = form_->ProgressWindow && form_->ProgressWindow->AnimationPlaying();
    if (form_->ProgressWindow && !pictured) {
      qftest::PumpFor(800);  // a few frames
      pictured = qftest::SaveWindowPicture(form_->ProgressWindow->Handle(), QF_ARTIFACT_DIR "/progress-window.bmp");
    }
    return true;
  };
  {
    TProgform progress(form_->Handle());
    ASSERT_NE(progress.Handle(), nullptr);
    EXPECT_EQ(qftest::WindowText(progress.Handle()), "Print Progress");
    RECT rc{};
    GetClientRect(progress.Handle(), &rc);
    EXPECT_EQ(rc.right, 310);
    EXPECT_EQ(rc.bottom, 110);
    form_->ProgressWindow = &progress;
    progress.SetRunCallback([&](TProgform&) { form_->PrintActionExecute(); });
    EXPECT_EQ(progress.Run(), IDCANCEL);
    EXPECT_EQ(form_->ProgressWindow, nullptr);
    EXPECT_EQ(progress.Handle(), nullptr) << "the window went away with the run";
  }
  EXPECT_TRUE(visible_during);
  EXPECT_TRUE(playing) << "the animation did not play";
  EXPECT_TRUE(pictured);

  // Stop: the run sees the flag after its current file.
  int printed = 0;
  form_->PrintRequest = [&](CPrintFile&) {
    ++printed;
    if (printed == 1) {
      HWND stop = GetDlgItem(form_->ProgressWindow->Handle(), TProgform::kButton1);
      EXPECT_EQ(qftest::WindowText(stop), "&Stop");
      SendMessageA(stop, BM_CLICK, 0, 0);
    }
    return true;
  };
  TProgform progress(form_->Handle());
  form_->ProgressWindow = &progress;
  progress.SetRunCallback([&](TProgform&) { form_->PrintActionExecute(); });
  progress.Run();
  EXPECT_EQ(printed, 1);
  EXPECT_TRUE(StopPrinting);
}

TEST(ProgressAnimation, TheResourceIsTenRunLengthCodedFramesAtThreePerSecond) {
  HRSRC res = FindResourceA(nullptr, "MYavi", "AVI");
  ASSERT_NE(res, nullptr);
  const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, res)));
  const DWORD size = SizeofResource(nullptr, res);
  ASSERT_GT(size, 200u);
  auto dword = [&](size_t at) { return *reinterpret_cast<const DWORD*>(data + at); };
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 4), "RIFF");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data + 8), 4), "AVI ");
  const std::string all(reinterpret_cast<const char*>(data), size);
  const size_t avih = all.find("avih");
  ASSERT_NE(avih, std::string::npos);
  EXPECT_EQ(dword(avih + 8), 333333u) << "microseconds a frame";
  EXPECT_EQ(dword(avih + 8 + 16), 10u) << "frames";
  EXPECT_EQ(dword(avih + 8 + 32), 80u);
  EXPECT_EQ(dword(avih + 8 + 36), 65u);
  const size_t strf = all.find("strf");
  ASSERT_NE(strf, std::string::npos);
  EXPECT_EQ(*reinterpret_cast<const WORD*>(data + strf + 8 + 14), 8) << "bits a pixel";
  EXPECT_EQ(dword(strf + 8 + 16), 1u) << "BI_RLE8";
  size_t frames = 0;
  for (size_t at = all.find("00dc"); at != std::string::npos; at = all.find("00dc", at + 4)) ++frames;
  EXPECT_EQ(frames, 20u) << "ten frames, each in the index too";
}

}  // namespace

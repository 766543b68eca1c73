// The program's life in the notification area, driven from a second process
// as a user would: minimise, close, the tray icon's double-click and menu,
// "E&xit" and "Restore" with their questions, and a log-off.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/mainfrm.h"
#include "support/cupsjobs.h"
#include "support/folders.h"
#include "support/imagefiles.h"
#include "support/process_driver.h"
#include "support/tempdir.h"

namespace {

static_assert(ID_SHUTDOWNACTION == 116, "ExitThroughTheMenu posts this command");

constexpr DWORD kStartTimeout = 30000;

using qftest::SetStartUp;
using qftest::WaitFor;

class LifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override { SetStartUp(0); }
  HWND Start() {
    EXPECT_TRUE(app_.Start(QF_APP_EXE));
    return qftest::WaitForWindow("Tmainform", nullptr, app_.Id(), kStartTimeout);
  }
  HWND StartShown() {
    HWND wnd = Start();
    EXPECT_TRUE(WaitFor([&] { return wnd && IsWindowVisible(wnd); })) << "no main window";
    return wnd;
  }
  // Answers the next "Confirm" box with `button`; its text.
  std::string Answer(int button) {
    bool found = false;
    const std::string text = qftest::AnswerMessageBox("Confirm", qftest::kWaitMs, &found, button);
    EXPECT_TRUE(found) << "no question was asked";
    return text;
  }
  void Command(HWND wnd, int id) { PostMessageA(wnd, WM_COMMAND, static_cast<WPARAM>(id), 0); }
  bool NoFurtherQuestion(HWND wnd) { return qftest::NoFurtherQuestion(wnd, app_.Id()); }

  qftest::AppProcess app_;
};

TEST_F(LifecycleTest, MinimiseAndCloseHideBehindOneTrayIconAndADoubleClickBringsTheWindowBack) {
  HWND wnd = StartShown();
  ASSERT_NE(wnd, nullptr);
  EXPECT_FALSE(qftest::TrayIconPresent(wnd));
  for (UINT how : {UINT{SC_MINIMIZE}, UINT{SC_CLOSE}}) {
    PostMessageA(wnd, WM_SYSCOMMAND, how, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(wnd); })) << how;
    EXPECT_TRUE(WaitFor([&] { return qftest::TrayIconPresent(wnd); })) << how;
    EXPECT_FALSE(IsIconic(wnd)) << "the window went to the task bar";
    EXPECT_TRUE(app_.Running());
    PostMessageA(wnd, WM_TRAYICON, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(wnd); })) << how;
    EXPECT_TRUE(WaitFor([&] { return !qftest::TrayIconPresent(wnd); })) << "the icon stayed";
  }
  EXPECT_TRUE(NoFurtherQuestion(wnd)) << "showing the window outside watch mode asked something";
  EXPECT_TRUE(qftest::ExitThroughTheMenu(app_, wnd));
}

TEST_F(LifecycleTest, TheTrayMenuOpensWithItsPictureStripAtTheCursor) {
  HWND wnd = StartShown();
  PostMessageA(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitFor([&] { return qftest::TrayIconPresent(wnd); }));
  SetCursorPos(400, 300);
  PostMessageA(wnd, WM_TRAYICON, 0, WM_RBUTTONUP);
  HWND menu = qftest::WaitForVisibleWindow("#32768", nullptr, app_.Id(), qftest::kWaitMs);
  ASSERT_NE(menu, nullptr) << "no menu opened";
  RECT rc{};
  GetWindowRect(menu, &rc);
  EXPECT_LE(std::abs(rc.left - 400), 2) << "not at the cursor";
  EXPECT_GE(rc.bottom - rc.top, 60);
  auto pixel = [&](int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, rc.left + 4, rc.top + y);
    ReleaseDC(nullptr, screen);
    return c;
  };
  // The menu paints itself some time after it shows, later on a busy
  // machine: its strip is read once it is there.
  ASSERT_TRUE(WaitFor([&] { return pixel(6) != 0 && pixel(110) != 0; }, "the menu's strip to be painted"));
  ASSERT_TRUE(qftest::SaveWindowPicture(menu, QF_ARTIFACT_DIR "/tray-menu.bmp"));
  // Its left edge is the green-to-blue strip.
  const COLORREF top = pixel(6);
  const COLORREF bottom = pixel(110);
  EXPECT_GT(GetGValue(top), GetBValue(top)) << std::hex << top;
  EXPECT_GT(GetBValue(bottom), GetGValue(bottom)) << std::hex << bottom;
  keybd_event(VK_ESCAPE, 0, 0, 0);
  keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, "Escape to close the menu"));
  PostMessageA(wnd, WM_TRAYICON, 0, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(wnd); }));
  EXPECT_TRUE(qftest::ExitThroughTheMenu(app_, wnd));
}

// Started in watch mode ("StartUp"): the icon answers, and "E&xit" asks
// twice, each question answered each way.
TEST_F(LifecycleTest, ExitInWatchModeAsksTwiceAndEachCancelKeepsTheProgram) {
  SetStartUp(1);
  HWND wnd = Start();
  ASSERT_NE(wnd, nullptr);
  ASSERT_TRUE(WaitFor([&] { return qftest::TrayIconPresent(wnd); }));
  Command(wnd, ID_SHUTDOWNACTION);
  EXPECT_EQ(Answer(IDCANCEL), "Now is working in folder watch mode,Stop it?");
  EXPECT_TRUE(NoFurtherQuestion(wnd)) << "a Cancel went on to the second question";
  EXPECT_TRUE(app_.Running());

  Command(wnd, ID_SHUTDOWNACTION);
  EXPECT_EQ(Answer(IDOK), "Now is working in folder watch mode,Stop it?");
  EXPECT_EQ(Answer(IDCANCEL), "Exit Quirefeed?");
  EXPECT_TRUE(NoFurtherQuestion(wnd));
  EXPECT_TRUE(app_.Running());

  // Watch mode is off now: only the second question comes.
  Command(wnd, ID_SHUTDOWNACTION);
  EXPECT_EQ(Answer(IDOK), "Exit Quirefeed?");
  DWORD code = 99;
  EXPECT_TRUE(app_.WaitExit(qftest::kWaitMs, &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(LifecycleTest, ADoubleClickWhileWatchingAsksAndCancelKeepsWatchingWithTheWindowShown) {
  SetStartUp(1);
  HWND wnd = Start();
  ASSERT_TRUE(WaitFor([&] { return qftest::TrayIconPresent(wnd); }));
  PostMessageA(wnd, WM_TRAYICON, 0, WM_LBUTTONDBLCLK);
  EXPECT_EQ(Answer(IDCANCEL), "Now is runing on watch folder mode,stop it?");
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_FALSE(qftest::TrayIconPresent(wnd));
  // Still watching: "E&xit" asks about watch mode first.
  Command(wnd, ID_SHUTDOWNACTION);
  EXPECT_EQ(Answer(IDOK), "Now is working in folder watch mode,Stop it?");
  EXPECT_EQ(Answer(IDOK), "Exit Quirefeed?");
  EXPECT_TRUE(app_.WaitExit(qftest::kWaitMs));
}

TEST_F(LifecycleTest, ALogOffEndsTheProgram) {
  HWND wnd = StartShown();
  // The query goes through the close question: refused, to the tray.
  DWORD_PTR answer = 1;
  SendMessageTimeoutA(wnd, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 10000, &answer);
  EXPECT_EQ(answer, 0u);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(wnd); }));
  EXPECT_TRUE(app_.Running());
  SendMessageTimeoutA(wnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer);
  DWORD code = 99;
  EXPECT_TRUE(app_.WaitExit(qftest::kWaitMs, &code)) << "the log-off did not end the program";
  EXPECT_EQ(code, 0u);
}

// "Restore" during a list run of three files: Cancel changes nothing, OK
// stops the run after the file in progress.
TEST_F(LifecycleTest, RestoreDuringAListRunAsksAndOkStopsItAfterTheCurrentFile) {
  qftest::TempDir dir;
  const std::string stamp = std::to_string(GetTickCount());
  std::vector<std::string> files;
  for (int i = 1; i <= 3; ++i) {
    files.push_back(dir / ("restore" + std::to_string(i) + "-" + stamp + ".png"));
    ASSERT_TRUE(qftest::WritePng(files.back(), 8, 8, {30, 60, 90}));
  }
  const std::string lst = dir / "three.lst";
  ASSERT_TRUE(qftest::WriteFileBytes(lst, files[0] + "\r\n" + files[1] + "\r\n" + files[2] + "\r\n"));
  HWND wnd = StartShown();
  HWND list = FindWindowExA(wnd, nullptr, WC_LISTVIEWA, nullptr);
  Command(wnd, ID_IMPORTFILEACTION);
  ASSERT_TRUE(qftest::AnswerFileDialog("Open", lst, qftest::kWaitMs));
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3; }));
  // The second file is held open: the run waits for it while the user asks.
  HANDLE hold = CreateFileA(files[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  const int before = qftest::HighestCupsJobId();
  Command(wnd, ID_PRINTACTION);
  ASSERT_EQ(qftest::FinishedJobsAfter(before, files[0], 1, 60000).size(), 1u);

  Command(wnd, ID_RESTOREACTION);
  EXPECT_EQ(Answer(IDCANCEL), "Print operation is in progress,Stop it?");
  Command(wnd, ID_RESTOREACTION);
  EXPECT_EQ(Answer(IDOK), "Print operation is in progress,Stop it?");
  CloseHandle(hold);
  ASSERT_EQ(qftest::FinishedJobsAfter(before, files[1], 1, 60000).size(), 1u) << "the file in progress was cut";
  // The run sets the progress bar's range to its rows and back to nothing
  // at its end: whatever it spooled is in the scheduler by then.
  HWND bar = FindWindowExA(wnd, nullptr, PROGRESS_CLASSA, nullptr);
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(bar, PBM_GETRANGE, FALSE, 0) == 0; }, "the run to end"));
  EXPECT_TRUE(qftest::JobsAfter(before, files[2]).empty()) << "the run went on after the stop";
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_TRUE(qftest::ExitThroughTheMenu(app_, wnd));
}

}  // namespace

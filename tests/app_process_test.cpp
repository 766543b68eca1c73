// The real executable under Wine, driven from this second process. Each test
// runs in a Wine prefix of its own.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "support/process_driver.h"

namespace {

constexpr DWORD kStartTimeout = 30000;

TEST(AppProcess, ShowsItsWindowAndClosesWhenAsked) {
  qftest::AppProcess app;
  DWORD error = 0;
  ASSERT_TRUE(app.Start(QF_APP_EXE, &error)) << "CreateProcess failed, error " << error;

  HWND wnd = qftest::WaitForVisibleWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr) << "no main window appeared";
  EXPECT_EQ(qftest::WindowText(wnd), "Quirefeed");
  EXPECT_TRUE(IsWindowVisible(wnd));
  Sleep(500);  // let it paint before the picture is taken
  EXPECT_TRUE(qftest::SaveWindowPicture(wnd, QF_ARTIFACT_DIR "/main-window.bmp"));

  ASSERT_TRUE(PostMessageA(wnd, WM_CLOSE, 0, 0));
  DWORD code = 99;
  ASSERT_TRUE(app.WaitExit(15000, &code)) << "the program did not end after WM_CLOSE";
  EXPECT_EQ(code, 0u);
}

TEST(AppProcess, SecondInstanceEndsAtOnceAndLeavesTheFirstRunning) {
  qftest::AppProcess first, second;
  ASSERT_TRUE(first.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForVisibleWindow("Tmainform", nullptr, first.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);

  ASSERT_TRUE(second.Start(QF_APP_EXE));
  DWORD code = 99;
  ASSERT_TRUE(second.WaitExit(10000, &code)) << "the second instance kept running";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(qftest::WaitForWindow("Tmainform", nullptr, second.Id(), 0), nullptr);
  EXPECT_EQ(qftest::WaitForWindow("#32770", nullptr, second.Id(), 0), nullptr) << "it showed a message";
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(IsWindow(wnd));
  EXPECT_TRUE(IsWindowVisible(wnd));
}

TEST(AppProcess, StartUpValueKeepsTheWindowHiddenWithOnlyTheTrayIcon) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quirefeed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  const DWORD one = 1;
  RegSetValueExA(key, "StartUp", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(key);

  qftest::AppProcess app;
  ASSERT_TRUE(app.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);
  // The tray icon is added at the end of start-up; give the shell a moment.
  NOTIFYICONDATAA probe{};
  probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
  probe.hWnd = wnd;
  probe.uID = 0;
  probe.uFlags = NIF_TIP;
  lstrcpyA(probe.szTip, "Quirefeed");
  bool icon = false;
  for (int i = 0; i < 100 && !icon; ++i, Sleep(50)) icon = Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
  EXPECT_TRUE(icon) << "no tray icon";
  for (int i = 0; i < 10; ++i, Sleep(100)) ASSERT_FALSE(IsWindowVisible(wnd)) << "the main window was shown";
  EXPECT_TRUE(app.Running());
}

TEST(AppProcess, MenusShowTheirCaptionsToAnotherProcess) {
  qftest::AppProcess app;
  ASSERT_TRUE(app.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);
  const std::string menus = qftest::ReadForeignMenus(wnd, QF_MENUHOOK_DLL);
  EXPECT_EQ(menus,
            "&File\n"
            "  &Add Files [picture]\n"
            "  &Clear\n"
            "  -\n"
            "  &Save File List\n"
            "  &Import File List\n"
            "  -\n"
            "  View Log\n"
            "  Clear &Log\n"
            "  -\n"
            "  E&xit\n"
            "&View\n"
            "  &Small Icon\n"
            "  &List\n"
            "  &Detail [checked]\n"
            "&Options\n"
            "  &Word Print Options\n"
            "  &Html Print Options\n"
            "&Tasks\n"
            "  Print folder\n"
            "  &Watch folder\n"
            "&Help\n"
            "  &Help\tF1\n"
            "  -\n"
            "  &Visit Our Website!\n"
            "  Comments Or Suggestions\n"
            "  -\n"
            "  &About... [picture]\n");
}

}  // namespace

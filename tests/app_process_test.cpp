// The real executable under Wine, driven from this second process.
#include <gtest/gtest.h>

#include "support/process_driver.h"

namespace {

TEST(AppProcess, ShowsItsWindowAndClosesWhenAsked) {
  qftest::AppProcess app;
  DWORD error = 0;
  ASSERT_TRUE(app.Start(QF_APP_EXE, &error)) << "CreateProcess failed, error " << error;

  HWND wnd = qftest::WaitForWindow("Tmainform", nullptr, app.Id(), 30000);
  ASSERT_NE(wnd, nullptr) << "no main window appeared";
  EXPECT_EQ(qftest::WindowText(wnd), "Quirefeed");
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_TRUE(qftest::SaveWindowPicture(wnd, QF_ARTIFACT_DIR "/main-window.bmp"));

  ASSERT_TRUE(PostMessageA(wnd, WM_CLOSE, 0, 0));
  DWORD code = 99;
  ASSERT_TRUE(app.WaitExit(15000, &code)) << "the program did not end after WM_CLOSE";
  EXPECT_EQ(code, 0u);
}

}  // namespace

#pragma once
// A modal window of the test's own process, driven from a second thread as a
// user beside the program would drive it.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <future>
#include <string>

#include "support/process_driver.h"
#include "support/waitfor.h"

namespace qftest {

// Closes every window of class `window_class` and every message box of this
// process: what a script that ended early left open.
inline void CloseOwnWindows(const char* window_class) {
  struct Req {
    const char* cls;
    DWORD pid;
  } req{window_class, GetCurrentProcessId()};
  EnumWindows(
      [](HWND wnd, LPARAM lp) -> BOOL {
        const Req& r = *reinterpret_cast<const Req*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        char cls[64] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        if (pid == r.pid && (lstrcmpiA(cls, r.cls) == 0 || lstrcmpiA(cls, "#32770") == 0))
          PostMessageA(wnd, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&req));
}

// Runs `execute`, which shows a modal window of class `window_class` (and
// caption, when given) and returns once it closed, while `script` drives the
// window from another thread. The script ends by closing the window; one
// that returned early (a failed ASSERT) or never found the window leaves it
// open, and then it is closed here, so that a failure ends the test in
// seconds instead of holding it until CTest's time-out.
template <typename Execute>
auto DriveModal(const char* window_class, const char* caption, const std::function<void(HWND)>& script, Execute execute)
    -> decltype(execute()) {
  std::atomic<bool> closed{false};
  auto user = std::async(std::launch::async, [&] {
    HWND wnd = WaitForVisibleWindow(window_class, caption, GetCurrentProcessId(), kWaitMs);
    if (wnd) script(wnd);
    if (!WaitFor([&] { return closed.load(); }, std::string(window_class) + " to close", 10000)) {
      ADD_FAILURE() << window_class << " was left open";
      WaitFor(
          [&] {
            CloseOwnWindows(window_class);
            return closed.load();
          },
          std::string(window_class) + " to close when told to", 10000, 200);
    }
    return wnd != nullptr;
  });
  struct Closed {
    std::atomic<bool>& flag;
    ~Closed() { flag = true; }
  } mark{closed};
  auto result = execute();
  mark.flag = true;
  EXPECT_TRUE(user.get()) << window_class << " never showed";
  return result;
}

}  // namespace qftest

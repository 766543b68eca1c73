#pragma once
// A modal window of the test's own process, driven from a second thread as a
// user beside the program would drive it.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <type_traits>

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
// window from another thread; returns what `execute` returned. The script
// ends by closing the window; one that returned early (a failed ASSERT)
// leaves it open, and then it is closed here, so that a failure ends the
// test in seconds instead of holding it until CTest's time-out. The wait
// for the window also ends when `execute` returned, or threw, without one.
// Whether the window showed goes to `shown`; without it, not showing is a
// failure.
template <typename Execute>
auto DriveModal(const char* window_class, const char* caption, const std::function<void(HWND)>& script, Execute execute,
                bool* shown = nullptr) -> decltype(execute()) {
  std::atomic<bool> returned{false}, showed{false};
  std::thread user([&] {
    HWND wnd = nullptr;
    WaitFor(
        [&] {
          wnd = WaitForVisibleWindow(window_class, caption, GetCurrentProcessId(), 0);
          return wnd != nullptr || returned.load();
        },
        std::string(window_class) + " to show");
    if (wnd) {
      showed = true;
      script(wnd);
    }
    if (WaitFor([&] { return returned.load(); }, std::string(window_class) + " to close", 10000)) return;
    ADD_FAILURE() << window_class << " was left open";
    WaitFor(
        [&] {
          CloseOwnWindows(window_class);
          return returned.load();
        },
        std::string(window_class) + " to close when told to", 10000, 200);
  });
  // However `execute` ends, the thread is told and waited for.
  struct Over {
    std::atomic<bool>& returned;
    std::thread& user;
    ~Over() {
      returned = true;
      user.join();
    }
  };
  auto report = [&] {
    if (shown) {
      *shown = showed;
    } else {
      EXPECT_TRUE(showed.load()) << window_class << " never showed";
    }
  };
  if constexpr (std::is_void_v<decltype(execute())>) {
    {
      Over over{returned, user};
      execute();
    }
    report();
  } else {
    auto result = [&] {
      Over over{returned, user};
      return execute();
    }();
    report();
    return result;
  }
}

}  // namespace qftest

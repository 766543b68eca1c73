#pragma once
// The one way a test waits: a bounded poll for the condition itself, never a
// fixed time that stands in for it. The result says what was awaited and for
// how long when the bound ran out, so ASSERT_TRUE(WaitFor(...)) fails with a
// message that needs no comment beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace qftest {

// A generous bound: only a hang reaches it, never a slow machine.
constexpr DWORD kWaitMs = 30000;

// Polls `done` every `poll_ms` until it holds; a failure once `ms` passed.
template <typename Done>
::testing::AssertionResult WaitFor(Done done, const std::string& what = "the condition", DWORD ms = kWaitMs,
                                   DWORD poll_ms = 20) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return ::testing::AssertionSuccess();
    if (GetTickCount() - start >= ms)
      return ::testing::AssertionFailure() << "waited " << ms << " ms for " << what << " in vain";
    Sleep(poll_ms);
  }
}

template <typename Done>
::testing::AssertionResult WaitFor(Done done, DWORD ms) {
  return WaitFor(done, "the condition", ms);
}

// The same while the calling thread's own messages run (its windows and
// timers go on between the polls).
template <typename Done>
::testing::AssertionResult PumpUntil(Done done, const std::string& what = "the condition", DWORD ms = kWaitMs) {
  return WaitFor(
      [&] {
        MSG msg;
        for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
        return done();
      },
      what, ms, 10);
}

}  // namespace qftest

#pragma once
// Waits of tests that run the program's windows in their own process: the
// application's messages and idle handling go on while they wait.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/waitfor.h"
#include "winkit/application.h"

namespace qftest {

// Lets the window's messages and idle handling run for `ms`.
inline void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    winkit::TApplication::Get().ProcessMessages();
    winkit::TApplication::Get().DoIdle();
    Sleep(10);
  }
}

// Waits, with a bound, until `done` holds while the messages and idle
// handling run.
template <typename Done>
::testing::AssertionResult PumpAppUntil(Done done, const std::string& what, DWORD ms = kWaitMs) {
  return WaitFor(
      [&] {
        PumpFor(10);
        return done();
      },
      what, ms, 0);
}

}  // namespace qftest

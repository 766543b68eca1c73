#pragma once
// The web-page driver's bound on a page that never finishes loading (the
// driver itself is declared with the others in drivers.h).
#include <windows.h>

// How long the driver waits for the browser to report the page loaded.
constexpr DWORD kPageLoadLimitMs = 5u * 60u * 1000u;
// Tests shorten it; 0 restores the default.
void SetPageLoadLimitMs(DWORD ms);

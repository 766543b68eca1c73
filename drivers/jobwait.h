#pragma once
// How the drivers whose application prints in the background wait for the
// print-job monitor to report the job: blocked, as the application expects
// (no window messages are handled meanwhile), but never for good.
#include <windows.h>

#include <string>

#include "winkit/thread.h"

// Told by the single-document print before it calls a driver: whether a
// monitor watches the printer's queue for this request. Without one,
// nothing would ever set the completion event.
void SetJobMonitorWatching(bool watching);
bool JobMonitorWatching();

// The longest wait for a report; a long document still fits in it.
constexpr DWORD kJobReportLimitMs = 10u * 60u * 1000u;
// Tests shorten it; 0 restores the default.
void SetJobReportLimitMs(DWORD ms);

// Waits until `done` is set, the limit passes, or at once when no monitor
// watches; the last two are written to the activity log. True when the job
// was reported.
bool WaitForJobReport(winkit::TEvent& done, const std::string& path);

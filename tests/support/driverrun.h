#pragma once
// A document driver called as the single-document print calls it: with the
// print-job monitor watching the printer for the file's name.
#include <windows.h>

#include <string>

#include "drivers/drivers.h"
#include "drivers/jobwait.h"
#include "support/watching.h"

namespace qftest {

struct DriverOutcome {
  bool result;
  DWORD ms;
};

inline DriverOutcome RunDriver(PrintProc driver, const std::string& printer, const std::string& path,
                               bool with_monitor = true) {
  winkit::TEvent done;
  winkit::ThreadOwner<TPrinterNotifier> monitor;
  if (with_monitor) monitor = StartWatching(printer, NamePartOf(path), done);
  SetJobMonitorWatching(monitor && monitor->Watching());
  const DWORD start = GetTickCount();
  const bool result = driver(path, done);
  const DWORD ms = GetTickCount() - start;
  SetJobMonitorWatching(false);
  monitor.reset();
  return {result, ms};
}

}  // namespace qftest

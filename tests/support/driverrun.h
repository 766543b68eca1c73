#pragma once
// A document driver called as the single-document print calls it: with the
// print-job monitor watching the printer for the file's name.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "drivers/drivers.h"
#include "drivers/jobwait.h"
#include "support/watching.h"

namespace qftest {

struct DriverOutcome {
  bool result;
  DWORD ms;
};

// `beside`, when given, runs on a thread of its own while the driver works,
// with the request's completion event: a test's own end marker for a wait
// that no job will end. It must end within a bound of its own.
inline DriverOutcome RunDriver(PrintProc driver, const std::string& printer, const std::string& path,
                               bool with_monitor = true, const std::function<void(winkit::TEvent&)>& beside = {}) {
  winkit::TEvent done;
  winkit::ThreadOwner<TPrinterNotifier> monitor;
  if (with_monitor) monitor = StartWatching(printer, NamePartOf(path), done);
  SetJobMonitorWatching(monitor && monitor->Watching());
  std::thread side;
  if (beside) side = std::thread([&] { beside(done); });
  const DWORD start = GetTickCount();
  const bool result = driver(path, done);
  const DWORD ms = GetTickCount() - start;
  if (side.joinable()) side.join();
  SetJobMonitorWatching(false);
  monitor.reset();
  return {result, ms};
}

}  // namespace qftest

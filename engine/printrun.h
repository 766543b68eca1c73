#pragma once
// What every print run shares, the list run of the main window and the
// folder runs alike: the bracket around the run, and the request it makes
// for each file from its print settings.
#include <string>

#include "drivers/pagesetup.h"
#include "engine/printfile.h"
#include "tasks/settings/printaction.h"

class TProgform;

// While a run prints: StopPrinting is false until a stop is asked for, and
// on every way out it turns true and an open progress window is closed and
// its reference cleared. With `settle`, the messages pending at the end run
// once before the window closes.
class RunActiveScope {
 public:
  explicit RunActiveScope(TProgform*& progress, bool settle = false);
  ~RunActiveScope();
  RunActiveScope(const RunActiveScope&) = delete;
  RunActiveScope& operator=(const RunActiveScope&) = delete;

 private:
  TProgform*& progress_;
  bool settle_;
};

// From its start to every way out of a run: the browser prints with the
// program's page setup, and the run is active.
class PrintRunScope {
 public:
  PrintRunScope(const PageSetupPlace& page_setup, TProgform*& progress) : page_setup_(page_setup), run_(progress) {}
  PrintRunScope(const PrintRunScope&) = delete;
  PrintRunScope& operator=(const PrintRunScope&) = delete;

 private:
  PageSetupScope page_setup_;
  RunActiveScope run_;
};

// Fills a request for `path` with the run's printer, post-print action and
// move-to folder (a damaged stored action narrows to "keep", never to
// "recycle"). False, with a log line, when the path does not fit a request.
bool MakePrintRequest(const CPrintAction& settings, const std::string& path, CPrintFile& request);

#pragma once
// A printer's device context and the print job drawn on it: the DC is
// deleted by its owner, and a job that was started but never ended is
// aborted, so that no half-spooled job stays in the queue.
#include <windows.h>

#include <string>

#include "winkit/handles.h"

namespace winkit {

using PrinterDc = Unique<traits::Dc>;

// The name of the system's default printer; empty when there is none.
std::string DefaultPrinterName();

// A DC for `printer` with its stored settings, or with `devmode` when given;
// empty (GetLastError() set) when the printer cannot be used.
PrinterDc CreatePrinterDc(const std::string& printer, const DEVMODEA* devmode = nullptr);

class PrintJob {
 public:
  // Starts the document `name` on `dc`; Started() tells whether it did.
  PrintJob(HDC dc, const std::string& name);
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;
  ~PrintJob();

  bool Started() const noexcept { return started_; }
  // Pages; false when the driver refused (the job goes on failing).
  bool StartPage() noexcept;
  bool EndPage() noexcept;
  // Ends the document; true when the whole job was spooled. A job ended
  // after any failed step is aborted instead and reports false.
  bool End() noexcept;
  // The system error of the first step that failed; NO_ERROR when none did.
  DWORD Error() const noexcept { return error_; }

 private:
  bool Step(bool ok) noexcept;

  HDC dc_;
  bool started_ = false;
  bool page_open_ = false;
  bool ended_ = false;
  DWORD error_ = NO_ERROR;
};

}  // namespace winkit

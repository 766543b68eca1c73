#include "support/gdiprint.h"

#include <windows.h>
#include <winspool.h>

#include "winkit/printjob.h"

namespace qftest {

bool PrintTestPage(const std::string& printer, const std::string& document, std::string* error) {
  winkit::PrinterDc dc = winkit::CreatePrinterDc(printer);
  if (!dc) {
    if (error) *error = "CreateDC failed: " + std::to_string(GetLastError());
    return false;
  }
  winkit::PrintJob job(dc.get(), document);
  if (job.StartPage()) {
    const std::string text = "Quirefeed test page: " + document;
    TextOutA(dc.get(), 300, 300, text.c_str(), static_cast<int>(text.size()));
  }
  const bool ok = job.End();
  if (!ok && error) *error = "StartDoc/EndDoc failed: " + std::to_string(job.Error());
  return ok;
}

std::string DefaultPrinterName() { return winkit::DefaultPrinterName(); }

}  // namespace qftest

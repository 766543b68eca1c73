#include "support/gdiprint.h"

#include <windows.h>
#include <winspool.h>

namespace qftest {

bool PrintTestPage(const std::string& printer, const std::string& document, std::string* error) {
  HDC dc = CreateDCA("WINSPOOL", printer.c_str(), nullptr, nullptr);
  if (!dc) {
    if (error) *error = "CreateDC failed: " + std::to_string(GetLastError());
    return false;
  }
  DOCINFOA di{};
  di.cbSize = sizeof di;
  di.lpszDocName = document.c_str();
  bool ok = StartDocA(dc, &di) > 0;
  if (ok) {
    StartPage(dc);
    const std::string text = "Quirefeed test page: " + document;
    TextOutA(dc, 300, 300, text.c_str(), static_cast<int>(text.size()));
    EndPage(dc);
    ok = EndDoc(dc) > 0;
  }
  if (!ok && error) *error = "StartDoc/EndDoc failed: " + std::to_string(GetLastError());
  DeleteDC(dc);
  return ok;
}

std::string DefaultPrinterName() {
  char name[512] = {};
  DWORD size = sizeof name;
  return GetDefaultPrinterA(name, &size) ? std::string(name) : std::string();
}

}  // namespace qftest

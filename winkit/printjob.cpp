#include "winkit/printjob.h"

#include <winspool.h>

namespace winkit {

std::string DefaultPrinterName() {
  DWORD size = 0;
  GetDefaultPrinterA(nullptr, &size);
  if (size == 0) return {};
  std::string name(size, '\0');
  if (!GetDefaultPrinterA(name.data(), &size)) return {};
  name.resize(name.find('\0') == std::string::npos ? name.size() : name.find('\0'));
  return name;
}

PrinterDc CreatePrinterDc(const std::string& printer, const DEVMODEA* devmode) {
  return PrinterDc(CreateDCA("WINSPOOL", printer.c_str(), nullptr, devmode));
}

PrintJob::PrintJob(HDC dc, const std::string& name) : dc_(dc) {
  DOCINFOA doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = name.c_str();
  started_ = Step(dc_ && StartDocA(dc_, &doc) > 0);
}

PrintJob::~PrintJob() {
  if (started_ && !ended_) AbortDoc(dc_);
}

bool PrintJob::Step(bool ok) noexcept {
  if (!ok && error_ == NO_ERROR) {
    error_ = GetLastError();
    if (error_ == NO_ERROR) error_ = ERROR_GEN_FAILURE;
  }
  return ok;
}

bool PrintJob::StartPage() noexcept {
  if (!started_ || ended_ || error_ != NO_ERROR) return false;
  page_open_ = Step(::StartPage(dc_) > 0);
  return page_open_;
}

bool PrintJob::EndPage() noexcept {
  if (!page_open_) return false;
  page_open_ = false;
  return Step(::EndPage(dc_) > 0);
}

bool PrintJob::End() noexcept {
  if (!started_ || ended_) return false;
  if (page_open_) EndPage();
  ended_ = true;
  if (error_ != NO_ERROR) {
    AbortDoc(dc_);
    return false;
  }
  return Step(EndDoc(dc_) > 0);
}

}  // namespace winkit

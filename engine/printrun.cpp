#include "engine/printrun.h"

#include "app/base/log.h"
#include "engine/progfrm.h"

PrintRunScope::PrintRunScope(const PageSetupPlace& page_setup, TProgform*& progress)
    : page_setup_(page_setup), progress_(progress) {
  StopPrinting = false;
}

PrintRunScope::~PrintRunScope() {
  // Also after an error inside the run: no run is active any more.
  StopPrinting = true;
  if (progress_) {
    progress_->Close();
    progress_ = nullptr;
  }
}

bool MakePrintRequest(const CPrintAction& settings, const std::string& path, CPrintFile& request) {
  request.SetAction(RequestAction(settings.Data->Action));
  request.SetMoveToFolder(settings.Data->MoveToFolder);
  request.SetPrinterName(settings.Data->PrinterName);
  if (request.SetFileName(path)) return true;
  WriteLog(LogStamp() + "Print \t" + path + "\tFailed! The path is longer than 259 characters");
  return false;
}

#include "engine/printrun.h"

#include "app/base/log.h"
#include "engine/progfrm.h"
#include "winkit/application.h"

RunActiveScope::RunActiveScope(TProgform*& progress, bool settle) : progress_(progress), settle_(settle) {
  StopPrinting = false;
}

RunActiveScope::~RunActiveScope() {
  // Also after an error inside the run: no run is active any more.
  StopPrinting = true;
  if (settle_) winkit::TApplication::Get().ProcessMessages();
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

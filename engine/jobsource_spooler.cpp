#include <windows.h>
#include <winspool.h>

#include <atomic>
#include <iterator>

#include "engine/jobsource.h"
#include "tasks/settings/printaction.h"

namespace {

class SpoolerJobSource : public IJobSource {
 public:
  explicit SpoolerJobSource(HANDLE printer) : printer_(printer) {}
  ~SpoolerJobSource() override {
    if (change_ != INVALID_HANDLE_VALUE) FindClosePrinterChangeNotification(change_);
  }

  bool Register() override {
    change_ = FindFirstPrinterChangeNotification(printer_, PRINTER_CHANGE_JOB, 0, &options_);
    return change_ != INVALID_HANDLE_VALUE && change_ != nullptr;
  }

  Wait WaitPass(JobNotifyPass& pass) override {
    WaitForSingleObject(change_, INFINITE);
    if (woken_) return Wait::Ended;
    DWORD change = 0;
    PRINTER_NOTIFY_OPTIONS next = options_;
    next.Flags = 0;
    PRINTER_NOTIFY_INFO* info = nullptr;
    FindNextPrinterChangeNotification(change_, &change, &next, reinterpret_cast<void**>(&info));
    if (!info) return Wait::NoInfo;
    pass.clear();
    for (DWORD i = 0; i < info->Count; ++i) {
      const PRINTER_NOTIFY_INFO_DATA& d = info->aData[i];
      JobNotifyItem item;
      item.field = d.Field;
      item.job_id = d.Id;
      switch (d.Field) {
        case JOB_NOTIFY_FIELD_DOCUMENT:
        case JOB_NOTIFY_FIELD_PRINTER_NAME:
        case JOB_NOTIFY_FIELD_MACHINE_NAME:
        case JOB_NOTIFY_FIELD_USER_NAME:
          if (d.NotifyData.Data.pBuf) item.text = static_cast<const char*>(d.NotifyData.Data.pBuf);
          break;
        default:
          item.number = d.NotifyData.adwData[0];
      }
      pass.push_back(std::move(item));
    }
    FreePrinterNotifyInfo(info);
    return Wait::Pass;
  }

  void Wake() noexcept override {
    woken_ = true;
    // The change handle is an event: signalling it ends the wait.
    if (change_ != INVALID_HANDLE_VALUE) SetEvent(change_);
  }

 private:
  HANDLE printer_;
  HANDLE change_ = INVALID_HANDLE_VALUE;
  std::atomic<bool> woken_{false};
  WORD fields_[6] = {JOB_NOTIFY_FIELD_STATUS,   JOB_NOTIFY_FIELD_MACHINE_NAME, JOB_NOTIFY_FIELD_USER_NAME,
                     JOB_NOTIFY_FIELD_DOCUMENT, JOB_NOTIFY_FIELD_TOTAL_PAGES,  JOB_NOTIFY_FIELD_TOTAL_BYTES};
  PRINTER_NOTIFY_OPTIONS_TYPE type_{JOB_NOTIFY_TYPE, 0, 0, 0, static_cast<DWORD>(std::size(fields_)), fields_};
  PRINTER_NOTIFY_OPTIONS options_{2, 0, 1, &type_};
};

}  // namespace

std::unique_ptr<IJobSource> MakeSpoolerJobSource(HANDLE printer) {
  return std::make_unique<SpoolerJobSource>(printer);
}

std::string CupsQueueOfPrinter(HANDLE printer) {
  const std::vector<std::uint8_t> buf = PrinterInfo2(printer);
  if (buf.empty()) return {};
  const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buf.data());
  const std::string port = info->pPortName ? info->pPortName : "";
  if (port.size() <= 5 || _strnicmp(port.c_str(), "CUPS:", 5) != 0) return {};
  return port.substr(5);
}

#include "engine/printernotify.h"

#include <winspool.h>

#include "app/base/log.h"
#include "app/base/product.h"

namespace {

// The word processor prefixes its job names; the rest is the document's.
std::string WithoutWordPrefix(std::string name) {
  static const std::string kWordPrefix = "Microsoft Word - ";
  if (name.compare(0, kWordPrefix.size(), kWordPrefix) == 0) name.erase(0, kWordPrefix.size());
  return name;
}

}  // namespace

bool DocumentNameMatches(std::string printed, const std::string& x) {
  const std::string d = WithoutWordPrefix(std::move(printed));
  if (CompareStringA(LOCALE_USER_DEFAULT, 0, d.c_str(), static_cast<int>(d.size()), x.c_str(),
                     static_cast<int>(x.size())) == CSTR_EQUAL)
    return true;
  // Compared in parts around the first "...": the head before it must begin
  // x and the tail after the dots (all but the first two characters when
  // there are none) must end it.
  const size_t found = d.find("...");
  const long long p = found == std::string::npos ? 0 : static_cast<long long>(found) + 1;
  const long long len = static_cast<long long>(d.size());
  const std::string head = p > 0 ? d.substr(0, static_cast<size_t>(p - 1)) : std::string();
  const long long tail_len = len - p - 2;
  const std::string tail = tail_len >= 1 ? d.substr(static_cast<size_t>(len - tail_len)) : std::string();
  const bool head_fits = head.size() <= x.size() && x.compare(0, head.size(), head) == 0;
  const bool tail_fits = tail.size() <= x.size() && x.compare(x.size() - tail.size(), tail.size(), tail) == 0;
  return head_fits && tail_fits;
}

TPrinterNotifier::TPrinterNotifier(const std::string& printer_name, HANDLE printer)
    : printer_name_(printer_name), printer_(printer) {}

TPrinterNotifier::TPrinterNotifier(const std::string& printer_name, HANDLE printer, std::unique_ptr<IJobSource> source)
    : printer_name_(printer_name), printer_(printer), source_(std::move(source)), source_given_(true) {}

TPrinterNotifier::~TPrinterNotifier() {
  // The owner has stopped the thread (winkit::ThreadOwner).
  {
    std::lock_guard<std::mutex> hold(source_lock_);
    source_.reset();
  }
  if (printer_) ClosePrinter(printer_);
}

IJobSource* TPrinterNotifier::Source() {
  std::lock_guard<std::mutex> hold(source_lock_);
  return source_.get();
}

void TPrinterNotifier::TerminateRequested() noexcept {
  std::lock_guard<std::mutex> hold(source_lock_);
  if (source_) source_->Wake();
}

void TPrinterNotifier::Execute() {
  // Whatever happens, whoever waits for the start is released.
  struct Started {
    winkit::TEvent& e;
    ~Started() { e.SetEvent(); }
  } started{started_};
  Watch();
}

void TPrinterNotifier::Watch() {
  if (!source_given_) {
    std::unique_ptr<IJobSource> chosen = MakeSpoolerJobSource(printer_);
    bool registered = chosen->Register();
    if (!registered) {
      // No change notifications here: follow the CUPS queue behind the port.
      const std::string queue = CupsQueueOfPrinter(printer_);
      if (queue.empty()) return;
      chosen = MakeCupsJobSource(queue);
      // Stopping the monitor must interrupt a registration in flight.
      {
        std::lock_guard<std::mutex> hold(source_lock_);
        source_ = std::move(chosen);
      }
      if (Terminated()) return;
      registered = Source()->Register();
    } else {
      std::lock_guard<std::mutex> hold(source_lock_);
      source_ = std::move(chosen);
    }
    if (!registered || Terminated()) return;
  } else if (!source_->Register()) {
    return;
  }
  watching_ = true;
  started_.SetEvent();
  IJobSource* source = Source();
  JobNotifyPass pass;
  while (!Terminated()) {
    const IJobSource::Wait r = source->WaitPass(pass);
    if (Terminated() || r == IJobSource::Wait::Ended) return;
    if (r == IJobSource::Wait::Pass) HandlePass(pass);
  }
}

void TPrinterNotifier::HandlePass(const JobNotifyPass& pass) {
  status_ = 0;
  for (const JobNotifyItem& item : pass) {
    job_id_ = item.job_id;
    switch (item.field) {
      case JOB_NOTIFY_FIELD_DOCUMENT:
        document_ = item.text;
        break;
      case JOB_NOTIFY_FIELD_STATUS:
        status_ = item.number;
        break;
      case JOB_NOTIFY_FIELD_PRINTER_NAME:
        printer_reported_ = item.text;
        break;
      case JOB_NOTIFY_FIELD_MACHINE_NAME:
        machine_ = item.text;
        break;
      case JOB_NOTIFY_FIELD_USER_NAME:
        user_ = item.text;
        break;
      case JOB_NOTIFY_FIELD_TOTAL_PAGES:
        total_pages_ = item.number;
        break;
      case JOB_NOTIFY_FIELD_TOTAL_BYTES:
        total_bytes_ = item.number;
        break;
      default:
        break;
    }
  }
  if (status_ & (JOB_STATUS_PRINTED | JOB_STATUS_DELETED | JOB_STATUS_COMPLETE)) MatchName();
}

void TPrinterNotifier::MatchName() {
  if (DocumentNameMatches(document_, expected_)) {
    if (event_) event_->SetEvent();
    return;
  }
  WriteLog(LogStamp() + "Warning! Current Document:" + expected_ + "\t" +
           "Printed Document:" + WithoutWordPrefix(document_));
  WriteLog(LogStamp() + "Please email this file to " + kSupportEmail + " if you encounter problem!");
}

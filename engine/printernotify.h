#pragma once
// The print-job monitor: a worker thread that watches one printer's jobs and
// sets the print request's completion event when the job of the expected
// document is reported printed, deleted or complete.
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "engine/jobsource.h"
#include "winkit/thread.h"

// Whether a printed job name d stands for the expected document x: equal
// (case respected), after dropping a leading "Microsoft Word - ", or equal
// around a "..." that shortened it.
bool DocumentNameMatches(std::string printed, const std::string& expected);

class TPrinterNotifier : public winkit::TThread {
 public:
  // Takes ownership of `printer` (an open printer handle, or null). The
  // source of job passes is chosen when the thread starts: the spooler's
  // notifications, else the CUPS queue behind the printer.
  TPrinterNotifier(const std::string& printer_name, HANDLE printer);
  // With a given source (tests, or a caller that already chose one).
  TPrinterNotifier(const std::string& printer_name, HANDLE printer, std::unique_ptr<IJobSource> source);
  ~TPrinterNotifier() override;

  void SetExpectedDocument(const std::string& name) { expected_ = name; }
  void SetCompletionEvent(winkit::TEvent* event) { event_ = event; }

  // Waits until the thread watches the queue, or found that it cannot;
  // false on time-out.
  bool WaitStarted(DWORD timeout_ms) const { return started_.WaitFor(timeout_ms) == winkit::TEvent::WaitResult::Signaled; }
  // True when the thread registered and watches (or watched) the queue.
  bool Watching() const { return watching_; }

  // What the last passes reported (for the log and tests).
  const std::string& DocumentName() const { return document_; }
  DWORD JobStatus() const { return status_; }

 protected:
  void Execute() override;
  void TerminateRequested() noexcept override;

 private:
  void Watch();
  void HandlePass(const JobNotifyPass& pass);
  void MatchName();
  IJobSource* Source();

  std::string printer_name_;
  HANDLE printer_ = nullptr;
  std::mutex source_lock_;
  std::unique_ptr<IJobSource> source_;
  bool source_given_ = false;
  std::string printer_reported_, machine_, user_;
  std::string document_;
  DWORD status_ = 0;
  DWORD total_pages_ = 0, job_id_ = 0, total_bytes_ = 0;
  winkit::TEvent* event_ = nullptr;
  std::string expected_;
  winkit::TEvent started_;
  std::atomic<bool> watching_{false};
};

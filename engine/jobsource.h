#pragma once
// Where the print-job monitor's notification passes come from: the spooler's
// change notifications, or, where the spooler has none (Wine), the CUPS
// queue behind the printer. A pass is the list of job fields reported
// together, as the spooler reports them.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

struct JobNotifyItem {
  WORD field = 0;  // JOB_NOTIFY_FIELD_...
  DWORD job_id = 0;
  std::string text;  // DOCUMENT, PRINTER_NAME, MACHINE_NAME, USER_NAME
  DWORD number = 0;  // STATUS, TOTAL_PAGES, TOTAL_BYTES
};
using JobNotifyPass = std::vector<JobNotifyItem>;

class IJobSource {
 public:
  enum class Wait { Pass, NoInfo, Ended };
  virtual ~IJobSource() = default;
  // Starts watching; false when this source cannot watch the printer.
  virtual bool Register() = 0;
  // Blocks until a pass arrives (Pass), a change came without information
  // (NoInfo), or Wake was called or the source failed for good (Ended).
  virtual Wait WaitPass(JobNotifyPass& pass) = 0;
  // From any thread: makes a blocked WaitPass return promptly.
  virtual void Wake() noexcept = 0;
};

// The spooler's job notifications for an open printer (handle not owned).
std::unique_ptr<IJobSource> MakeSpoolerJobSource(HANDLE printer);
// Jobs of a CUPS queue reported as passes: each job of the queue that
// finishes after Register, completed as PRINTED | COMPLETE, canceled or
// aborted as DELETED, with its job-name as DOCUMENT.
std::unique_ptr<IJobSource> MakeCupsJobSource(const std::string& queue, DWORD poll_ms = 40,
                                              const std::string& host = "localhost", int port = 631);

// The CUPS queue behind a printer whose port is "CUPS:<queue>"; "" otherwise.
std::string CupsQueueOfPrinter(HANDLE printer);

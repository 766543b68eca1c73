#pragma once
// One print request and the single road by which every file is printed.
#include <cstdint>
#include <string>

#include "app/base/postprint.h"
#include "engine/core/pathparts.h"
#include "winkit/thread.h"

// True while no print run is active, or when the running one is to stop.
// Written and read on the main thread only.
extern bool StopPrinting;

class CPrintFile {
 public:
  CPrintFile();

  // Each setter refuses a text longer than 259 characters (false, field left
  // empty): a cut path would name another file.
  bool SetFileName(const std::string& path);
  bool SetPrinterName(const std::string& name);
  bool SetMoveToFolder(const std::string& folder);
  void SetAction(std::int16_t action) { action_ = action; }
  void SetMoveFailed(bool move_failed) { move_failed_ = move_failed; }

  const char* FileName() const { return file_; }
  const char* PrinterName() const { return printer_; }
  const char* MoveToFolder() const { return move_to_; }
  std::int16_t Action() const { return action_; }
  bool MoveFailed() const { return move_failed_; }
  winkit::TEvent& Done() { return done_; }
  // What a folder scan saw of the file and when (GetTickCount): a file that
  // still reads the same has been still since then.
  void SetFoundReading(const FileStamp& stamp, unsigned long tick) {
    found_stamp_ = stamp;
    found_tick_ = tick;
    found_ = true;
  }
  bool FoundReading(FileStamp& stamp, unsigned long& tick) const {
    stamp = found_stamp_;
    tick = found_tick_;
    return found_;
  }
  // Set by PrintDocument: the driver printed the file.
  bool Printed() const { return printed_; }
  void SetPrinted(bool printed) { printed_ = printed; }

 private:
  char file_[260] = {};
  char printer_[260] = {};
  char move_to_[260] = {};
  std::int16_t action_ = 0;
  bool move_failed_ = false;
  bool printed_ = false;
  bool found_ = false;
  FileStamp found_stamp_;
  unsigned long found_tick_ = 0;
  winkit::TEvent done_;  // created signalled; reset before the driver runs
};

// Time limits of the waits, in milliseconds.
constexpr unsigned kInUseBeforeLimitMs = 20000;
constexpr unsigned kInUseAfterLimitMs = 10000;
constexpr unsigned kFailedMoveLimitMs = 30000;
// A file whose size and time stamp stayed the same for this long is no
// longer being written.
constexpr unsigned kSettleMs = 1000;
// How long the monitor may take to start watching before the driver runs.
constexpr unsigned kMonitorStartLimitMs = 10000;

// True when another program holds the file (it cannot be opened without
// sharing); false when there is no file at the path.
bool IsFileInUse(const std::string& path);

// The post-print action a request gets for a stored 32-bit action: codes
// outside 0 to 2 become 2, so that no damaged value can turn into a recycle
// when it is narrowed to 16 bits.
std::int16_t RequestAction(std::int32_t stored);

// Prints one file: printer check, wait while the file is in use, monitor,
// driver, log line, failed-file move, post-print action. False when the
// request was given up before or after printing.
bool PrintDocument(CPrintFile& request);

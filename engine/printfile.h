#pragma once
// One print request and the single road by which every file is printed.
#include <cstdint>
#include <string>

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

 private:
  char file_[260] = {};
  char printer_[260] = {};
  char move_to_[260] = {};
  std::int16_t action_ = 0;
  bool move_failed_ = false;
  winkit::TEvent done_;  // created signalled; reset before the driver runs
};

// Time limits of the waits, in milliseconds.
constexpr unsigned kInUseBeforeLimitMs = 20000;
constexpr unsigned kInUseAfterLimitMs = 10000;
constexpr unsigned kFailedMoveLimitMs = 30000;
// A file written to within this time counts as still being written.
constexpr unsigned kSettleMs = 1000;

// False when another program holds the file, or it was written to in the
// last second (a file that is still growing is not printed half-written).
// False as well when there is no file at the path.
bool IsFileInUse(const std::string& path);

// Prints one file: printer check, wait while the file is in use, monitor,
// driver, log line, failed-file move, post-print action. False when the
// request was given up before or after printing.
bool PrintDocument(CPrintFile& request);

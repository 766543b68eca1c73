#pragma once
// What watch mode remembers of each file it found, so that a file that
// stays in its folder is printed once per arrival: known by path, size and
// last-write time, printed once, a failed one tried again a few times with a
// growing pause and then left until it changes. Kept in a journal file that
// every change is appended to at once, so neither a restart nor a crash
// makes the program print a kept file again.
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/core/pathparts.h"
#include "tasks/settings/ledgerfile.h"
#include "winkit/handles.h"

// A file is tried this many times at one stamp; the pauses after the first
// and the second failure.
constexpr int kMaxPrintAttempts = 3;
constexpr unsigned kRetryPauseMs[] = {3000, 9000};

// The current time as a FILETIME count (100 ns steps).
std::uint64_t LedgerNow();
constexpr std::uint64_t kLedgerTicksPerMs = 10000;

class TPrintLedger {
 public:
  // Reads the journal at `path` (a missing one is an empty record) and
  // writes it back compacted. "" keeps the record in memory only.
  explicit TPrintLedger(std::string path = {});
  TPrintLedger(const TPrintLedger&) = delete;
  TPrintLedger& operator=(const TPrintLedger&) = delete;

  enum class State { New, Printed, Waiting, GivenUp };
  // What is known of the file at this stamp; a changed stamp is a new file.
  State Check(const std::string& path, const FileStamp& stamp, std::uint64_t now) const;
  bool Due(const std::string& path, const FileStamp& stamp, std::uint64_t now) const {
    return Check(path, stamp, now) == State::New;
  }

  // An attempt starts; it counts even when the program never comes back.
  void Trying(const std::string& path, const FileStamp& stamp);
  void Printed(const std::string& path, const FileStamp& stamp);
  // The attempt failed: a pause before the next one, or, after the last,
  // the file is left until it changes (true then).
  bool Failed(const std::string& path, const FileStamp& stamp, std::uint64_t now);
  // The file left its folder: a new file of that name is a new arrival.
  void Forget(const std::string& path);
  // Forgets every file that is no longer there.
  void ForgetMissing();

  // The earliest time a waiting file may be tried again; 0 when none waits.
  std::uint64_t NextRetry(std::uint64_t now) const;
  size_t Size() const { return state_.entries.size(); }
  const std::string& Path() const { return path_; }

 private:
  // An entry with this stamp and the attempts made at it (0 for a new file).
  LedgerEntry At(const std::string& path, const FileStamp& stamp) const;
  void Append(LedgerKind kind, const std::string& path, const LedgerEntry& entry);
  void Rewrite();
  void OpenForAppend();

  std::string path_;
  LedgerState state_;
  winkit::FileHandle file_;
  int appended_ = 0;
};

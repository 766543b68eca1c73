#pragma once
// The text of the watch journal, which remembers across restarts what watch
// mode did with each file it found: one record a line, appended as things
// happen, replayed in order at start. Plain text handling, no system calls.
//
// A record: kind, size, last-write time, attempts, retry time, path, tab
// separated, ended by a line feed. Kinds: T an attempt starts, P printed,
// F the attempt failed, X the file is gone. The path comes last, so that it
// may hold any character but a tab or a line end.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// What a file's name and stamp are known as.
struct LedgerEntry {
  std::uint64_t size = 0, written = 0;  // bytes; last-write FILETIME
  int attempts = 0;                     // attempts made at this stamp
  std::uint64_t retry_at = 0;           // FILETIME before which it waits
  bool printed = false;
  bool trying = false;  // an attempt started and never ended
  bool operator==(const LedgerEntry&) const = default;
};

enum class LedgerKind : char { Trying = 'T', Printed = 'P', Failed = 'F', Gone = 'X' };

// The kind of record that writes an entry as it stands.
inline LedgerKind KindOf(const LedgerEntry& e) {
  return e.printed ? LedgerKind::Printed : e.trying ? LedgerKind::Trying : LedgerKind::Failed;
}

struct LedgerRecord {
  LedgerKind kind = LedgerKind::Gone;
  std::string path;
  LedgerEntry entry;
};

// One record as its line, line feed included; "" for a path that a line
// cannot hold (empty, or with a tab or line end).
std::string FormatLedgerRecord(const LedgerRecord& record);

// The key under which a path is kept: Windows paths compare without case.
std::string LedgerKey(std::string_view path);

// The journal's text replayed: later records win, X removes. A line that is
// damaged or cut short (the program ended while writing it) is skipped.
// Keys are LedgerKey of the path; the path as written is kept in `paths`.
struct LedgerState {
  std::map<std::string, LedgerEntry> entries;
  std::map<std::string, std::string> paths;
  int records = 0, damaged = 0;
};
LedgerState ReplayLedger(std::string_view text);
// Applies one record to a state, as ReplayLedger does for each line.
void ApplyLedgerRecord(LedgerState& state, const LedgerRecord& record);

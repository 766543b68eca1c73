#include "tasks/printledger.h"

#include <windows.h>

#include <vector>

#include "app/base/log.h"
#include "app/base/paths.h"

namespace {

std::string ReadWhole(const std::string& path) {
  winkit::FileHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return {};
  std::string text;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  return text;
}

bool WriteAll(HANDLE f, const std::string& text) {
  DWORD put = 0;
  return WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &put, nullptr) && put == text.size();
}

bool SameStamp(const LedgerEntry& e, const FileStamp& s) { return e.size == s.size && e.written == s.written; }

}  // namespace

std::uint64_t LedgerNow() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

TPrintLedger::TPrintLedger(std::string path) : path_(std::move(path)) {
  if (path_.empty()) return;
  state_ = ReplayLedger(ReadWhole(path_));
  if (state_.damaged > 0) WriteLog(LogStamp() + "Watch journal " + path_ + ": damaged lines skipped");
  // An attempt that never ended (the program stopped during it) counts as
  // failed, with no pause: it is tried again now, unless that was the last.
  for (auto& [key, e] : state_.entries) {
    if (e.trying) {
      e.trying = false;
      e.retry_at = 0;
    }
  }
  Rewrite();
}

TPrintLedger::State TPrintLedger::Check(const std::string& path, const FileStamp& stamp, std::uint64_t now) const {
  const auto it = state_.entries.find(LedgerKey(path));
  if (it == state_.entries.end() || !SameStamp(it->second, stamp)) return State::New;
  const LedgerEntry& e = it->second;
  if (e.printed) return State::Printed;
  if (e.attempts >= kMaxPrintAttempts) return State::GivenUp;
  return now >= e.retry_at ? State::New : State::Waiting;
}

LedgerEntry TPrintLedger::At(const std::string& path, const FileStamp& stamp) const {
  LedgerEntry e;
  e.size = stamp.size;
  e.written = stamp.written;
  const auto it = state_.entries.find(LedgerKey(path));
  if (it != state_.entries.end() && SameStamp(it->second, stamp)) e.attempts = it->second.attempts;
  return e;
}

void TPrintLedger::Trying(const std::string& path, const FileStamp& stamp) {
  LedgerEntry e = At(path, stamp);
  ++e.attempts;
  Append(LedgerKind::Trying, path, e);
}

void TPrintLedger::Printed(const std::string& path, const FileStamp& stamp) {
  Append(LedgerKind::Printed, path, At(path, stamp));
}

bool TPrintLedger::Failed(const std::string& path, const FileStamp& stamp, std::uint64_t now) {
  LedgerEntry e = At(path, stamp);
  if (e.attempts == 0) e.attempts = 1;
  const bool last = e.attempts >= kMaxPrintAttempts;
  if (!last) {
    const int pauses = static_cast<int>(sizeof kRetryPauseMs / sizeof kRetryPauseMs[0]);
    e.retry_at = now + kRetryPauseMs[e.attempts - 1 < pauses ? e.attempts - 1 : pauses - 1] * kLedgerTicksPerMs;
  }
  Append(LedgerKind::Failed, path, e);
  return last;
}

void TPrintLedger::Forget(const std::string& path) {
  if (state_.entries.count(LedgerKey(path))) Append(LedgerKind::Gone, path, {});
}

void TPrintLedger::ForgetMissing() {
  std::vector<std::string> gone;
  for (const auto& [key, p] : state_.paths) {
    // A path too long for the file calls cannot be looked at: kept.
    if (p.size() < MAX_PATH && !FileExists(p)) gone.push_back(p);
  }
  for (const auto& p : gone) Forget(p);
}

std::uint64_t TPrintLedger::NextRetry(std::uint64_t now) const {
  std::uint64_t next = 0;
  for (const auto& [key, e] : state_.entries) {
    if (e.printed || e.attempts >= kMaxPrintAttempts || e.retry_at <= now) continue;
    if (next == 0 || e.retry_at < next) next = e.retry_at;
  }
  return next;
}

void TPrintLedger::Append(LedgerKind kind, const std::string& path, const LedgerEntry& entry) {
  LedgerRecord r{kind, path, entry};
  ApplyLedgerRecord(state_, r);
  if (path_.empty()) return;
  const std::string line = FormatLedgerRecord(r);
  if (line.empty()) return;
  if (!file_) OpenForAppend();
  // Each record reaches the disk before the print it tells of goes on.
  if (!file_ || !WriteAll(file_.get(), line) || !FlushFileBuffers(file_.get())) {
    WriteLog(LogStamp() + "Watch journal " + path_ + " could not be written");
    file_.reset();
    return;
  }
  // Records of files long gone add up: now and then the journal is
  // written afresh with only what is still known.
  if (++appended_ > 1000 && appended_ > 4 * static_cast<int>(state_.entries.size())) Rewrite();
}

void TPrintLedger::OpenForAppend() {
  file_.reset(CreateFileA(path_.c_str(), FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) return;
  // A line cut short by a crash is closed, so that the next record starts
  // on a line of its own.
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file_.get(), &size) && size.QuadPart > 0) {
    char last = 0;
    DWORD got = 0;
    LARGE_INTEGER at{};
    at.QuadPart = size.QuadPart - 1;
    if (SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) && ReadFile(file_.get(), &last, 1, &got, nullptr) &&
        got == 1 && last != '\n')
      WriteAll(file_.get(), "\n");
  }
}

// Written beside the journal, then put in its place in one step: a crash
// leaves either the old journal or the new one, never half of either.
void TPrintLedger::Rewrite() {
  if (path_.empty()) return;
  std::string text;
  for (const auto& [key, e] : state_.entries) {
    LedgerRecord r;
    r.kind = KindOf(e);
    r.path = state_.paths[key];
    r.entry = e;
    text += FormatLedgerRecord(r);
  }
  file_.reset();
  const std::string fresh = path_ + ".new";
  {
    winkit::FileHandle f(
        CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f || !WriteAll(f.get(), text) || !FlushFileBuffers(f.get())) {
      WriteLog(LogStamp() + "Watch journal " + path_ + " could not be written afresh");
      return;
    }
  }
  if (!MoveFileExA(fresh.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    WriteLog(LogStamp() + "Watch journal " + path_ + " could not be replaced");
    DeleteFileA(fresh.c_str());
    return;
  }
  state_.records = static_cast<int>(state_.entries.size());
  appended_ = 0;
}

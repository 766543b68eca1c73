#include "tasks/settings/ledgerfile.h"

#include <charconv>
#include <vector>

namespace {

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ValidPath(std::string_view path) {
  return !path.empty() && path.find_first_of("\t\r\n") == std::string_view::npos;
}

bool ParseRecord(std::string_view line, LedgerRecord& r) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::vector<std::string_view> fields;
  for (int i = 0; i < 5; ++i) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return false;
    fields.push_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  if (fields[0].size() != 1 || !ValidPath(line)) return false;
  const char kind = fields[0][0];
  if (kind != 'T' && kind != 'P' && kind != 'F' && kind != 'X') return false;
  std::uint64_t attempts = 0;
  if (!ParseNumber(fields[1], r.entry.size) || !ParseNumber(fields[2], r.entry.written) ||
      !ParseNumber(fields[3], attempts) || !ParseNumber(fields[4], r.entry.retry_at) || attempts > 1000)
    return false;
  r.kind = static_cast<LedgerKind>(kind);
  r.entry.attempts = static_cast<int>(attempts);
  r.path.assign(line);
  return true;
}

}  // namespace

std::string LedgerKey(std::string_view path) {
  std::string key(path);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '/') c = '\\';
  }
  return key;
}

std::string FormatLedgerRecord(const LedgerRecord& r) {
  if (!ValidPath(r.path)) return {};
  std::string line(1, static_cast<char>(r.kind));
  for (const std::uint64_t n : {r.entry.size, r.entry.written, static_cast<std::uint64_t>(r.entry.attempts),
                                r.entry.retry_at}) {
    line += '\t';
    line += std::to_string(n);
  }
  return line + '\t' + r.path + '\n';
}

void ApplyLedgerRecord(LedgerState& state, const LedgerRecord& r) {
  const std::string key = LedgerKey(r.path);
  ++state.records;
  if (r.kind == LedgerKind::Gone) {
    state.entries.erase(key);
    state.paths.erase(key);
    return;
  }
  LedgerEntry e = r.entry;
  e.printed = r.kind == LedgerKind::Printed;
  e.trying = r.kind == LedgerKind::Trying;
  state.entries[key] = e;
  state.paths[key] = r.path;
}

LedgerState ReplayLedger(std::string_view text) {
  LedgerState state;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    // A last line without its line feed was cut short.
    if (end == std::string_view::npos) {
      ++state.damaged;
      break;
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line.empty()) continue;
    LedgerRecord r;
    if (ParseRecord(line, r)) {
      ApplyLedgerRecord(state, r);
    } else {
      ++state.damaged;
    }
  }
  return state;
}

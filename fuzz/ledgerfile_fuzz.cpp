// Fuzz target: the watch journal is read back from the user's data folder
// at every start, whatever a crash or a disk left in it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tasks/settings/ledgerfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const LedgerState state = ReplayLedger(text);
  if (state.entries.size() != state.paths.size()) __builtin_trap();
  // What was read writes back as records that read the same again.
  std::string again;
  for (const auto& [key, entry] : state.entries) {
    LedgerRecord r;
    r.kind = KindOf(entry);
    r.path = state.paths.at(key);
    r.entry = entry;
    const std::string line = FormatLedgerRecord(r);
    if (line.empty()) __builtin_trap();
    again += line;
  }
  const LedgerState reread = ReplayLedger(again);
  if (reread.damaged != 0 || reread.entries != state.entries) __builtin_trap();
  return 0;
}

// Fuzz target: a user's CUPS options file is rewritten when the default
// printer changes; it may hold anything.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/core/lpoptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string out = CupsOptionsWithDefault(text, "Queue");
  // The new default comes first, exactly once, and nothing grows without
  // bound.
  if (out.compare(0, 14, "Default Queue\n") != 0) __builtin_trap();
  if (out.size() > 2 * size + 64) __builtin_trap();
  return 0;
}

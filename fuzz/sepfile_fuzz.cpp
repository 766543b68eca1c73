// Fuzz target: separator-page files are read from wherever a task points.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/core/sepfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SeparatorFields fields{"user", "1/1/2026", "12:00", [&](const std::string& name) { return name + text; }};
  const auto lines = SeparatorLines(text, fields);
  // Every line comes from the input or the fields: never more text than
  // they could make (the included text is bounded by the input).
  std::size_t total = 0;
  for (const auto& l : lines) total += l.size();
  if (total > 64 * (size + 64) * (size + 64)) __builtin_trap();
  return 0;
}

#pragma once
// What every decoder promises, checked after each fuzzed input: a success
// is a whole picture within the bounds; a failure says why and holds either
// nothing or a whole picture's worth of pixels; either can be shrunk.
#include <string>

#include "imaging/pixels.h"
#include "imaging/scale.h"

inline void CheckDecoded(bool ok, const imaging::Pixels& out, const std::string& error) {
  if (!ok && error.empty()) __builtin_trap();
  if (ok && out.Empty()) __builtin_trap();
  if (!out.Empty()) {
    if (!imaging::SizeAllowed(out.width, out.height)) __builtin_trap();
    if (out.bgrx.size() != std::size_t{out.width} * out.height * 4) __builtin_trap();
    // The printer side averages large pictures down; so does this.
    const auto small = imaging::Shrink(out, (out.width + 2) / 3, (out.height + 2) / 3);
    if (small.bgrx.size() != std::size_t{small.width} * small.height * 4) __builtin_trap();
  } else if (!out.bgrx.empty()) {
    __builtin_trap();
  }
}

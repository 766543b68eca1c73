#pragma once
// Shrinking an image by area averaging: every output pixel is the mean of
// the block of source pixels it covers. The blocks partition the source
// exactly, so every source pixel counts once. Rows come out in bands, so
// that the whole scaled image never needs to exist at once.
#include <cstdint>
#include <vector>

#include "imaging/pixels.h"

namespace imaging {

class BoxScaler {
 public:
  // `width` and `height` at most the source's.
  BoxScaler(const Pixels& source, std::uint32_t width, std::uint32_t height);

  // Output rows [first, last) into `out` (BGRX, (last - first) * width * 4
  // bytes).
  void Rows(std::uint32_t first, std::uint32_t last, std::vector<std::uint8_t>& out) const;

 private:
  const Pixels& src_;
  std::uint32_t width_, height_;
  std::vector<std::uint32_t> x_edges_;  // width + 1 source columns
};

// The whole image shrunk at once (tests and small images).
Pixels Shrink(const Pixels& source, std::uint32_t width, std::uint32_t height);

}  // namespace imaging

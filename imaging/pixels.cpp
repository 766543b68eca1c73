#include "imaging/pixels.h"

#include <cstring>

namespace imaging {

std::string SizeRefusal(std::uint64_t w, std::uint64_t h, std::uint64_t file_bytes) {
  const std::string size = std::to_string(w) + " x " + std::to_string(h);
  if (!SizeAllowed(w, h)) return "image too large or empty (" + size + ")";
  return "image too large for its file (" + size + " from " + std::to_string(file_bytes) + " bytes)";
}

void Reorient(Pixels& p, int orientation) {
  if (orientation < 2 || orientation > 8 || p.Empty()) return;
  // 5 to 8 swap rows and columns.
  const bool swap = orientation >= 5;
  const std::uint32_t w = p.width, h = p.height;
  const std::uint32_t ow = swap ? h : w, oh = swap ? w : h;
  std::vector<std::uint8_t> out(p.bgrx.size());
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      // Where stored pixel (x, y) goes in the upright picture.
      std::uint32_t ox = x, oy = y;
      switch (orientation) {
        case 2: ox = w - 1 - x; break;                     // mirrored
        case 3: ox = w - 1 - x, oy = h - 1 - y; break;     // upside down
        case 4: oy = h - 1 - y; break;                     // mirrored upside down
        case 5: ox = y, oy = x; break;                     // transposed
        case 6: ox = h - 1 - y, oy = x; break;             // turned a quarter clockwise
        case 7: ox = h - 1 - y, oy = w - 1 - x; break;     // transversed
        case 8: ox = y, oy = w - 1 - x; break;             // turned a quarter anticlockwise
        default: break;
      }
      std::memcpy(out.data() + (std::size_t{oy} * ow + ox) * 4, p.bgrx.data() + (std::size_t{y} * w + x) * 4, 4);
    }
  }
  p.bgrx.swap(out);
  p.width = ow;
  p.height = oh;
}

}  // namespace imaging

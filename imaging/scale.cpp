#include "imaging/scale.h"

namespace imaging {

BoxScaler::BoxScaler(const Pixels& source, std::uint32_t width, std::uint32_t height)
    : src_(source), width_(width), height_(height), x_edges_(width + 1) {
  for (std::uint32_t x = 0; x <= width; ++x)
    x_edges_[x] = static_cast<std::uint32_t>(std::uint64_t{x} * source.width / width);
}

void BoxScaler::Rows(std::uint32_t first, std::uint32_t last, std::vector<std::uint8_t>& out) const {
  out.resize(std::size_t{last - first} * width_ * 4);
  std::vector<std::uint64_t> sums(std::size_t{width_} * 3);
  for (std::uint32_t oy = first; oy < last; ++oy) {
    const std::uint32_t y0 = static_cast<std::uint32_t>(std::uint64_t{oy} * src_.height / height_);
    const std::uint32_t y1 = static_cast<std::uint32_t>(std::uint64_t{oy + 1} * src_.height / height_);
    std::fill(sums.begin(), sums.end(), 0);
    for (std::uint32_t y = y0; y < y1; ++y) {
      const std::uint8_t* row = src_.bgrx.data() + std::size_t{y} * src_.width * 4;
      for (std::uint32_t ox = 0; ox < width_; ++ox) {
        std::uint64_t b = 0, g = 0, r = 0;
        for (std::uint32_t x = x_edges_[ox]; x < x_edges_[ox + 1]; ++x) {
          b += row[x * 4], g += row[x * 4 + 1], r += row[x * 4 + 2];
        }
        sums[ox * 3] += b, sums[ox * 3 + 1] += g, sums[ox * 3 + 2] += r;
      }
    }
    std::uint8_t* px = out.data() + std::size_t{oy - first} * width_ * 4;
    for (std::uint32_t ox = 0; ox < width_; ++ox, px += 4) {
      const std::uint64_t n = std::uint64_t{x_edges_[ox + 1] - x_edges_[ox]} * (y1 - y0);
      px[0] = static_cast<std::uint8_t>((sums[ox * 3] + n / 2) / n);
      px[1] = static_cast<std::uint8_t>((sums[ox * 3 + 1] + n / 2) / n);
      px[2] = static_cast<std::uint8_t>((sums[ox * 3 + 2] + n / 2) / n);
      px[3] = 0;
    }
  }
}

Pixels Shrink(const Pixels& source, std::uint32_t width, std::uint32_t height) {
  Pixels out;
  out.width = width;
  out.height = height;
  BoxScaler(source, width, height).Rows(0, height, out.bgrx);
  return out;
}

}  // namespace imaging

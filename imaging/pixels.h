#pragma once
// A decoded image: 32-bit pixels, blue-green-red-unused, top row first.
// Decoders refuse images larger than kMaxPixels before allocating anything.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

constexpr std::uint64_t kMaxPixels = 120'000'000;  // 480 MB decoded
constexpr std::uint32_t kMaxSide = 65'500;

struct Pixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> bgrx;  // width * height * 4 bytes

  bool Empty() const { return width == 0 || height == 0; }
};

// True when an image of this size may be decoded at all.
inline bool SizeAllowed(std::uint64_t w, std::uint64_t h) {
  return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

// Each decoder reads a whole file held in memory; false (and `error` set,
// `out` left empty) for anything it cannot decode completely.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error);
bool DecodePng(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error);
// TIFF: page `page` (from 0); `pages` receives the number of pages.
bool DecodeTiff(const std::uint8_t* data, std::size_t size, int page, Pixels* out, int& pages, std::string& error);
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error);

}  // namespace imaging

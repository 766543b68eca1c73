#pragma once
// A decoded image: 32-bit pixels, blue-green-red-unused, top row first.
// Decoders refuse images larger than kMaxPixels before allocating anything,
// and images whose size their file could not plausibly hold.
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

// Any image up to this size may come from a file of any size (a blank page
// of A4 scanned at 600 dpi, compressed to a few kilobytes, has 35 million).
constexpr std::uint64_t kFreePixels = 40'000'000;
// Beyond it, a file must hold at least one byte per this many pixels: a
// small file that unpacks into a huge image is refused before the work.
constexpr std::uint64_t kMaxPixelsPerByte = 1000;

// True when an image of this size may be decoded at all.
inline bool SizeAllowed(std::uint64_t w, std::uint64_t h) {
  return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}
// The same for an image coming from a file of `file_bytes`.
inline bool SizeAllowed(std::uint64_t w, std::uint64_t h, std::uint64_t file_bytes) {
  return SizeAllowed(w, h) && (w * h <= kFreePixels || w * h / kMaxPixelsPerByte <= file_bytes);
}
// Why SizeAllowed refused, for the log.
std::string SizeRefusal(std::uint64_t w, std::uint64_t h, std::uint64_t file_bytes);

// Turns an image as an EXIF (or TIFF) orientation value says (1 to 8: how
// the stored rows and columns map onto the upright picture); other values
// leave it as it is.
void Reorient(Pixels& p, int orientation);

// Each decoder reads a whole file held in memory. False, with `error` set,
// for anything it cannot decode completely; `out` is then empty, or holds
// the part that could be decoded (the rest white) when the data broke off
// or went bad inside the picture.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error);
bool DecodePng(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error);
// TIFF: page `page` (from 0); `pages` receives the number of pages, or
// kMaxTiffDirectories + 1 (and a failure) when there are more than that.
constexpr int kMaxTiffDirectories = 1000;
bool DecodeTiff(const std::uint8_t* data, std::size_t size, int page, Pixels* out, int& pages, std::string& error);
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error);

}  // namespace imaging

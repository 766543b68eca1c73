// Windows bitmaps: uncompressed, bit-field and run-length encoded (4 and 8
// bits), checked field by field against the file's size before anything is
// read.
#include <cstring>
#include <vector>

#include "imaging/pixels.h"

namespace imaging {

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Scales the bits of `mask` in v to 0..255.
std::uint8_t Channel(std::uint32_t v, std::uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const std::uint32_t max = mask >> shift;
  return static_cast<std::uint8_t>(((v & mask) >> shift) * 255 / max);
}

// Run-length encoded pixels (BI_RLE8, BI_RLE4) into palette indices, bottom
// row first as stored; pixels the runs skip stay `blank`. False when the
// data ends before its end-of-bitmap code or breaks its rules.
bool DecodeRle(const std::uint8_t* d, std::size_t n, unsigned bpp, std::uint32_t w, std::uint32_t h,
               std::vector<std::uint16_t>& index, std::uint16_t blank) {
  index.assign(std::size_t{w} * h, blank);
  std::uint32_t x = 0, y = 0;
  std::size_t i = 0;
  auto put = [&](unsigned v) {
    if (x < w && y < h) index[std::size_t{y} * w + x] = static_cast<std::uint16_t>(v);
    ++x;
  };
  while (i + 1 < n) {
    const unsigned count = d[i], value = d[i + 1];
    i += 2;
    if (count > 0) {
      // A run: `count` pixels of one index (RLE4: two alternating).
      for (unsigned k = 0; k < count; ++k) put(bpp == 8 ? value : (k % 2 == 0 ? value >> 4 : value & 15));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (i + 1 >= n) return false;
      x += d[i];
      y += d[i + 1];
      i += 2;
    } else {  // `value` literal pixels, padded to a 16-bit boundary
      const std::size_t bytes = bpp == 8 ? value : (value + 1) / 2;
      if (i + bytes > n) return false;
      for (unsigned k = 0; k < value; ++k) {
        const unsigned byte = d[i + (bpp == 8 ? k : k / 2)];
        put(bpp == 8 ? byte : (k % 2 == 0 ? byte >> 4 : byte & 15));
      }
      i += bytes + (bytes & 1);
    }
    if (y > h) return false;
  }
  return false;
}

}  // namespace

bool DecodeBmp(const std::uint8_t* d, std::size_t size, Pixels& out, std::string& error) {
  out = Pixels();
  auto fail = [&](const char* why) {
    error = std::string("BMP: ") + why;
    out = Pixels();
    return false;
  };
  if (size < 14 + 40 || d[0] != 'B' || d[1] != 'M') return fail("not a bitmap file");
  const std::uint32_t offset = U32(d + 10);
  const std::uint32_t header = U32(d + 14);
  if (header < 40 || header > size - 14) return fail("damaged header");
  const std::int32_t w = static_cast<std::int32_t>(U32(d + 18));
  const std::int32_t raw_h = static_cast<std::int32_t>(U32(d + 22));
  const std::uint16_t bpp = U16(d + 28);
  const std::uint32_t compression = U32(d + 30);
  std::uint32_t colours = U32(d + 46);
  if (w <= 0 || raw_h == 0 || raw_h == INT32_MIN) return fail("damaged size");
  const bool top_down = raw_h < 0;
  const std::uint32_t h = static_cast<std::uint32_t>(top_down ? -raw_h : raw_h);
  if (!SizeAllowed(static_cast<std::uint32_t>(w), h, size)) {
    error = "BMP: " + SizeRefusal(static_cast<std::uint32_t>(w), h, size);
    return false;
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return fail("unsupported depth");
  std::uint32_t masks[3] = {0, 0, 0};
  if (compression == 3 /* BI_BITFIELDS */) {
    if (bpp != 16 && bpp != 32) return fail("damaged bit fields");
    const std::size_t at = 14 + (header >= 52 ? 40 : header);
    if (at + 12 > size) return fail("damaged bit fields");
    for (int i = 0; i < 3; ++i) masks[i] = U32(d + at + 4 * i);
  } else if (compression == 1 /* BI_RLE8 */ || compression == 2 /* BI_RLE4 */) {
    if (bpp != (compression == 1 ? 8 : 4) || top_down) return fail("damaged run-length header");
  } else if (compression != 0 /* BI_RGB */) {
    return fail("unsupported compression");
  } else if (bpp == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }
  const std::uint8_t* palette = nullptr;
  if (bpp <= 8) {
    if (colours == 0 || colours > (1u << bpp)) colours = 1u << bpp;
    const std::size_t at = 14 + std::size_t{header};
    if (at + std::size_t{colours} * 4 > size) return fail("damaged palette");
    palette = d + at;
  }
  const std::uint32_t uw = static_cast<std::uint32_t>(w);
  if (compression == 1 || compression == 2) {
    if (offset > size) return fail("file shorter than its pixels");
    std::vector<std::uint16_t> index;
    constexpr std::uint16_t kBlank = 0xFFFF;
    const bool whole = DecodeRle(d + offset, size - offset, bpp, uw, h, index, kBlank);
    out.bgrx.resize(std::size_t{uw} * h * 4);
    for (std::uint32_t y = 0; y < h; ++y) {
      std::uint8_t* px = out.bgrx.data() + std::size_t{h - 1 - y} * uw * 4;
      for (std::uint32_t x = 0; x < uw; ++x, px += 4) {
        const unsigned v = index[std::size_t{y} * uw + x];
        if (v == kBlank) {
          px[0] = px[1] = px[2] = 0xFF;  // skipped: paper
        } else {
          const std::uint8_t* c = palette + 4 * (v < colours ? v : 0);
          px[0] = c[0], px[1] = c[1], px[2] = c[2];
        }
        px[3] = 0;
      }
    }
    out.width = uw;
    out.height = h;
    if (!whole) {
      error = "BMP: run-length data damaged or cut short";
      return false;
    }
    return true;
  }
  const std::size_t stride = ((std::size_t{uw} * bpp + 31) / 32) * 4;
  if (offset > size || stride * h > size - offset) return fail("file shorter than its pixels");

  out.bgrx.resize(std::size_t{uw} * h * 4);
  for (std::uint32_t y = 0; y < h; ++y) {
    const std::uint8_t* row = d + offset + stride * (top_down ? y : h - 1 - y);
    std::uint8_t* px = out.bgrx.data() + std::size_t{y} * uw * 4;
    for (std::int32_t x = 0; x < w; ++x, px += 4) {
      const std::size_t ux = static_cast<std::size_t>(x);
      if (bpp <= 8) {
        const std::size_t bit = ux * bpp;
        const unsigned index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        const std::uint8_t* c = palette + 4 * (index < colours ? index : 0);
        px[0] = c[0], px[1] = c[1], px[2] = c[2];
      } else if (bpp == 24) {
        px[0] = row[ux * 3], px[1] = row[ux * 3 + 1], px[2] = row[ux * 3 + 2];
      } else {
        const std::uint32_t v = bpp == 16 ? U16(row + ux * 2) : U32(row + ux * 4);
        px[0] = Channel(v, masks[2]), px[1] = Channel(v, masks[1]), px[2] = Channel(v, masks[0]);
      }
      px[3] = 0;
    }
  }
  out.width = uw;
  out.height = h;
  return true;
}

}  // namespace imaging

// PNG through libpng, every depth and colour type (palette, grey with or
// without alpha, 16 bits); transparency is laid over white, as on paper.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "imaging/pixels.h"

namespace imaging {

namespace {

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  char message[256];
};

void ReadBytes(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (n > r->size - r->pos) png_error(png, "unexpected end of file");
  std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
}

void OnError(png_structp png, png_const_charp msg) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  std::snprintf(r->message, sizeof r->message, "%s", msg);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Walks the chunks before libpng sees them: a chunk that claims more bytes
// than the file holds is damage, and libpng would set memory aside for the
// claim. Picture data (IDAT) may be cut short: what arrived is decoded.
bool ChunksFit(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 8;
  while (at + 8 <= size) {
    const std::size_t length =
        (std::size_t{data[at]} << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3];
    const bool idat = std::memcmp(data + at + 4, "IDAT", 4) == 0;
    if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
    if (length + 12 > size - at) return idat;
    at += length + 12;
  }
  return true;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error) {
  out = Pixels();
  Reader reader{data, size, 0, "not a PNG file"};
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    error = "PNG: not a PNG file";
    return false;
  }
  if (!ChunksFit(data, size)) {
    error = "PNG: a chunk is longer than the file";
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "PNG: out of memory";
    return false;
  }
  std::vector<std::uint8_t>& bits = out.bgrx;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = std::string("PNG: ") + reader.message;
    out = Pixels();
    return false;
  }
  png_set_read_fn(png, &reader, ReadBytes);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  // Fuzzed inputs reach past the checksums into the chunks' contents; a
  // real file with a wrong checksum stays damaged.
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
  png_set_user_limits(png, kMaxSide, kMaxSide);
  // Text and profile chunks unpack into memory of their own: a few of them
  // at most, and none larger than a megabyte.
  png_set_chunk_cache_max(png, 128);
  png_set_chunk_malloc_max(png, 1u << 20);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!SizeAllowed(w, h, size)) {
    std::snprintf(reader.message, sizeof reader.message, "%s", SizeRefusal(w, h, size).c_str());
    png_longjmp(png, 1);
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{w} * 4) png_error(png, "unexpected pixel layout");
  bits.resize(std::size_t{w} * h * 4);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = bits.data() + std::size_t{y} * w * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  // RGBA to BGRX over white.
  for (std::size_t i = 0; i < bits.size(); i += 4) {
    const unsigned a = bits[i + 3];
    const unsigned r = (bits[i] * a + 255 * (255 - a)) / 255;
    const unsigned g = (bits[i + 1] * a + 255 * (255 - a)) / 255;
    const unsigned b = (bits[i + 2] * a + 255 * (255 - a)) / 255;
    bits[i] = static_cast<std::uint8_t>(b);
    bits[i + 1] = static_cast<std::uint8_t>(g);
    bits[i + 2] = static_cast<std::uint8_t>(r);
    bits[i + 3] = 0;
  }
  out.width = w;
  out.height = h;
  return true;
}

}  // namespace imaging

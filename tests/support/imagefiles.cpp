#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <fstream>

#include "support/imagefiles.h"

namespace qftest {

namespace {

void Put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF), s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, unsigned v) {
  Put16(s, v & 0xFFFF), Put16(s, v >> 16);
}

}  // namespace

bool WriteBmp24(const std::string& path, int w, int h, const std::function<Rgb(int, int)>& pixel) {
  const unsigned stride = (static_cast<unsigned>(w) * 3 + 3) & ~3u;
  const unsigned pixels = stride * static_cast<unsigned>(h);
  std::string s = "BM";
  Put32(s, 54 + pixels), Put32(s, 0), Put32(s, 54);
  Put32(s, 40), Put32(s, static_cast<unsigned>(w)), Put32(s, static_cast<unsigned>(h)), Put16(s, 1), Put16(s, 24);
  Put32(s, 0), Put32(s, pixels), Put32(s, 2835), Put32(s, 2835), Put32(s, 0), Put32(s, 0);
  s.reserve(s.size() + pixels);
  std::string row(stride, '\0');
  for (int y = h - 1; y >= 0; --y) {  // bottom row first
    for (int x = 0; x < w; ++x) {
      const Rgb c = pixel(x, y);
      row[x * 3] = static_cast<char>(c.b), row[x * 3 + 1] = static_cast<char>(c.g);
      row[x * 3 + 2] = static_cast<char>(c.r);
    }
    s += row;
  }
  std::ofstream f(path, std::ios::binary);
  f << s;
  return static_cast<bool>(f);
}

bool WriteBmp24(const std::string& path, int w, int h, Rgb c) {
  return WriteBmp24(path, w, h, [c](int, int) { return c; });
}

bool WritePng(const std::string& path, int w, int h, Rgb c) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(w) * 3);
  for (int x = 0; x < w; ++x) row[x * 3] = c.r, row[x * 3 + 1] = c.g, row[x * 3 + 2] = c.b;
  for (int y = 0; y < h; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool WriteTiff(const std::string& path, int w, int h, const std::vector<Rgb>& pages) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (!t) return false;
  std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
  for (size_t p = 0; p < pages.size(); ++p) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(w));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(h));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(h));
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(t, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(p), static_cast<uint16_t>(pages.size()));
    for (int x = 0; x < w; ++x) row[x * 3] = pages[p].r, row[x * 3 + 1] = pages[p].g, row[x * 3 + 2] = pages[p].b;
    for (int y = 0; y < h; ++y) TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0);
    TIFFWriteDirectory(t);
  }
  TIFFClose(t);
  return true;
}

}  // namespace qftest

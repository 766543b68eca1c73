// Kept apart from <windows.h>, which disagrees with libjpeg on `boolean`.
#include <cstdio>
#include <vector>

#include "support/imagefiles.h"

extern "C" {
#include <jpeglib.h>
}

namespace qftest {

bool WriteJpeg(const std::string& path, int w, int h, Rgb colour, int quality) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(w) * 3);
  for (int x = 0; x < w; ++x) row[x * 3] = colour.r, row[x * 3 + 1] = colour.g, row[x * 3 + 2] = colour.b;
  while (c.next_scanline < c.image_height) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

}  // namespace qftest

// Kept apart from <windows.h>, which disagrees with libjpeg on `boolean`.
#include <algorithm>
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

namespace qftest {

namespace {

// An APP1 "Exif" marker whose first directory holds only the orientation.
std::vector<JOCTET> ExifWithOrientation(int orientation) {
  std::vector<JOCTET> m = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,  // header, first directory at 8
                           1, 0,                                                   // one entry
                           0x12, 0x01, 3, 0, 1, 0, 0, 0,                           // Orientation, SHORT, count 1
                           static_cast<JOCTET>(orientation), 0, 0, 0,              // the value
                           0, 0, 0, 0};                                            // no next directory
  return m;
}

}  // namespace

bool WriteJpegQuadrants(const std::string& path, int w, int h, const Rgb (&quadrants)[4], JpegInk ink,
                        int exif_orientation, bool progressive) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  const bool inks = ink != JpegInk::Rgb;
  c.input_components = inks ? 4 : 3;
  c.in_color_space = inks ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  if (ink == JpegInk::AdobeYcck) jpeg_set_colorspace(&c, JCS_YCCK);
  // libjpeg writes Adobe's marker for CMYK and YCCK, and Adobe's readers
  // take the inks as stored inverted: so are they here.
  jpeg_set_quality(&c, 95, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  if (exif_orientation) {
    const auto exif = ExifWithOrientation(exif_orientation);
    jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  }
  std::vector<JSAMPLE> row(static_cast<size_t>(w) * c.input_components);
  while (c.next_scanline < c.image_height) {
    const bool bottom = c.next_scanline >= c.image_height / 2;
    for (int x = 0; x < w; ++x) {
      const Rgb& q = quadrants[(bottom ? 2 : 0) + (x >= w / 2 ? 1 : 0)];
      JSAMPLE* p = row.data() + static_cast<size_t>(x) * c.input_components;
      if (!inks) {
        p[0] = q.r, p[1] = q.g, p[2] = q.b;
        continue;
      }
      // Ink amounts with black taken out, then stored inverted.
      const int k = 255 - std::max({q.r, q.g, q.b});
      const int scale = 255 - k;
      const int cy = scale ? (scale - q.r) * 255 / scale : 0, mg = scale ? (scale - q.g) * 255 / scale : 0;
      const int ye = scale ? (scale - q.b) * 255 / scale : 0;
      p[0] = static_cast<JSAMPLE>(255 - cy), p[1] = static_cast<JSAMPLE>(255 - mg), p[2] = static_cast<JSAMPLE>(255 - ye),
      p[3] = static_cast<JSAMPLE>(255 - k);
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

}  // namespace qftest

namespace qftest {

bool WriteJpegWithScans(const std::string& path, int scans) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = 16;
  c.image_height = 16;
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  // The DC coefficients first, then each AC coefficient on its own, its
  // bits sent one at a time from the tenth down: a valid progression with
  // up to 1 + 63 * 10 scans.
  std::vector<jpeg_scan_info> script;
  script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
  for (int k = 1; k <= 63 && static_cast<int>(script.size()) < scans; ++k) {
    for (int al = 9; al >= 0 && static_cast<int>(script.size()) < scans; --al)
      script.push_back({1, {0, 0, 0, 0}, k, k, al == 9 ? 0 : al + 1, al});
  }
  c.scan_info = script.data();
  c.num_scans = static_cast<int>(script.size());
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) row[x] = static_cast<JSAMPLE>((x * 16 + y * 7) & 0xFF);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

}  // namespace qftest

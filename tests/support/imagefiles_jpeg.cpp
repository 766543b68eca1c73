// Kept apart from <windows.h>, which disagrees with libjpeg on `boolean`.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "support/imagefiles.h"

extern "C" {
#include <jpeglib.h>
}

namespace qftest {

namespace {

// One JPEG file: `configure` runs after the defaults are set, `started`
// after compression has begun (markers go there), and `row(y, samples)`
// fills each row of `components` samples per pixel.
bool Compress(const std::string& path, int w, int h, int components, J_COLOR_SPACE space,
              const std::function<void(jpeg_compress_struct&)>& configure,
              const std::function<void(jpeg_compress_struct&)>& started,
              const std::function<void(int, JSAMPLE*)>& row) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  configure(c);
  jpeg_start_compress(&c, TRUE);
  if (started) started(c);
  std::vector<JSAMPLE> samples(static_cast<size_t>(w) * components);
  while (c.next_scanline < c.image_height) {
    row(static_cast<int>(c.next_scanline), samples.data());
    JSAMPROW p = samples.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

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

bool WriteJpeg(const std::string& path, int w, int h, Rgb colour, int quality) {
  return Compress(
      path, w, h, 3, JCS_RGB, [&](jpeg_compress_struct& c) { jpeg_set_quality(&c, quality, TRUE); }, nullptr,
      [&](int, JSAMPLE* row) {
        for (int x = 0; x < w; ++x) row[x * 3] = colour.r, row[x * 3 + 1] = colour.g, row[x * 3 + 2] = colour.b;
      });
}

bool WriteJpegQuadrants(const std::string& path, int w, int h, const Rgb (&quadrants)[4], JpegInk ink,
                        int exif_orientation, bool progressive) {
  const bool inks = ink != JpegInk::Rgb;
  const int components = inks ? 4 : 3;
  auto configure = [&](jpeg_compress_struct& c) {
    // libjpeg writes Adobe's marker for CMYK and YCCK, and Adobe's readers
    // take the inks as stored inverted: so are they here.
    if (ink == JpegInk::AdobeYcck) jpeg_set_colorspace(&c, JCS_YCCK);
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive) jpeg_simple_progression(&c);
  };
  auto started = [&](jpeg_compress_struct& c) {
    if (!exif_orientation) return;
    const auto exif = ExifWithOrientation(exif_orientation);
    jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  };
  auto row = [&](int y, JSAMPLE* samples) {
    const bool bottom = y >= h / 2;
    for (int x = 0; x < w; ++x) {
      const Rgb& q = quadrants[(bottom ? 2 : 0) + (x >= w / 2 ? 1 : 0)];
      JSAMPLE* p = samples + static_cast<size_t>(x) * components;
      if (!inks) {
        p[0] = q.r, p[1] = q.g, p[2] = q.b;
        continue;
      }
      // Ink amounts with black taken out, then stored inverted.
      const int k = 255 - std::max({q.r, q.g, q.b});
      const int scale = 255 - k;
      const int cy = scale ? (scale - q.r) * 255 / scale : 0, mg = scale ? (scale - q.g) * 255 / scale : 0;
      const int ye = scale ? (scale - q.b) * 255 / scale : 0;
      p[0] = static_cast<JSAMPLE>(255 - cy), p[1] = static_cast<JSAMPLE>(255 - mg);
      p[2] = static_cast<JSAMPLE>(255 - ye), p[3] = static_cast<JSAMPLE>(255 - k);
    }
  };
  return Compress(path, w, h, components, inks ? JCS_CMYK : JCS_RGB, configure, started, row);
}

bool WriteJpegWithScans(const std::string& path, int scans) {
  // The DC coefficients first, then each AC coefficient on its own, its
  // bits sent one at a time from the tenth down: a valid progression with
  // up to 1 + 63 * 10 scans.
  std::vector<jpeg_scan_info> script;
  script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
  for (int k = 1; k <= 63 && static_cast<int>(script.size()) < scans; ++k)
    for (int al = 9; al >= 0 && static_cast<int>(script.size()) < scans; --al)
      script.push_back({1, {0, 0, 0, 0}, k, k, al == 9 ? 0 : al + 1, al});
  auto configure = [&](jpeg_compress_struct& c) {
    c.scan_info = script.data();
    c.num_scans = static_cast<int>(script.size());
  };
  return Compress(path, 16, 16, 1, JCS_GRAYSCALE, configure, nullptr, [](int y, JSAMPLE* row) {
    for (int x = 0; x < 16; ++x) row[x] = static_cast<JSAMPLE>((x * 16 + y * 7) & 0xFF);
  });
}

}  // namespace qftest

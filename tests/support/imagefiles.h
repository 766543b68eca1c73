#pragma once
// Writes small image files of known colours for the image tests.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qftest {

struct Rgb {
  std::uint8_t r, g, b;
};

bool WriteBmp24(const std::string& path, int w, int h, Rgb colour);
// A 24-bit bitmap whose pixel (x, y), top row first, is `pixel(x, y)`.
bool WriteBmp24(const std::string& path, int w, int h, const std::function<Rgb(int, int)>& pixel);
bool WriteJpeg(const std::string& path, int w, int h, Rgb colour, int quality = 90);
bool WritePng(const std::string& path, int w, int h, Rgb colour);
// A JPEG of four coloured quadrants (top left, top right, bottom left,
// bottom right), in RGB or as Adobe's inverted CMYK or YCCK, with an EXIF
// orientation when not 0, progressive when asked.
enum class JpegInk { Rgb, AdobeCmyk, AdobeYcck };
bool WriteJpegQuadrants(const std::string& path, int w, int h, const Rgb (&quadrants)[4], JpegInk ink,
                        int exif_orientation, bool progressive);
// A small grey progressive JPEG made of `scans` scans (at most 631).
bool WriteJpegWithScans(const std::string& path, int scans);
// One page per colour.
bool WriteTiff(const std::string& path, int w, int h, const std::vector<Rgb>& pages);

}  // namespace qftest

#pragma once
// The image variants users drop into a folder, each made for the tests as a
// picture of four coloured quadrants, so that colours and orientation can
// be checked after decoding or printing.
#include <ostream>
#include <string>
#include <vector>

#include "support/imagefiles.h"

namespace qftest {

struct ImageVariant {
  const char* name;  // also the file's stem
  const char* ext;   // ".jpg", ".bmp", ".png" or ".tif"
  int width, height;  // upright, as it must look
  Rgb quadrants[4];   // upright: top left, top right, bottom left, bottom right
  int tolerance;      // per channel, for lossy compression
};

const std::vector<ImageVariant>& ImageVariants();
// For GoogleTest's messages.
inline void PrintTo(const ImageVariant& v, std::ostream* os) { *os << v.name; }
// Writes the variant to `path` (with our own writers, or ImageMagick's
// convert for the kinds they cannot write).
bool MakeVariant(const ImageVariant& v, const std::string& path);

}  // namespace qftest

#include "support/imagevariants.h"

#include <cstring>

#include "support/cupsjobs.h"
#include "support/folders.h"
#include "support/tempdir.h"

namespace qftest {

namespace {

constexpr Rgb kRed{255, 0, 0}, kLime{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};
constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kGrey50{128, 128, 128}, kGrey25{64, 64, 64};
constexpr int kW = 60, kH = 40;

// The four stored quadrants of the colour pattern, before any turn.
const Rgb kPattern[4] = {kRed, kLime, kBlue, kYellow};

// ImageMagick's pattern of the same four colours, or black and white.
std::string PatternArgs(bool bilevel) {
  const std::string q = "-size " + std::to_string(kW / 2) + "x" + std::to_string(kH / 2) + " ";
  if (bilevel) return q + "xc:black xc:white +append \\( " + q + "xc:white xc:black +append \\) -append";
  return q + "xc:red xc:lime +append \\( " + q + "xc:blue xc:yellow +append \\) -append";
}

bool Convert(const std::string& args, const std::string& path, const std::string& prefix = "") {
  return RunLinux("convert " + args + " '" + prefix + UnixPath(path) + "'") == 0 && FileExists(path);
}

void Put16(std::string& s, unsigned v) { s += static_cast<char>(v & 0xFF), s += static_cast<char>((v >> 8) & 0xFF); }
void Put32(std::string& s, unsigned v) { Put16(s, v & 0xFFFF), Put16(s, v >> 16); }

// A run-length encoded bitmap (8 or 4 bits) of the colour pattern: one run
// per quadrant and row, each row ended, then the end of the bitmap.
bool WriteBmpRle(const std::string& path, int bits) {
  const Rgb palette[4] = {kRed, kLime, kBlue, kYellow};
  std::string data;
  for (int y = kH - 1; y >= 0; --y) {  // bottom row first
    const bool bottom = y >= kH / 2;
    for (int half = 0; half < 2; ++half) {
      const unsigned index = (bottom ? 2 : 0) + half;
      data += static_cast<char>(kW / 2);
      data += static_cast<char>(bits == 8 ? index : (index << 4) | index);
    }
    data += std::string("\0\0", 2);  // end of line
  }
  data += std::string("\0\1", 2);  // end of bitmap
  const unsigned colours = bits == 8 ? 256 : 16;
  const unsigned offset = 54 + colours * 4;
  std::string s = "BM";
  Put32(s, offset + static_cast<unsigned>(data.size())), Put32(s, 0), Put32(s, offset);
  Put32(s, 40), Put32(s, kW), Put32(s, kH), Put16(s, 1), Put16(s, static_cast<unsigned>(bits));
  Put32(s, bits == 8 ? 1 : 2), Put32(s, static_cast<unsigned>(data.size())), Put32(s, 2835), Put32(s, 2835);
  Put32(s, colours), Put32(s, 0);
  for (unsigned i = 0; i < colours; ++i) {
    const Rgb c = i < 4 ? palette[i] : kBlack;
    s += static_cast<char>(c.b), s += static_cast<char>(c.g), s += static_cast<char>(c.r), s += '\0';
  }
  return WriteFileBytes(path, s + data);
}

}  // namespace

const std::vector<ImageVariant>& ImageVariants() {
  static const std::vector<ImageVariant> variants = {
      {"jpeg_rgb", ".jpg", kW, kH, {kRed, kLime, kBlue, kYellow}, 24},
      {"jpeg_progressive", ".jpg", kW, kH, {kRed, kLime, kBlue, kYellow}, 24},
      {"jpeg_cmyk_adobe", ".jpg", kW, kH, {kRed, kLime, kBlue, kYellow}, 24},
      {"jpeg_ycck_adobe", ".jpg", kW, kH, {kRed, kLime, kBlue, kYellow}, 24},
      // Stored as the pattern, with the orientation that turns it.
      {"jpeg_exif_upside_down", ".jpg", kW, kH, {kYellow, kBlue, kLime, kRed}, 24},
      {"jpeg_exif_turned_right", ".jpg", kH, kW, {kBlue, kRed, kYellow, kLime}, 24},
      {"jpeg_exif_turned_left", ".jpg", kH, kW, {kLime, kYellow, kRed, kBlue}, 24},
      {"bmp_rle8", ".bmp", kW, kH, {kRed, kLime, kBlue, kYellow}, 0},
      {"bmp_rle4", ".bmp", kW, kH, {kRed, kLime, kBlue, kYellow}, 0},
      {"png_16bit", ".png", kW, kH, {kRed, kLime, kBlue, kYellow}, 1},
      {"png_palette", ".png", kW, kH, {kRed, kLime, kBlue, kYellow}, 1},
      // The top right quadrant is transparent: paper shows through.
      {"png_grey_alpha", ".png", kW, kH, {kBlack, kWhite, kGrey50, kGrey25}, 2},
      {"tiff_lzw", ".tif", kW, kH, {kRed, kLime, kBlue, kYellow}, 1},
      {"tiff_deflate", ".tif", kW, kH, {kRed, kLime, kBlue, kYellow}, 1},
      {"tiff_jpeg", ".tif", kW, kH, {kRed, kLime, kBlue, kYellow}, 24},
      {"tiff_planar", ".tif", kW, kH, {kRed, kLime, kBlue, kYellow}, 1},
      {"tiff_16bit", ".tif", kW, kH, {kRed, kLime, kBlue, kYellow}, 1},
      {"tiff_tiled", ".tif", kW, kH, {kRed, kLime, kBlue, kYellow}, 1},
      {"tiff_ccitt_g4", ".tif", kW, kH, {kBlack, kWhite, kWhite, kBlack}, 0},
      {"tiff_ccitt_g3", ".tif", kW, kH, {kBlack, kWhite, kWhite, kBlack}, 0},
      {"tiff_turned_right", ".tif", kH, kW, {kBlue, kRed, kYellow, kLime}, 1},
  };
  return variants;
}

bool MakeVariant(const ImageVariant& v, const std::string& path) {
  const std::string name = v.name;
  const std::string colours = PatternArgs(false), bilevel = PatternArgs(true);
  if (name == "jpeg_rgb") return WriteJpegQuadrants(path, kW, kH, kPattern, JpegInk::Rgb, 0, false);
  if (name == "jpeg_progressive") return WriteJpegQuadrants(path, kW, kH, kPattern, JpegInk::Rgb, 0, true);
  if (name == "jpeg_cmyk_adobe") return WriteJpegQuadrants(path, kW, kH, kPattern, JpegInk::AdobeCmyk, 0, false);
  if (name == "jpeg_ycck_adobe") return WriteJpegQuadrants(path, kW, kH, kPattern, JpegInk::AdobeYcck, 0, false);
  if (name == "jpeg_exif_upside_down") return WriteJpegQuadrants(path, kW, kH, kPattern, JpegInk::Rgb, 3, false);
  if (name == "jpeg_exif_turned_right") return WriteJpegQuadrants(path, kW, kH, kPattern, JpegInk::Rgb, 6, false);
  if (name == "jpeg_exif_turned_left") return WriteJpegQuadrants(path, kW, kH, kPattern, JpegInk::Rgb, 8, false);
  if (name == "bmp_rle8") return WriteBmpRle(path, 8);
  if (name == "bmp_rle4") return WriteBmpRle(path, 4);
  if (name == "png_16bit") return Convert(colours + " -depth 16", path, "PNG48:");
  if (name == "png_palette") return Convert(colours, path, "PNG8:");
  if (name == "png_grey_alpha") {
    const std::string q = "-size " + std::to_string(kW / 2) + "x" + std::to_string(kH / 2) + " ";
    return Convert(q + "xc:black xc:none +append \\( " + q + "xc:gray50 xc:gray25 +append \\) -append " +
                       "-define png:color-type=4",
                   path);
  }
  if (name == "tiff_lzw") return Convert(colours + " -compress LZW", path);
  if (name == "tiff_deflate") return Convert(colours + " -compress Zip", path);
  if (name == "tiff_jpeg") return Convert(colours + " -compress JPEG -quality 95", path);
  if (name == "tiff_planar") return Convert(colours + " -interlace Plane -compress LZW", path);
  if (name == "tiff_16bit") return Convert(colours + " -depth 16", path);
  // (ImageMagick gives uncompressed tiles wrong byte counts.)
  if (name == "tiff_tiled") return Convert(colours + " -compress LZW -define tiff:tile-geometry=16x16", path);
  if (name == "tiff_ccitt_g4") return Convert(bilevel + " -type Bilevel -compress Group4", path);
  if (name == "tiff_ccitt_g3") return Convert(bilevel + " -type Bilevel -compress Fax", path);
  if (name == "tiff_turned_right") return Convert(colours + " -orient RightTop", path);
  return false;
}

}  // namespace qftest

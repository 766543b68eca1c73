// Decoding, without a printer: real files of known colours, and damaged or
// hostile ones that must give no bitmap and never a crash.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include "imaging/image.h"
#include "support/imagefiles.h"
#include "support/imagevariants.h"
#include "support/tempdir.h"
#include "winkit/handles.h"

namespace {

using imaging::CImage;

void ExpectCentre(const CImage& img, qftest::Rgb c, int tolerance = 12) {
  const auto& p = img.Bits();
  ASSERT_FALSE(p.Empty());
  const size_t at = (static_cast<size_t>(p.height / 2) * p.width + p.width / 2) * 4;
  EXPECT_NEAR(p.bgrx[at + 2], c.r, tolerance);
  EXPECT_NEAR(p.bgrx[at + 1], c.g, tolerance);
  EXPECT_NEAR(p.bgrx[at], c.b, tolerance);
}

TEST(Imaging, DecodesEachFormatWithItsColours) {
  qftest::TempDir dir;
  const qftest::Rgb red{220, 20, 30}, green{10, 200, 40}, blue{20, 30, 210};
  ASSERT_TRUE(qftest::WriteJpeg(dir / "a.jpg", 40, 30, red));
  ASSERT_TRUE(qftest::WritePng(dir / "a.png", 33, 17, green));
  ASSERT_TRUE(qftest::WriteBmp24(dir / "a.bmp", 31, 9, blue));
  ASSERT_TRUE(qftest::WriteTiff(dir / "a.tif", 20, 10, {red, green, blue}));
  struct Case {
    const char* name;
    int type;
    qftest::Rgb colour;
    unsigned w, h;
  } cases[] = {
      {"a.jpg", imaging::kJpeg, red, 40, 30},
      {"a.png", imaging::kPng, green, 33, 17},
      {"a.bmp", imaging::kBitmap, blue, 31, 9},
      {"a.tif", imaging::kTiff, red, 20, 10},
  };
  for (const auto& c : cases) {
    CImage img;
    ASSERT_TRUE(img.Load(dir / c.name, c.type)) << c.name << ": " << img.LastError();
    EXPECT_EQ(img.Bits().width, c.w) << c.name;
    EXPECT_EQ(img.Bits().height, c.h) << c.name;
    ExpectCentre(img, c.colour);
  }
  CImage tiff;
  ASSERT_TRUE(tiff.Load(dir / "a.tif", imaging::kTiff));
  EXPECT_EQ(tiff.PageCount(), 3);
  tiff.SelectPage(2);
  ASSERT_TRUE(tiff.Load(dir / "a.tif", imaging::kTiff));
  ExpectCentre(tiff, blue);
  tiff.SelectPage(3);
  EXPECT_FALSE(tiff.Load(dir / "a.tif", imaging::kTiff));
  EXPECT_TRUE(tiff.Empty());
}

// The bytes of a file with `patch` applied at `offset`.
std::string Patched(std::string bytes, size_t offset, const std::string& patch) {
  bytes.replace(offset, patch.size(), patch);
  return bytes;
}

std::string Be32(unsigned v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

TEST(Imaging, DamagedOrHostileFilesGiveNoBitmap) {
  qftest::TempDir dir;
  ASSERT_TRUE(qftest::WriteJpeg(dir / "ok.jpg", 64, 64, {1, 2, 3}));
  ASSERT_TRUE(qftest::WritePng(dir / "ok.png", 64, 64, {1, 2, 3}));
  ASSERT_TRUE(qftest::WriteBmp24(dir / "ok.bmp", 64, 64, {1, 2, 3}));
  ASSERT_TRUE(qftest::WriteTiff(dir / "ok.tif", 64, 64, {{1, 2, 3}}));
  const std::string jpg = qftest::ReadFileBytes(dir / "ok.jpg");
  const std::string png = qftest::ReadFileBytes(dir / "ok.png");
  const std::string bmp = qftest::ReadFileBytes(dir / "ok.bmp");
  const std::string tif = qftest::ReadFileBytes(dir / "ok.tif");

  // A PNG whose header claims 60000 x 60000 pixels, with a correct checksum.
  std::string huge_png = Patched(png, 16, Be32(60000) + Be32(60000));
  const unsigned crc = static_cast<unsigned>(crc32(0, reinterpret_cast<const Bytef*>(huge_png.data() + 12), 17));
  huge_png = Patched(huge_png, 29, Be32(crc));
  // A JPEG whose frame header claims 65535 x 65535.
  std::string huge_jpg = jpg;
  const size_t sof = huge_jpg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge_jpg = Patched(huge_jpg, sof + 5, "\xFF\xFF\xFF\xFF");
  // A bitmap that claims 20000 x 20000 pixels in a file of a few kilobytes.
  const std::string huge_bmp = Patched(bmp, 18, std::string("\x20\x4E\x00\x00\x20\x4E\x00\x00", 8));

  struct Case {
    const char* what;
    std::string bytes;
    int type;
  } cases[] = {
      {"empty jpeg", "", imaging::kJpeg},
      {"truncated jpeg", jpg.substr(0, jpg.size() / 3), imaging::kJpeg},
      {"garbage jpeg", std::string(5000, '\xAB'), imaging::kJpeg},
      {"huge jpeg", huge_jpg, imaging::kJpeg},
      {"truncated png", png.substr(0, png.size() / 2), imaging::kPng},
      {"huge png", huge_png, imaging::kPng},
      {"png named jpeg", png, imaging::kJpeg},
      {"truncated bmp", bmp.substr(0, 70), imaging::kBitmap},
      {"huge bmp", huge_bmp, imaging::kBitmap},
      {"truncated tiff", tif.substr(0, 40), imaging::kTiff},
      // The NUL belongs to the header: the first directory lies at 0xFFFFFFFF.
      {"garbage tiff", std::string("II*\0", 4) + std::string(300, '\xFF'), imaging::kTiff},
  };
  for (const auto& c : cases) {
    const std::string path = dir / "bad.bin";
    ASSERT_TRUE(qftest::WriteFileBytes(path, c.bytes));
    CImage img;
    EXPECT_FALSE(img.Load(path, c.type)) << c.what;
    EXPECT_TRUE(img.Empty()) << c.what;
    EXPECT_FALSE(img.LastError().empty()) << c.what;
  }
  CImage missing;
  EXPECT_FALSE(missing.Load(dir / "missing.png", imaging::kPng));
}

// Little-endian TIFF fields, as our writer lays them out.
unsigned Le32(const std::string& b, size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
         static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<unsigned>(static_cast<unsigned char>(b[at + 3])) << 24;
}
unsigned Le16(const std::string& b, size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
std::string Le32Bytes(unsigned v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

// Offsets that point far past the end of the file must be read as damage:
// nothing is copied from beyond the file's bytes.
TEST(Imaging, TiffOffsetsPastTheEndAreDamageNotReads) {
  qftest::TempDir dir;
  ASSERT_TRUE(qftest::WriteTiff(dir / "three.tif", 64, 64, {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}}));
  const std::string tif = qftest::ReadFileBytes(dir / "three.tif");
  ASSERT_EQ(tif.substr(0, 4), std::string("II*\0", 4));
  const size_t ifd0 = Le32(tif, 4);
  const size_t entries = Le16(tif, ifd0);
  const size_t ifd0_end = ifd0 + 2 + 12 * entries + 4;
  ASSERT_LE(ifd0_end, tif.size());
  ASSERT_NE(Le32(tif, ifd0_end - 4), 0u) << "page 1 has a successor";

  // Every strip offset of page 1 moved to 0x7FFFFFF0.
  std::string strips_out = tif;
  bool patched = false;
  for (size_t i = 0; i < entries; ++i) {
    const size_t e = ifd0 + 2 + 12 * i;
    if (Le16(tif, e) != 273) continue;  // StripOffsets
    const unsigned count = Le32(tif, e + 4);
    if (count == 1) {
      strips_out = Patched(strips_out, e + 8, Le32Bytes(0x7FFFFFF0));
    } else {
      const size_t list = Le32(tif, e + 8);
      for (unsigned k = 0; k < count; ++k) strips_out = Patched(strips_out, list + 4 * k, Le32Bytes(0x7FFFFFF0 + k));
    }
    patched = true;
  }
  ASSERT_TRUE(patched);

  struct Case {
    const char* what;
    std::string bytes;
    bool page;  // a page whose pixels are missing: blank paper, but a failure
  } cases[] = {
      {"first directory at 0x7FFFFFF0", std::string("II*\0", 4) + Le32Bytes(0x7FFFFFF0) + std::string(200, '\0'),
       false},
      {"directory offset into the last bytes",
       std::string("II*\0", 4) + Le32Bytes(static_cast<unsigned>(tif.size() - 2)) + tif.substr(8), false},
      {"strip offsets past the end", strips_out, true},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(qftest::WriteFileBytes(dir / "bad.tif", c.bytes));
    CImage img;
    EXPECT_FALSE(img.Load(dir / "bad.tif", imaging::kTiff)) << c.what;
    EXPECT_EQ(img.Empty(), !c.page) << c.what;
    if (c.page) ExpectCentre(img, {255, 255, 255}, 0);
    EXPECT_FALSE(img.LastError().empty()) << c.what;
  }

  // A three-page scan cut short after its first page (where the second
  // page's pixels begin): page 0 still decodes, the pages whose bytes are
  // missing give nothing.
  const size_t ifd1 = Le32(tif, ifd0_end - 4);
  size_t page2_data = 0;
  for (size_t i = 0; i < Le16(tif, ifd1); ++i) {
    const size_t e = ifd1 + 2 + 12 * i;
    if (Le16(tif, e) == 273) page2_data = Le32(tif, e + 8);
  }
  ASSERT_GT(page2_data, ifd0_end);
  ASSERT_TRUE(qftest::WriteFileBytes(dir / "cut.tif", tif.substr(0, page2_data)));
  CImage cut;
  ASSERT_TRUE(cut.Load(dir / "cut.tif", imaging::kTiff)) << cut.LastError();
  EXPECT_LE(cut.PageCount(), 1);
  ExpectCentre(cut, {200, 0, 0});
  for (int page = 1; page < 3; ++page) {
    cut.SelectPage(page);
    EXPECT_FALSE(cut.Load(dir / "cut.tif", imaging::kTiff)) << "page " << page;
    EXPECT_TRUE(cut.Empty());
  }
}

// A JPEG cut inside its picture data keeps the rows that arrived, and
// still fails.
TEST(Imaging, ACutJpegKeepsWhatArrivedAndStillFails) {
  qftest::TempDir dir;
  ASSERT_TRUE(qftest::WriteJpeg(dir / "whole.jpg", 400, 400, {200, 40, 40}));
  const std::string jpeg = qftest::ReadFileBytes(dir / "whole.jpg");
  ASSERT_TRUE(qftest::WriteFileBytes(dir / "cut.jpg", jpeg.substr(0, jpeg.size() * 6 / 10)));
  CImage cut;
  EXPECT_FALSE(cut.Load(dir / "cut.jpg", imaging::kJpeg));
  EXPECT_NE(cut.LastError().find("JPEG"), std::string::npos) << cut.LastError();
  ASSERT_FALSE(cut.Empty());
  const auto& p = cut.Bits();
  const size_t top = (static_cast<size_t>(p.height / 10) * p.width + p.width / 2) * 4;
  EXPECT_NEAR(p.bgrx[top + 2], 200, 16);
  EXPECT_NEAR(p.bgrx[top], 40, 16);
}

// The bounds a hostile file cannot pass, each with its own reason.
TEST(Imaging, BoundsOnScansPagesAndClaimedSizeEachGiveTheirReason) {
  qftest::TempDir dir;
  ASSERT_TRUE(qftest::WriteJpegWithScans(dir / "scans200.jpg", 200));
  ASSERT_TRUE(qftest::WriteJpegWithScans(dir / "scans400.jpg", 400));
  std::vector<qftest::Rgb> many(imaging::kMaxTiffDirectories + 1, qftest::Rgb{10, 20, 30});
  ASSERT_TRUE(qftest::WriteTiff(dir / "pages.tif", 1, 1, many));
  // A PNG of 8000 x 8000 pixels (64 million) in a few hundred bytes, its
  // checksum mended.
  ASSERT_TRUE(qftest::WritePng(dir / "small.png", 8, 8, {1, 2, 3}));
  std::string png = qftest::ReadFileBytes(dir / "small.png");
  png = Patched(png, 16, Be32(8000) + Be32(8000));
  png = Patched(png, 29, Be32(static_cast<unsigned>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17))));
  ASSERT_TRUE(qftest::WriteFileBytes(dir / "claim.png", png));

  CImage fine;
  EXPECT_TRUE(fine.Load(dir / "scans200.jpg", imaging::kJpeg)) << fine.LastError();
  struct Case {
    const char* file;
    int type;
    const char* reason;
  } cases[] = {
      {"scans400.jpg", imaging::kJpeg, "more than 256 scans"},
      {"pages.tif", imaging::kTiff, "more than 1000 pages"},
      {"claim.png", imaging::kPng, "image too large for its file (8000 x 8000 from"},
  };
  for (const auto& c : cases) {
    CImage img;
    EXPECT_FALSE(img.Load(dir / c.file, c.type)) << c.file;
    EXPECT_NE(img.LastError().find(c.reason), std::string::npos) << c.file << ": " << img.LastError();
  }
}

// --- Every common variant, upright and in its colours ------------------------

class ImageVariantTest : public ::testing::TestWithParam<qftest::ImageVariant> {};

TEST_P(ImageVariantTest, DecodesUprightWithItsColours) {
  const qftest::ImageVariant& v = GetParam();
  qftest::TempDir dir;
  const std::string path = dir / (std::string(v.name) + v.ext);
  ASSERT_TRUE(qftest::MakeVariant(v, path)) << v.name;
  const int type = v.ext[1] == 'j' ? imaging::kJpeg : v.ext[1] == 'b' ? imaging::kBitmap
                   : v.ext[1] == 'p' ? imaging::kPng : imaging::kTiff;
  CImage img;
  ASSERT_TRUE(img.Load(path, type)) << img.LastError();
  const auto& p = img.Bits();
  ASSERT_EQ(p.width, static_cast<unsigned>(v.width));
  ASSERT_EQ(p.height, static_cast<unsigned>(v.height));
  const double fx[4] = {0.25, 0.75, 0.25, 0.75}, fy[4] = {0.25, 0.25, 0.75, 0.75};
  for (int q = 0; q < 4; ++q) {
    const size_t at = (static_cast<size_t>(fy[q] * p.height) * p.width + static_cast<size_t>(fx[q] * p.width)) * 4;
    EXPECT_NEAR(p.bgrx[at + 2], v.quadrants[q].r, v.tolerance) << "quadrant " << q;
    EXPECT_NEAR(p.bgrx[at + 1], v.quadrants[q].g, v.tolerance) << "quadrant " << q;
    EXPECT_NEAR(p.bgrx[at], v.quadrants[q].b, v.tolerance) << "quadrant " << q;
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, ImageVariantTest, ::testing::ValuesIn(qftest::ImageVariants()),
                         [](const ::testing::TestParamInfo<qftest::ImageVariant>& i) {
                           return std::string(i.param.name);
                         });

// --- What the fuzzers keep, through the real decoders under Wine -------------

// The files of one folder of fuzz/ ("corpus/jpeg", "regressions/tiff").
std::vector<std::string> KeptInputs(const std::string& folder) {
  std::vector<std::string> files;
  const std::string dir = std::string(QF_FUZZ_INPUTS) + "\\" + folder + "\\";
  WIN32_FIND_DATAA fd;
  winkit::FindHandle find(FindFirstFileA((dir + "*").c_str(), &fd));
  if (!find) return files;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.') files.push_back(dir + fd.cFileName);
  } while (FindNextFileA(find.get(), &fd));
  return files;
}

TEST(Imaging, TheFuzzersSeedsDecodeAndTheirFindsFailCleanly) {
  qftest::TempDir dir;
  const struct {
    const char* target;
    int type;
  } targets[] = {{"bmp", imaging::kBitmap}, {"jpeg", imaging::kJpeg}, {"png", imaging::kPng}, {"tiff", imaging::kTiff}};
  size_t seeds = 0;
  for (const auto& t : targets) {
    for (const char* kind : {"corpus", "regressions"}) {
      const bool seed = std::string(kind) == "corpus";
      for (const std::string& file : KeptInputs(std::string(kind) + "\\" + t.target)) {
        std::string bytes = qftest::ReadFileBytes(file);
        int page = 0;
        // The TIFF target's first byte selects the page.
        if (t.type == imaging::kTiff && !bytes.empty()) {
          page = static_cast<unsigned char>(bytes[0]) % 4;
          bytes.erase(0, 1);
        }
        const std::string path = dir / "input.bin";
        ASSERT_TRUE(qftest::WriteFileBytes(path, bytes));
        CImage img;
        img.SelectPage(page);
        const bool ok = img.Load(path, t.type);
        if (seed) {
          ++seeds;
          EXPECT_TRUE(ok) << file << ": " << img.LastError();
          EXPECT_FALSE(img.Empty()) << file;
        } else if (!ok) {
          EXPECT_FALSE(img.LastError().empty()) << file;
        }
      }
    }
  }
  EXPECT_GE(seeds, 20u) << "the seed corpus is missing";
}

}  // namespace

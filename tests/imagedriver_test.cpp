// The image driver on the real CUPS "PDF" queue: jobs, their names, and what
// cups-pdf put on the pages.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "drivers/imagedriver.h"
#include "support/cupsjobs.h"
#include "support/imagefiles.h"
#include "support/imagevariants.h"
#include "support/tempdir.h"

namespace {

TEST(ImageDriver, TargetRectangle) {
  struct Case {
    int dpi, w, h;
    RECT expected;
  } cases[] = {
      {300, 2480, 3508, {75, 150, 2480 - 75, 3508 - 150}},
      {600, 4960, 7016, {150, 300, 4960 - 150, 7016 - 300}},
  };
  for (const auto& c : cases) {
    const RECT r = ImageTargetRect(c.dpi, c.dpi, c.w, c.h);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
}

TEST(ImageDriver, TypeFromTheExtension) {
  EXPECT_EQ(ImageTypeOf("C:\\a.JPG"), 3);
  EXPECT_EQ(ImageTypeOf("C:\\a.jpg"), 3);
  EXPECT_EQ(ImageTypeOf("C:\\a.Tif"), 6);
  EXPECT_EQ(ImageTypeOf("C:\\a.png"), 4);
  EXPECT_EQ(ImageTypeOf("C:\\a.bmp"), 1);
  EXPECT_EQ(ImageTypeOf("C:\\a.jpeg"), 0);
  EXPECT_EQ(ImageTypeOf("C:\\a"), 0);
}

class ImagePrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    ErrorFileName = dir_ / "Quirefeed.err";
  }
  qftest::TempDir dir_;
  winkit::TEvent done_;
};

TEST_F(ImagePrintTest, EachFormatGivesOneJobWithTheImageOnItsPage) {
  const qftest::Rgb red{230, 20, 20}, green{20, 190, 40}, blue{30, 40, 220}, gold{240, 200, 20};
  struct Case {
    const char* name;
    qftest::Rgb colour;
  } cases[] = {{"photo.jpg", red}, {"chart.png", green}, {"scan.bmp", blue}, {"single.tif", gold}};
  ASSERT_TRUE(qftest::WriteJpeg(dir_ / "photo.jpg", 120, 160, red));
  ASSERT_TRUE(qftest::WritePng(dir_ / "chart.png", 90, 90, green));
  ASSERT_TRUE(qftest::WriteBmp24(dir_ / "scan.bmp", 50, 70, blue));
  ASSERT_TRUE(qftest::WriteTiff(dir_ / "single.tif", 64, 64, {gold}));
  for (const auto& c : cases) {
    const int before = qftest::HighestCupsJobId();
    ASSERT_TRUE(PrintImageFile(dir_ / c.name, done_)) << c.name;
    const auto jobs = qftest::FinishedJobsAfter(before, dir_.Path(), 1, 150000);
    ASSERT_EQ(jobs.size(), 1u) << c.name;
    EXPECT_EQ(jobs[0].name, dir_ / c.name) << "the job is titled with the full path";
    EXPECT_EQ(jobs[0].state, ipp::kCompleted);
    const std::string pdf = qftest::PdfOfJob(jobs[0].id);
    ASSERT_FALSE(pdf.empty()) << "cups-pdf wrote nothing for " << c.name;
    EXPECT_EQ(qftest::PdfPageCount(pdf), 1);
    int r = 0, g = 0, b = 0;
    ASSERT_TRUE(qftest::PdfCentreColour(pdf, r, g, b));
    EXPECT_NEAR(r, c.colour.r, 40) << c.name;
    EXPECT_NEAR(g, c.colour.g, 40) << c.name;
    EXPECT_NEAR(b, c.colour.b, 40) << c.name;
  }
}

TEST_F(ImagePrintTest, ThreePageTiffGivesThreeJobsTitledWithTheFullPath) {
  const std::vector<qftest::Rgb> pages = {{230, 20, 20}, {20, 190, 40}, {30, 40, 220}};
  const std::string path = dir_ / "three pages.tif";
  ASSERT_TRUE(qftest::WriteTiff(path, 48, 64, pages));
  const int before = qftest::HighestCupsJobId();
  ASSERT_TRUE(PrintImageFile(path, done_));
  const auto jobs = qftest::FinishedJobsAfter(before, dir_.Path(), 3, 150000);
  ASSERT_EQ(jobs.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(jobs[i].name, path);
    const std::string pdf = qftest::PdfOfJob(jobs[i].id);
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(qftest::PdfPageCount(pdf), 1);
    int r = 0, g = 0, b = 0;
    ASSERT_TRUE(qftest::PdfCentreColour(pdf, r, g, b));
    EXPECT_NEAR(r, pages[i].r, 40) << "page " << i;
    EXPECT_NEAR(g, pages[i].g, 40) << "page " << i;
    EXPECT_NEAR(b, pages[i].b, 40) << "page " << i;
  }
}

// The empty page is the sign on paper; the file is not reported printed.
TEST_F(ImagePrintTest, DamagedImageGivesOneEmptyPageAndIsNotReportedPrinted) {
  const std::string path = dir_ / "damaged.jpg";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "\xFF\xD8\xFF\xE0 this is no picture"));
  const int before = qftest::HighestCupsJobId();
  EXPECT_FALSE(PrintImageFile(path, done_));
  const auto jobs = qftest::FinishedJobsAfter(before, dir_.Path(), 1, 150000);
  ASSERT_EQ(jobs.size(), 1u);
  const std::string pdf = qftest::PdfOfJob(jobs[0].id);
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(qftest::PdfPageCount(pdf), 1);
  int r = 0, g = 0, b = 0;
  ASSERT_TRUE(qftest::PdfCentreColour(pdf, r, g, b));
  EXPECT_GT(r + g + b, 3 * 240) << "the page should be blank";
}

// Every common variant prints upright in its colours: the quadrants' centres
// of the stretched picture, read from the page cups-pdf wrote.
class ImageVariantPrintTest : public ImagePrintTest, public ::testing::WithParamInterface<qftest::ImageVariant> {};

TEST_P(ImageVariantPrintTest, PrintsUprightInItsColours) {
  const qftest::ImageVariant& v = GetParam();
  const std::string path = dir_ / (std::string(v.name) + v.ext);
  ASSERT_TRUE(qftest::MakeVariant(v, path));
  const int before = qftest::HighestCupsJobId();
  ASSERT_TRUE(PrintImageFile(path, done_)) << qftest::ReadFileBytes(ErrorFileName);
  const auto jobs = qftest::FinishedJobsAfter(before, path, 1, 150000);
  ASSERT_EQ(jobs.size(), 1u);
  const std::string pdf = qftest::PdfOfJob(jobs[0].id);
  ASSERT_FALSE(pdf.empty());
  double w = 0, h = 0;
  ASSERT_TRUE(qftest::PdfPageSize(pdf, w, h));
  qftest::PdfPicture page;
  ASSERT_TRUE(qftest::RenderPdf(pdf, 30, page));
  // The picture fills the page less a quarter inch at the sides and half
  // an inch at top and bottom.
  const double left = 18 / w, right = 1 - 18 / w, top = 36 / h, bottom = 1 - 36 / h;
  const double fx[4] = {0.25, 0.75, 0.25, 0.75}, fy[4] = {0.25, 0.25, 0.75, 0.75};
  for (int q = 0; q < 4; ++q) {
    int r = 0, g = 0, b = 0;
    page.At(left + (right - left) * fx[q], top + (bottom - top) * fy[q], r, g, b);
    const int tolerance = v.tolerance + 16;
    EXPECT_NEAR(r, v.quadrants[q].r, tolerance) << "quadrant " << q;
    EXPECT_NEAR(g, v.quadrants[q].g, tolerance) << "quadrant " << q;
    EXPECT_NEAR(b, v.quadrants[q].b, tolerance) << "quadrant " << q;
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, ImageVariantPrintTest, ::testing::ValuesIn(qftest::ImageVariants()),
                         [](const ::testing::TestParamInfo<qftest::ImageVariant>& i) {
                           return std::string(i.param.name);
                         });

}  // namespace

// The image driver on the real CUPS "PDF" queue: jobs, their names, and what
// cups-pdf put on the pages.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <windows.h>
#include <winspool.h>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "drivers/imagedriver.h"
#include "imaging/image.h"
#include "support/cupsjobs.h"
#include "support/imagefiles.h"
#include "support/imagevariants.h"
#include "support/tempdir.h"
#include "winkit/handles.h"
#include "winkit/printjob.h"

namespace {

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
    const std::string pdf = qftest::PdfOfJob(jobs[0]);
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
    const std::string pdf = qftest::PdfOfJob(jobs[i]);
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
  const std::string pdf = qftest::PdfOfJob(jobs[0]);
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
  const std::string pdf = qftest::PdfOfJob(jobs[0]);
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

// A picture with more pixels than the device has dots (at 300 dpi) or
// fewer (at 600 dpi) must look the same on the page, and reach the printer
// with no more pixels than it has dots: eight horizontal bands, solid,
// gradients, a one-pixel checkerboard and one-pixel stripes, whose
// averages must survive the way down.
class LargePictureTest : public ImagePrintTest, public ::testing::WithParamInterface<int> {};

TEST_P(LargePictureTest, LooksTheSameAsItsSourceOnThePage) {
  const int dpi = GetParam();
  constexpr int kW = 4000, kH = 5600, kBands = 8;
  auto source = [](int x, int y) -> qftest::Rgb {
    const int band = y * kBands / kH;
    switch (band) {
      case 0:
        return {200, 30, 30};
      case 1:
        return {30, 160, 60};
      case 2:
        return ((x + y) % 2) ? qftest::Rgb{255, 255, 255} : qftest::Rgb{0, 0, 0};
      case 3:
        return {static_cast<std::uint8_t>(x * 255 / (kW - 1)), 80, 160};
      case 4:
        return {30, 30, 200};
      case 5:
        return (x % 2) ? qftest::Rgb{250, 250, 0} : qftest::Rgb{0, 0, 250};
      case 6:
        return {240, 240, 240};
      default:
        return {20, 20, 20};
    }
  };
  // What each band averages to.
  const qftest::Rgb averages[kBands] = {{200, 30, 30}, {30, 160, 60},   {128, 128, 128}, {128, 80, 160},
                                        {30, 30, 200}, {125, 125, 125}, {240, 240, 240}, {20, 20, 20}};
  const std::string path = dir_ / "large.bmp";
  ASSERT_TRUE(qftest::WriteBmp24(path, kW, kH, source));
  imaging::CImage image;
  ASSERT_TRUE(image.Load(path, imaging::kBitmap)) << image.LastError();

  const std::string printer = winkit::DefaultPrinterName();
  winkit::PrinterHandle h;
  ASSERT_TRUE(OpenPrinterA(const_cast<char*>(printer.c_str()), h.put(), nullptr));
  const LONG size = DocumentPropertiesA(nullptr, h.get(), const_cast<char*>(printer.c_str()), nullptr, nullptr, 0);
  ASSERT_GT(size, 0);
  std::vector<char> buf(static_cast<size_t>(size));
  auto* dm = reinterpret_cast<DEVMODEA*>(buf.data());
  ASSERT_EQ(DocumentPropertiesA(nullptr, h.get(), const_cast<char*>(printer.c_str()), dm, nullptr, DM_OUT_BUFFER),
            IDOK);
  dm->dmPrintQuality = static_cast<short>(dpi);
  dm->dmYResolution = static_cast<short>(dpi);
  dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
  winkit::PrinterDc dc = winkit::CreatePrinterDc(printer, dm);
  ASSERT_TRUE(dc);
  ASSERT_EQ(GetDeviceCaps(dc.get(), LOGPIXELSY), dpi);
  const RECT target = ImageTargetRect(GetDeviceCaps(dc.get(), LOGPIXELSX), GetDeviceCaps(dc.get(), LOGPIXELSY),
                                      GetDeviceCaps(dc.get(), PHYSICALWIDTH), GetDeviceCaps(dc.get(), PHYSICALHEIGHT));
  const std::string title = dir_ / ("large at " + std::to_string(dpi) + " dpi");
  const int before = qftest::HighestCupsJobId();
  {
    winkit::PrintJob job(dc.get(), title);
    ASSERT_TRUE(job.StartPage());
    image.DrawStretched(dc.get(), target, SRCCOPY);
    ASSERT_TRUE(job.End());
  }
  const auto jobs = qftest::FinishedJobsAfter(before, title, 1, 150000);
  ASSERT_EQ(jobs.size(), 1u);
  // The job carries no more pixels than the device has dots there (about
  // three bytes each as the driver spools them): a picture sent whole
  // would be several times that at 300 dpi.
  const double dots = static_cast<double>(target.right - target.left) * (target.bottom - target.top);
  const double spooled = std::atof(qftest::JobAttribute(jobs[0].id, "job-k-octets").c_str()) * 1024;
  EXPECT_GT(spooled, 0);
  EXPECT_LE(spooled, 3 * std::min(dots, static_cast<double>(kW) * kH)) << "the picture was not averaged down";
  const std::string pdf = qftest::PdfOfJob(jobs[0]);
  ASSERT_FALSE(pdf.empty());
  qftest::PdfPicture page;
  ASSERT_TRUE(qftest::RenderPdf(pdf, 40, page));
  const double pw = GetDeviceCaps(dc.get(), PHYSICALWIDTH), ph = GetDeviceCaps(dc.get(), PHYSICALHEIGHT);
  const double left = target.left / pw, right = target.right / pw, top = target.top / ph, bottom = target.bottom / ph;
  for (int band = 0; band < kBands; ++band) {
    // The middle of the band, away from its edges.
    double sum[3] = {0, 0, 0};
    int n = 0;
    for (double fy = (band + 0.3) / kBands; fy < (band + 0.7) / kBands; fy += 0.005)
      for (double fx = 0.1; fx < 0.9; fx += 0.01) {
        int r = 0, g = 0, b = 0;
        page.At(left + (right - left) * fx, top + (bottom - top) * fy, r, g, b);
        sum[0] += r, sum[1] += g, sum[2] += b, ++n;
      }
    ASSERT_GT(n, 0);
    EXPECT_NEAR(sum[0] / n, averages[band].r, 14) << "band " << band;
    EXPECT_NEAR(sum[1] / n, averages[band].g, 14) << "band " << band;
    EXPECT_NEAR(sum[2] / n, averages[band].b, 14) << "band " << band;
  }
  // A region of the solid first band, pixel by pixel.
  qftest::PdfPicture fine;
  ASSERT_TRUE(qftest::RenderPdf(pdf, 150, fine));
  for (double fx = 0.2; fx < 0.8; fx += 0.05) {
    int r = 0, g = 0, b = 0;
    fine.At(left + (right - left) * fx, top + (bottom - top) * 0.5 / kBands, r, g, b);
    EXPECT_NEAR(r, 200, 8);
    EXPECT_NEAR(g, 30, 8);
    EXPECT_NEAR(b, 30, 8);
  }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, LargePictureTest, ::testing::Values(300, 600));

}  // namespace

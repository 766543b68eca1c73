// Decode and draw times of the image driver for a 24-megapixel JPEG and a
// 100-page TIFF, and the process's peak memory while the TIFF prints. The
// jobs go to the held queue "Quirefeed_Held" (made by the test environment),
// which keeps them unprinted; they are cancelled at the end.
#include <windows.h>

#include "clock.h"
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drivers/drivers.h"
#include "drivers/imagedriver.h"
#include "imaging/image.h"
#include "winkit/printjob.h"
#include "support/cupsjobs.h"
#include "support/gdiprint.h"
#include "support/imagefiles.h"
#include "support/tempdir.h"

namespace {

using bench::Now;

// Decode, then draw onto a printer DC in a job of its own.
void DecodeAndDraw(const std::string& label, const std::string& path, int type, int page, const std::string& printer) {
  imaging::CImage img;
  img.SelectPage(page);
  const double t0 = Now();
  const bool ok = img.Load(path, type);
  const double t1 = Now();
  {
    winkit::PrinterDc printer_dc = winkit::CreatePrinterDc(printer);
    const HDC dc = printer_dc.get();
    winkit::PrintJob job(dc, "bench");
    if (job.StartPage()) {
      const RECT r = ImageTargetRect(GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY),
                                     GetDeviceCaps(dc, PHYSICALWIDTH), GetDeviceCaps(dc, PHYSICALHEIGHT));
      img.DrawStretched(dc, r, SRCCOPY);
    }
    job.End();
  }
  const double t2 = Now();
  std::printf("%s: %s, %u x %u, decode %.0f ms, draw and spool %.0f ms\n", label.c_str(), ok ? "decoded" : "FAILED",
              img.Bits().width, img.Bits().height, t1 - t0, t2 - t1);
}

}  // namespace

// "jpeg": the 24-megapixel JPEG; "tiff": the 100-page TIFF. Run apart, so
// that each process's peak memory (sampled by scripts/bench.sh) is its own.
int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "jpeg";
  qftest::TempDir dir;
  const std::string jpeg = dir / "photo24mp.jpg", tiff = dir / "hundred.tif";
  const int pw = 1700, ph = 2200;
  const std::string previous = qftest::DefaultPrinterName();
  const std::string held = "Quirefeed_Held";
  if (!SetDefaultPrinterA(held.c_str())) {
    std::printf("the held queue is missing; run the tests once first\n");
    return 1;
  }
  if (what == "jpeg") {
    qftest::WriteJpeg(jpeg, 6000, 4000, {180, 90, 40}, 85);
    DecodeAndDraw("24-megapixel JPEG", jpeg, imaging::kJpeg, 0, held);
  } else {
    std::vector<qftest::Rgb> pages;
    for (int i = 0; i < 100; ++i) pages.push_back({static_cast<std::uint8_t>(i * 2), 100, 200});
    qftest::WriteTiff(tiff, pw, ph, pages);
    DecodeAndDraw("TIFF page 1 of 100", tiff, imaging::kTiff, 0, held);
    winkit::TEvent done;
    const double t0 = Now();
    PrintImageFile(tiff, done);
    const double t1 = Now();
    std::printf("100-page TIFF through the image driver: %.0f ms in all, %.0f ms per page\n", t1 - t0, (t1 - t0) / 100);
    std::printf("one decoded page is %.1f MB\n", static_cast<double>(pw) * ph * 4 / (1024.0 * 1024.0));
  }
  SetDefaultPrinterA(previous.c_str());
  qftest::RunLinux("cancel -a Quirefeed_Held");
  return 0;
}

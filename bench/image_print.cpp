// The image driver on the real CUPS "PDF" queue, per kind of work: a
// 24-megapixel JPEG, a 100-page TIFF and a folder of 50 phone photos. For
// each: our own time (decoding alone, and decode, scale and spool in all),
// the time CUPS then spends until the jobs are completed, and the output's
// size per page. "bare" does nothing, so that scripts/bench.sh can set the
// peak memory of a bare process of this program beside that of the TIFF's.
// A benchmark, not a test: it asserts nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clock.h"
#include "app/base/log.h"
#include "drivers/drivers.h"
#include "drivers/imagedriver.h"
#include "imaging/image.h"
#include "imaging/scale.h"
#include "winkit/printjob.h"
#include "support/cupsjobs.h"
#include "support/imagefiles.h"
#include "support/tempdir.h"

namespace {

using bench::Now;

struct Figures {
  double decode = 0, scale = 0, own = 0, cups = 0;
  long long bytes = 0;
  int pages = 0, jobs = 0;
};

long long FileBytes(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return 0;
  return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// The dots of the picture's rectangle on the default printer's page.
void TargetDots(std::uint32_t& w, std::uint32_t& h) {
  winkit::PrinterDc dc = winkit::CreatePrinterDc(winkit::DefaultPrinterName());
  const RECT r = ImageTargetRect(GetDeviceCaps(dc.get(), LOGPIXELSX), GetDeviceCaps(dc.get(), LOGPIXELSY),
                                 GetDeviceCaps(dc.get(), PHYSICALWIDTH), GetDeviceCaps(dc.get(), PHYSICALHEIGHT));
  w = static_cast<std::uint32_t>(r.right - r.left);
  h = static_cast<std::uint32_t>(r.bottom - r.top);
}

// Seconds CUPS spent processing a job, from its own time stamps (whole
// seconds: summed over many jobs they even out).
double ProcessingMs(int job) {
  const double start = std::atof(qftest::JobAttribute(job, "time-at-processing").c_str());
  const double end = std::atof(qftest::JobAttribute(job, "time-at-completed").c_str());
  return end > start ? (end - start) * 1000 : 0;
}

// Prints one file through the driver and waits for its `jobs` jobs. The
// decode and the scaling to the page are also timed on their own, outside
// the driver's run. A single job's CUPS time is the wait for it after the
// driver returned; many jobs overlap the driver's run, so theirs is the sum
// of their processing times.
void PrintOne(const std::string& path, int type, int jobs, Figures& f) {
  {
    imaging::CImage img;
    const double t0 = Now();
    img.Load(path, type);
    const double t1 = Now();
    f.decode += t1 - t0;
    std::uint32_t tw = 0, th = 0;
    TargetDots(tw, th);
    const auto& p = img.Bits();
    if (p.width > tw || p.height > th) {
      const imaging::BoxScaler scaler(p, std::min(p.width, tw), std::min(p.height, th));
      std::vector<std::uint8_t> band;
      const double t2 = Now();
      scaler.Rows(0, std::min(p.height, th), band);
      f.scale += Now() - t2;
    }
  }
  const int before = qftest::HighestCupsJobId();
  winkit::TEvent done;
  const double t0 = Now();
  PrintImageFile(path, done);
  const double t1 = Now();
  const auto finished = qftest::FinishedJobsAfter(before, path, static_cast<size_t>(jobs), 1800000);
  const double t2 = Now();
  f.own += t1 - t0;
  if (jobs == 1) {
    f.cups += t2 - t1;
  } else {
    for (const auto& j : finished) f.cups += ProcessingMs(j.id);
  }
  f.jobs += static_cast<int>(finished.size());
  for (const auto& j : finished) {
    const std::string pdf = qftest::PdfOfJob(j);
    f.bytes += FileBytes(pdf);
    f.pages += qftest::PdfPageCount(pdf);
  }
}

void Report(const char* label, const Figures& f) {
  const double total = f.own + f.cups;
  std::printf(
      "%-18s %3d jobs  own %7.0f ms (decode %6.0f, scale %6.0f, draw and spool %7.0f)  CUPS %7.0f ms  "
      "own share %5.1f%%  %5.0f KB/page\n",
      label, f.jobs, f.own, f.decode, f.scale, f.own - f.decode - f.scale, f.cups, total > 0 ? 100 * f.own / total : 0,
      f.pages ? static_cast<double>(f.bytes) / 1024 / f.pages : 0);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "jpeg";
  qftest::TempDir dir;
  LogFileName = dir / "bench.log";
  ErrorFileName = dir / "bench.err";
  if (what == "bare") {
    Sleep(1000);
    std::printf("bare process\n");
    return 0;
  }
  Figures f;
  if (what == "jpeg") {
    const std::string path = dir / "photo24mp.jpg";
    const qftest::Rgb q[4] = {{180, 90, 40}, {40, 120, 200}, {230, 210, 60}, {20, 20, 20}};
    qftest::WriteJpegQuadrants(path, 6000, 4000, q, qftest::JpegInk::Rgb, 0, false);
    PrintOne(path, imaging::kJpeg, 1, f);
    Report("24-megapixel JPEG", f);
  } else if (what == "tiff") {
    const std::string path = dir / "hundred.tif";
    const int pw = 1700, ph = 2200;
    std::vector<qftest::Rgb> pages;
    for (int i = 0; i < 100; ++i) pages.push_back({static_cast<std::uint8_t>(i * 2), 100, 200});
    qftest::WriteTiff(path, pw, ph, pages);
    PrintOne(path, imaging::kTiff, 100, f);
    Report("100-page TIFF", f);
    std::printf("one decoded page is %.1f MB\n", static_cast<double>(pw) * ph * 4 / (1024.0 * 1024.0));
  } else if (what == "photos") {
    // Twelve-megapixel photos, every other one taken with the phone turned.
    const qftest::Rgb q[4] = {{180, 90, 40}, {40, 120, 200}, {230, 210, 60}, {20, 20, 20}};
    std::vector<std::string> photos;
    for (int i = 0; i < 50; ++i) {
      photos.push_back(dir / ("IMG_" + std::to_string(1000 + i) + ".jpg"));
      qftest::WriteJpegQuadrants(photos.back(), 4032, 3024, q, qftest::JpegInk::Rgb, i % 2 ? 6 : 1, false);
    }
    for (const auto& p : photos) PrintOne(p, imaging::kJpeg, 1, f);
    Report("50 phone photos", f);
  }
  return 0;
}

// How long a PDF takes from the PDF driver's call until CUPS reports its job
// completed, per page, against `lp` of the same PDF to the same queue in the
// same run. A benchmark, not a test: it asserts nothing.
#include <windows.h>

#include "clock.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/base/log.h"
#include "engine/ipp.h"
#include "engine/printfile.h"
#include "support/cupsjobs.h"
#include "support/gdiprint.h"
#include "support/tempdir.h"

namespace {

using bench::Now;

// Waits until the job named `name` has completed; its end time, or -1.
double CompletedAt(ipp::Client& cups, const std::string& queue, const std::string& name) {
  for (int i = 0; i < 6000; ++i) {
    std::vector<ipp::Job> jobs;
    if (cups.GetJobs(queue, "all", jobs))
      for (const auto& j : jobs)
        if (j.name == name && j.state == ipp::kCompleted) return Now();
    Sleep(10);
  }
  return -1;
}

// A PDF of `pages` pages of text, made by ghostscript.
bool MakePdf(const std::string& path, int pages) {
  qftest::TempDir dir;
  std::string ps = "%!PS\n/Helvetica findfont 24 scalefont setfont\n";
  for (int p = 1; p <= pages; ++p) ps += "72 700 moveto (Page " + std::to_string(p) + " of the benchmark) show showpage\n";
  const std::string src = dir / "doc.ps";
  return qftest::WriteFileBytes(src, ps) &&
         qftest::RunLinux("ps2pdf '" + qftest::UnixPath(src) + "' '" + qftest::UnixPath(path) + "'") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int pages = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
  const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
  const std::string printer = qftest::DefaultPrinterName();
  qftest::TempDir dir;
  LogFileName = dir / "bench.log";
  ipp::Client cups;
  std::vector<double> driver, direct;
  for (int r = 0; r < runs; ++r) {
    const std::string stamp = std::to_string(GetTickCount());
    const std::string a = "Bench driver " + stamp + ".pdf", b = "Bench lp " + stamp + ".pdf";
    if (!MakePdf(dir / a, pages) || !MakePdf(dir / b, pages)) {
      std::printf("the benchmark PDF could not be made\n");
      return 1;
    }
    CPrintFile request;
    request.SetFileName(dir / a);
    request.SetPrinterName(printer);
    request.SetAction(2);
    const double t0 = Now();
    PrintDocument(request);
    const double t1 = CompletedAt(cups, printer, a);
    const double t2 = Now();
    qftest::RunLinux("lp -d '" + printer + "' -t '" + b + "' '" + qftest::UnixPath(dir / b) + "'");
    const double t3 = CompletedAt(cups, printer, b);
    if (t1 < 0 || t3 < 0) {
      std::printf("run %d: a job did not complete\n", r);
      continue;
    }
    driver.push_back((t1 - t0) / pages);
    direct.push_back((t3 - t2) / pages);
  }
  if (driver.empty()) return 1;
  std::sort(driver.begin(), driver.end());
  std::sort(direct.begin(), direct.end());
  std::printf("PDF of %d pages, %zu runs: driver call to job completed %.0f ms a page (median), lp %.0f ms a page\n",
              pages, driver.size(), driver[driver.size() / 2], direct[direct.size() / 2]);
  return 0;
}

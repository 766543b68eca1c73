// How long a document printed by its application (an office document or a
// web page) takes from its driver's call until CUPS reports its job
// completed, per kind of document, and how much of it the application
// spends laying the document out. A benchmark, not a test: it asserts
// nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "drivers/jobwait.h"
#include "support/cupsjobs.h"
#include "support/driverrun.h"
#include "support/gdiprint.h"
#include "support/office.h"
#include "support/tempdir.h"
#include "winkit/com.h"

namespace {

struct Kind {
  const char* fixture;
  PrintProc driver;
  const char* app;
  const char* job_prefix;
};

const char* const kPage =
    "<html><head><title>Timetable</title></head><body><h1>Harbour timetable</h1>"
    "<p>The ferry leaves at seven and returns by noon.</p></body></html>";

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
  winkit::OleScope ole;
  const std::string printer = qftest::DefaultPrinterName();
  qftest::TempDir dir;
  LogFileName = dir / "bench.log";
  ErrorFileName = dir / "bench.err";
  const Kind kinds[] = {{"report.docx", PrintWordFile, "WinWord", "Microsoft Word - "},
                        {"report.doc", PrintWordFile, "WinWord", "Microsoft Word - "},
                        {"report.rtf", PrintWordFile, "WinWord", "Microsoft Word - "},
                        {"figures.xls", PrintExcelFile, "Excel", ""},
                        {"figures.csv", PrintExcelFile, "Excel", ""},
                        {"slides.ppt", PrintPowerPointFile, "POWERPNT", ""},
                        {"page.html", PrintHtmlFile, "Browser", ""}};
  // The word processor, the presentation program and the browser return
  // once the monitor reported the job, the spreadsheet once its job
  // completed: the driver's return is when the job was done. The browser's
  // figure holds the driver's first pause of two seconds while the page
  // loads.
  std::printf("%-12s %5s %24s %12s %7s\n", "document", "runs", "driver call to job done", "layout", "share");
  for (const Kind& k : kinds) {
    const qftest::OfficeApp app(k.app);
    std::vector<double> completed, layout;
    for (int r = 0; r < runs; ++r) {
      const std::string ext = std::string(k.fixture).substr(std::string(k.fixture).rfind('.'));
      const std::string name = "bench-" + std::to_string(GetTickCount()) + ext;
      const std::string path = dir / name;
      if (!(ext == ".html" ? qftest::WriteFileBytes(path, kPage) : qftest::CopyOfficeFixture(k.fixture, path))) {
        std::printf("%s: the document could not be made\n", k.fixture);
        return 1;
      }
      const int before = qftest::HighestCupsJobId();
      const qftest::DriverOutcome out = qftest::RunDriver(k.driver, printer, path);
      const bool ok = out.result;
      if (!ok || qftest::FinishedJobsAfter(before, k.job_prefix + name, 1, 120000).size() != 1) {
        std::printf("%s run %d: %s\n%s%s", k.fixture, r, ok ? "no completed job" : "the driver failed",
                    qftest::ReadFileBytes(LogFileName).c_str(), qftest::ReadFileBytes(ErrorFileName).c_str());
        continue;
      }
      completed.push_back(out.ms);
      layout.push_back(static_cast<double>(app.Number("Last layout ms")));
    }
    if (completed.empty()) continue;
    const double c = Median(completed), l = Median(layout);
    std::printf("%-12s %5zu %22.2f s %10.2f s %6.0f%%\n", k.fixture, completed.size(), c / 1000, l / 1000,
                c > 0 ? 100 * l / c : 0);
  }
  return 0;
}

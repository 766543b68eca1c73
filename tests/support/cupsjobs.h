#pragma once
// What the CUPS "PDF" queue made of the test's print jobs: the jobs by name,
// and the PDF files cups-pdf wrote, read with poppler's tools.
#include <string>
#include <vector>

#include "engine/ipp.h"
#include "support/folders.h"

namespace qftest {

// The highest job id CUPS knows now; jobs of a test have higher ids.
int HighestCupsJobId();
// Jobs with an id above `after` whose name begins with `prefix` (tests run
// side by side on one queue), oldest first, waiting until `count` of them
// have finished (or `timeout_ms` passed). Ids the scheduler no longer knows
// (a purged history) hide none of the later jobs.
std::vector<ipp::Job> FinishedJobsAfter(int after, const std::string& prefix, size_t count, unsigned timeout_ms);
// The same at once, finished or not.
std::vector<ipp::Job> JobsAfter(int after, const std::string& prefix);

// One attribute of a job as the scheduler reports it (ipptool's text: "2",
// "landscape", "A4"); "" when the job has no such attribute.
std::string JobAttribute(int job_id, const std::string& name);

// Width and height of page 1 of a PDF as it is shown (its rotation
// applied), in points; false when unreadable.
bool PdfPageSize(const std::string& pdf, double& width, double& height);
// The text of a PDF (pdftotext).
std::string PdfText(const std::string& pdf);
// One word of a PDF's first page and its box, in points from the page's
// top left corner (pdftotext -bbox).
struct PdfWord {
  std::string text;
  double x_min, y_min, x_max, y_max;
};
std::vector<PdfWord> PdfWords(const std::string& pdf);
// A one-page PDF at `path` with `text` on it, vector (made by ghostscript).
bool WriteTextPdf(const std::string& path, const std::string& text);

// The PDF cups-pdf wrote for a job, found by the job's id and name, as a
// Windows path; "" when none appeared within `timeout_ms`. Ids start again
// at 1 in a fresh scheduler, so a file of another scheduler's job may share
// the id and even the start of the name: check the PDF's own text.
std::string PdfOfJob(const ipp::Job& job, unsigned timeout_ms = 20000);
int PdfPageCount(const std::string& pdf);
// Page 1 rendered at `dpi`: RGB bytes, top row first.
struct PdfPicture {
  int width = 0, height = 0;
  std::string rgb;
  // The colour at (fx, fy), fractions of the page's width and height.
  void At(double fx, double fy, int& r, int& g, int& b) const;
};
bool RenderPdf(const std::string& pdf, int dpi, PdfPicture& out);
// The colour at the centre of page 1, rendered at a low resolution.
bool PdfCentreColour(const std::string& pdf, int& r, int& g, int& b);

// Runs a Linux shell command and waits for it (Wine gives no handle to wait
// on, so the command writes its exit code to a file). -1 on time-out.
int RunLinux(const std::string& command, unsigned timeout_ms = 60000);

// The CUPS scheduler of this test program's own, which scripts/wine-run
// starts for it with QF_OWN_SCHEDULER=1 (see scripts/own-cups.sh): the only
// one a test may stop, restart or purge.
bool HasOwnScheduler();
// One command to it: "start", "stop" (by its PID; returns once it ended),
// "running", "purge" (its whole job history), "cancel <queue>". False when
// it failed, or when there is no scheduler of our own (then nothing is done).
bool OwnScheduler(const std::string& command);

}  // namespace qftest

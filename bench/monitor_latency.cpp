// How long after a job completes in CUPS the print-job monitor sets the
// completion event: the median and the 99th percentile over 50 jobs (or as
// many as the first argument says) on the default printer, against the
// monitor's poll interval. A benchmark, not a test: it asserts nothing.
#include <windows.h>

#include "clock.h"
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/ipp.h"
#include "engine/printernotify.h"
#include "support/gdiprint.h"

namespace {

using bench::Now;

// The id CUPS gave the job of this name (0 when it is not listed yet).
int JobIdOf(ipp::Client& cups, const std::string& queue, const std::string& name) {
  std::vector<ipp::Job> jobs;
  if (!cups.GetJobs(queue, "all", jobs)) return 0;
  for (const auto& j : jobs)
    if (j.name == name) return j.id;
  return 0;
}

double Percentile(const std::vector<double>& sorted, double p) {
  const size_t at = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(at, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
  const std::string printer = qftest::DefaultPrinterName();
  if (printer.empty()) {
    std::printf("no default printer\n");
    return 1;
  }
  ipp::Client cups;
  std::vector<double> latencies;
  for (int i = 0; i < runs; ++i) {
    const std::string doc = "Latency " + std::to_string(i) + " " + std::to_string(GetTickCount());
    HANDLE h = nullptr;
    OpenPrinterA(const_cast<char*>(printer.c_str()), &h, nullptr);
    winkit::TEvent done;
    auto owner = winkit::ThreadOwner<TPrinterNotifier>::Make(printer, h);
    TPrinterNotifier& monitor = *owner;
    monitor.SetExpectedDocument(doc);
    monitor.SetCompletionEvent(&done);
    monitor.Resume();
    monitor.WaitStarted(10000);
    if (!qftest::PrintTestPage(printer, doc)) {
      std::printf("job %d could not be printed\n", i);
      continue;
    }
    int job_id = 0;
    for (int k = 0; k < 500 && job_id == 0; ++k, Sleep(2)) job_id = JobIdOf(cups, printer, doc);
    ipp::Job first;
    bool listed = false;
    if (job_id == 0 || (cups.QueryJob(job_id, first, listed) && listed && first.Finished())) {
      std::printf("job %d: finished before its completion could be timed\n", i);
      continue;
    }
    double completed = 0, signalled = 0;
    const double give_up = Now() + 60000;
    while ((completed == 0 || signalled == 0) && Now() < give_up) {
      if (signalled == 0 && done.IsSet()) signalled = Now();
      ipp::Job job;
      bool found = false;
      if (completed == 0 && cups.QueryJob(job_id, job, found) && found && job.Finished()) completed = Now();
      Sleep(1);
    }
    if (completed == 0 || signalled == 0) {
      std::printf("job %d: %s\n", i, completed == 0 ? "never completed in CUPS" : "event never set");
      continue;
    }
    latencies.push_back(signalled - completed);
    std::printf("job %d: event set %.1f ms after CUPS completed the job\n", i, signalled - completed);
  }
  if (latencies.empty()) return 1;
  std::sort(latencies.begin(), latencies.end());
  std::printf("monitor latency over %zu jobs: p50 %.1f ms, p99 %.1f ms, min %.1f ms, max %.1f ms (poll interval 40 ms)\n",
              latencies.size(), Percentile(latencies, 0.5), Percentile(latencies, 0.99), latencies.front(),
              latencies.back());
  return 0;
}

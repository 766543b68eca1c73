// The printer DC owner and the print-job scope, on the real "PDF" queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/cupsjobs.h"
#include "winkit/printjob.h"

namespace {

std::string Unique(const char* what) {
  return std::string(what) + " " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
}

TEST(PrintJob, AnEndedJobReachesTheQueueWithAllItsPages) {
  const std::string printer = winkit::DefaultPrinterName();
  ASSERT_FALSE(printer.empty());
  const int before = qftest::HighestCupsJobId();
  const std::string name = Unique("Two pages");
  {
    winkit::PrinterDc dc = winkit::CreatePrinterDc(printer);
    ASSERT_TRUE(dc);
    winkit::PrintJob job(dc.get(), name);
    ASSERT_TRUE(job.Started());
    for (int page = 0; page < 2; ++page) {
      ASSERT_TRUE(job.StartPage());
      TextOutA(dc.get(), 300, 300, name.c_str(), static_cast<int>(name.size()));
      ASSERT_TRUE(job.EndPage());
    }
    EXPECT_TRUE(job.End());
    EXPECT_EQ(job.Error(), static_cast<DWORD>(NO_ERROR));
    EXPECT_FALSE(job.End()) << "a job ends once";
  }
  const auto jobs = qftest::FinishedJobsAfter(before, name, 1, 60000);
  ASSERT_EQ(jobs.size(), 1u);
  const std::string pdf = qftest::PdfOfJob(jobs[0]);
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(qftest::PdfPageCount(pdf), 2);
}

TEST(PrintJob, AJobLeftWithoutEndIsAbortedAndNeverPrinted) {
  const std::string printer = winkit::DefaultPrinterName();
  const int before = qftest::HighestCupsJobId();
  const std::string dropped = Unique("Dropped"), marker = Unique("Marker");
  {
    winkit::PrinterDc dc = winkit::CreatePrinterDc(printer);
    winkit::PrintJob job(dc.get(), dropped);
    ASSERT_TRUE(job.Started());
    ASSERT_TRUE(job.StartPage());
    TextOutA(dc.get(), 300, 300, "lost", 4);
    // Left here: an error path of a driver.
  }
  {
    // A job after it, so that there is something to wait for.
    winkit::PrinterDc dc = winkit::CreatePrinterDc(printer);
    winkit::PrintJob job(dc.get(), marker);
    ASSERT_TRUE(job.StartPage());
    EXPECT_TRUE(job.End());
  }
  ASSERT_EQ(qftest::FinishedJobsAfter(before, marker, 1, 60000).size(), 1u);
  EXPECT_TRUE(qftest::JobsAfter(before, dropped).empty()) << "an abandoned job was printed";
}

TEST(PrintJob, AMissingPrinterOrADeadDcGivesNoJob) {
  EXPECT_FALSE(winkit::CreatePrinterDc("No Such Printer " + Unique("x")));
  winkit::PrintJob job(nullptr, "nothing");
  EXPECT_FALSE(job.Started());
  EXPECT_FALSE(job.StartPage());
  EXPECT_FALSE(job.End());
  EXPECT_NE(job.Error(), static_cast<DWORD>(NO_ERROR));
}

}  // namespace

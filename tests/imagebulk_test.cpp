// A hundred-page TIFF file prints as a hundred jobs; one of 101 pages prints
// nothing. The jobs go to a queue that holds them, made the default printer
// of the test's own prefix; the queue is on the test's own scheduler, which
// ends with the test and takes the held jobs with it.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "support/cupsjobs.h"
#include "support/gdiprint.h"
#include "support/imagefiles.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

namespace {

// A job spooled after the driver returned: once the scheduler lists it
// (above `after`), every job the driver spooled before is listed too (ids
// are given out in order).
::testing::AssertionResult EndMarker(const std::string& printer, const std::string& name, int after) {
  if (!qftest::PrintTestPage(printer, name)) return ::testing::AssertionFailure() << "the end marker did not print";
  return qftest::WaitFor([&] { return !qftest::JobsAfter(after, name).empty(); }, "the end marker " + name);
}

TEST(ImageBulk, HundredPagesPrintAndAHundredAndOneDoNot) {
  ASSERT_TRUE(qftest::HasOwnScheduler()) << "it leaves a hundred jobs held: it runs only beside a scheduler of its "
                                            "own (scripts/wine-run with QF_OWN_SCHEDULER=1)";
  qftest::TempDir dir;
  LogFileName = dir / "Quirefeed.log";
  winkit::TEvent done;
  const std::string hundred = dir / "hundred.tif", too_many = dir / "too many.tif";
  ASSERT_TRUE(qftest::WriteTiff(hundred, 4, 4, std::vector<qftest::Rgb>(100, {0, 0, 0})));
  ASSERT_TRUE(qftest::WriteTiff(too_many, 4, 4, std::vector<qftest::Rgb>(101, {0, 0, 0})));
  const std::string held = "Quirefeed_Held";
  const std::string previous = qftest::DefaultPrinterName();
  ASSERT_TRUE(SetDefaultPrinterA(held.c_str()));
  struct Restore {
    std::string printer;
    ~Restore() { SetDefaultPrinterA(printer.c_str()); }
  } restore{previous};
  ASSERT_EQ(qftest::DefaultPrinterName(), held);
  const std::string stamp = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());

  int before = qftest::HighestCupsJobId();
  EXPECT_FALSE(PrintImageFile(too_many, done));
  ASSERT_TRUE(EndMarker(held, "After 101 pages " + stamp, before));
  EXPECT_TRUE(qftest::JobsAfter(before, dir.Path()).empty()) << "a job was printed for 101 pages";
  EXPECT_EQ(qftest::ReadFileBytes(LogFileName), "") << "nothing is written for 101 pages";

  before = qftest::HighestCupsJobId();
  EXPECT_TRUE(PrintImageFile(hundred, done));
  ASSERT_TRUE(EndMarker(held, "After 100 pages " + stamp, before));
  const std::vector<ipp::Job> jobs = qftest::JobsAfter(before, dir.Path());
  EXPECT_EQ(jobs.size(), 100u);
  for (const auto& j : jobs) {
    EXPECT_EQ(j.name, hundred);
    EXPECT_EQ(j.printer, held);
  }
}

}  // namespace

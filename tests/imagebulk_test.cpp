// A hundred-page TIFF file prints as a hundred jobs; one of 101 pages prints
// nothing. The jobs go to a queue that holds them (counted, then cancelled),
// made the default printer for the test: it runs alone, as the default
// printer is the whole machine's.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "support/cupsjobs.h"
#include "support/gdiprint.h"
#include "support/imagefiles.h"
#include "support/tempdir.h"

namespace {

TEST(ImageBulk, HundredPagesPrintAndAHundredAndOneDoNot) {
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
    ~Restore() {
      SetDefaultPrinterA(printer.c_str());
      qftest::RunLinux("cancel -a Quirefeed_Held");
    }
  } restore{previous};
  ASSERT_EQ(qftest::DefaultPrinterName(), held);

  int before = qftest::HighestCupsJobId();
  EXPECT_FALSE(PrintImageFile(too_many, done));
  Sleep(1500);
  EXPECT_TRUE(qftest::JobsAfter(before, dir.Path()).empty()) << "a job was printed for 101 pages";
  EXPECT_EQ(qftest::ReadFileBytes(LogFileName), "") << "nothing is written for 101 pages";

  before = qftest::HighestCupsJobId();
  EXPECT_TRUE(PrintImageFile(hundred, done));
  std::vector<ipp::Job> jobs;
  for (int i = 0; i < 600 && jobs.size() < 100; ++i, Sleep(100)) jobs = qftest::JobsAfter(before, dir.Path());
  EXPECT_EQ(jobs.size(), 100u);
  for (const auto& j : jobs) {
    EXPECT_EQ(j.name, hundred);
    EXPECT_EQ(j.printer, held);
  }
}

}  // namespace

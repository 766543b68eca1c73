// The main window's printer setting, as a user would use it: the system's
// Print Setup dialog, then a list print on the chosen printer.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <future>

#include "app/base/log.h"
#include "engine/printswitch.h"
#include "support/cupsjobs.h"
#include "support/gdiprint.h"
#include "support/imagefiles.h"
#include "support/mainform_fixture.h"
#include "support/process_driver.h"

namespace {

constexpr const char* kSecondQueue = "Quirefeed_Test_Printer_With_A_Long_Name";

// In the Print Setup dialog: the second queue, and landscape.
void ChooseSecondQueueLandscape(HWND dlg) {
  SendMessageA(GetDlgItem(dlg, cmb1), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kSecondQueue));
  SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dlg, cmb1)));
  SendMessageA(GetDlgItem(dlg, rad2), BM_CLICK, 0, 0);
}

class PrintSettingTest : public qftest::MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    form_ = NewForm();
    stamp_ = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    before_ = qftest::HighestCupsJobId();
  }
  void TearDown() override {
    form_.reset();
    MainFormFixture::TearDown();
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }

  // Answers the Print Setup dialog from another thread (its printer box is
  // cmb1, the orientation buttons rad1 and rad2): `choose` runs on its
  // controls, then `button` ends it. The text of the printer box is kept.
  std::future<bool> Answer(std::function<void(HWND)> choose, int button) {
    return std::async(std::launch::async, [choose, button] {
      HWND dlg = qftest::WaitForVisibleWindow("#32770", "Print Setup", GetCurrentProcessId(), qftest::kWaitMs);
      if (!dlg) return false;
      if (choose) choose(dlg);
      SendMessageA(GetDlgItem(dlg, button), BM_CLICK, 0, 0);
      return static_cast<bool>(qftest::WaitFor([dlg] { return !IsWindow(dlg); }, "Print Setup to close"));
    });
  }

  std::unique_ptr<Tmainform> form_;
  qftest::TempDir dir_;
  std::string stamp_;
  int before_ = 0;
};

// The user picks another printer and landscape, then cancels.
TEST_F(PrintSettingTest, ACancelledPrintSetupChangesNothing) {
  form_->DefaultAction.Data->Action = kActionRecycle;
  const std::vector<std::uint8_t> settings = form_->DefaultAction.DevMode;
  const std::string printer = form_->DefaultAction.Data->PrinterName;
  auto answered = Answer(ChooseSecondQueueLandscape, IDCANCEL);
  SendMessageA(form_->Handle(), WM_COMMAND, ID_SETTINGACTION, 0);
  ASSERT_TRUE(answered.get()) << "no Print Setup dialog came and went";
  EXPECT_EQ(form_->DefaultAction.DevMode, settings);
  EXPECT_EQ(form_->DefaultAction.Data->PrinterName, printer);
  EXPECT_EQ(form_->DefaultAction.Data->Action, kActionRecycle);
  EXPECT_EQ(qftest::DefaultPrinterName(), "PDF");
  EXPECT_EQ(Log().find("Default Printer"), std::string::npos) << Log();
}

// Choose the second queue and landscape in Print Setup, then print a list
// of an image, a text file and a PDF: all three jobs land in that queue,
// turned.
TEST_F(PrintSettingTest, TheChosenPrinterAndOrientationReachEveryJobOfAListPrint) {
  form_->DefaultAction.Data->Action = kActionRecycle;
  auto answered = Answer(ChooseSecondQueueLandscape, IDOK);
  SendMessageA(form_->Handle(), WM_COMMAND, ID_SETTINGACTION, 0);
  ASSERT_TRUE(answered.get());
  EXPECT_STREQ(form_->DefaultAction.Data->PrinterName, kSecondQueue);
  EXPECT_EQ(form_->DefaultAction.Data->Action, kActionKeep) << "after the printer setting files stay in place";
  EXPECT_EQ(qftest::DefaultPrinterName(), kSecondQueue);
  EXPECT_NE(Log().find("Change Default Printer to " + std::string(kSecondQueue) + " Success!"), std::string::npos)
      << Log();

  const std::string image = dir_ / ("Photo " + stamp_ + ".png");
  const std::string text = dir_ / ("Note " + stamp_ + ".txt");
  const std::string pdf = dir_ / ("Leaflet " + stamp_ + ".pdf");
  ASSERT_TRUE(qftest::WritePng(image, 30, 20, {10, 150, 40}));
  ASSERT_TRUE(qftest::WriteFileBytes(text, "A note of " + stamp_ + "\r\n"));
  ASSERT_TRUE(qftest::WriteTextPdf(pdf, "Leaflet " + stamp_));
  for (const auto& p : {image, text, pdf}) form_->Documents().AddFile(p);
  SendMessageA(form_->Handle(), WM_COMMAND, ID_PRINTACTION, 0);

  for (const std::string& name : {image, "Note " + stamp_ + ".txt", "Leaflet " + stamp_ + ".pdf"}) {
    const auto jobs = qftest::FinishedJobsAfter(before_, name, 1, 90000);
    ASSERT_EQ(jobs.size(), 1u) << name << "\n" << Log();
    EXPECT_EQ(jobs[0].printer, kSecondQueue) << name;
    if (name == pdf.substr(pdf.find_last_of('\\') + 1)) {
      // A PDF keeps its own page shape: the reader asks CUPS to turn it.
      EXPECT_EQ(qftest::JobAttribute(jobs[0].id, "orientation-requested"), "landscape") << name;
      continue;
    }
    const std::string out = qftest::PdfOfJob(jobs[0]);
    double w = 0, h = 0;
    ASSERT_TRUE(qftest::PdfPageSize(out, w, h)) << name;
    EXPECT_GT(w, h) << name << ": not landscape";
  }
  EXPECT_TRUE(qftest::FileExists(image)) << "Action 2 keeps the printed files";
  // Back to the first queue for what follows in this prefix.
  CPrintAction back;
  std::vector<std::uint8_t> dm;
  ASSERT_TRUE(GetPrinterDefaults("PDF", dm));
  back.SetDevMode(reinterpret_cast<const DEVMODEA*>(dm.data()), dm.size());
  ApplyPrinterSettings(back);
}

}  // namespace

// The web-page driver, printing through the browser stand-in (an
// in-process server laying pages out with headless Chromium) on the real
// CUPS queue, with the program's page setup put in place around the print.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "app/base/inifile.h"
#include "app/base/log.h"
#include "drivers/drivers.h"
#include "drivers/htmldriver.h"
#include "drivers/pagesetup.h"
#include "support/cupsjobs.h"
#include "support/driverrun.h"
#include "support/gdiprint.h"
#include "support/office.h"
#include "support/tempdir.h"
#include "winkit/com.h"

namespace {

using qftest::NamePartOf;

constexpr DWORD kJobWaitMs = 120000;
constexpr double kPointsPerMm = 72.0 / 25.4;
const char* const kBrowserKey = "Software\\Microsoft\\Internet Explorer\\PageSetup";
const char* const kValueNames[] = {"header", "footer", "margin_left", "margin_right", "margin_top", "margin_bottom"};

const char* const kPage =
    "<html><head><title>Quarterly Report</title></head>\n"
    "<body><h1>Harbour Lights</h1><p>The ferry leaves at seven and returns by noon.</p></body></html>\n";

void SetBrowserValue(const char* name, const std::string& value) {
  winkit::RegKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kBrowserKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

std::string BrowserValue(const char* name) {
  char buf[512] = {};
  DWORD size = sizeof buf;
  if (RegGetValueA(HKEY_CURRENT_USER, kBrowserKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return "<missing>";
  return buf;
}

class HtmlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    ErrorFileName = dir_ / "Quirefeed.err";
    printer_ = qftest::DefaultPrinterName();
    ASSERT_FALSE(printer_.empty());
    browser_.Reset();
    SetPageLoadLimitMs(0);
    // The user's own page setup, which every run must leave as it found it.
    const char* const user[] = {"&w&bUser page &p", "user foot", "6.35", "6.35", "6.35", "6.35"};
    for (size_t i = 0; i < 6; ++i) SetBrowserValue(kValueNames[i], user[i]);
  }
  void TearDown() override {
    SetPageLoadLimitMs(0);
    browser_.Reset();
  }

  std::string Page(const std::string& stem, const char* html = kPage) {
    const std::string path = dir_ / (stem + "-" + std::to_string(GetTickCount()) + ".html");
    EXPECT_TRUE(qftest::WriteFileBytes(path, html));
    return path;
  }
  qftest::DriverOutcome Print(const std::string& path) { return qftest::RunDriver(PrintHtmlFile, printer_, path); }

  std::vector<std::string> Activity() { return qftest::LogMessages(LogFileName); }
  size_t WaitingLines(const std::string& path) {
    const auto lines = Activity();
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), "Waiting Loading " + path));
  }
  // The PDF of the one job printed for `path`.
  std::string PrintedPdf(int before, const std::string& path) {
    const auto jobs = qftest::FinishedJobsAfter(before, NamePartOf(path), 1, kJobWaitMs);
    EXPECT_EQ(jobs.size(), 1u) << NamePartOf(path);
    if (jobs.size() != 1) return {};
    EXPECT_EQ(qftest::JobsAfter(before, NamePartOf(path)).size(), 1u) << "printed more than once";
    return qftest::PdfOfJob(jobs[0]);
  }
  std::vector<std::string> CallsWithout(const char* prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : browser_.CallLines())
      if (c.rfind(prefix, 0) != 0) out.push_back(c);
    return out;
  }

  // OLE on the test's thread, as the main window has it on the program's.
  winkit::OleScope ole_;
  qftest::TempDir dir_;
  std::string printer_;
  const qftest::OfficeApp browser_{"Browser"};
};

const qftest::PdfWord* Find(const std::vector<qftest::PdfWord>& words, const std::string& text) {
  for (const auto& w : words)
    if (w.text == text) return &w;
  return nullptr;
}

TEST_F(HtmlTest, PrintsThePageWithTheProgramsHeaderFooterAndMarginsAndGivesTheUsersValuesBack) {
  PageSetupPlace place;
  place.ini_file = dir_ / "quirefeed.ini";
  {
    CIniFile ini(place.ini_file);
    ini.WriteString("Html", "Header", "QF-Head &w&bPage &p of &P");
    ini.WriteString("Html", "Footer", "&u&bQF-Foot &d");
    ini.WriteString("Html", "margin_left", "40");
    ini.WriteString("Html", "margin_right", "20");
    ini.WriteString("Html", "margin_top", "30");
    ini.WriteString("Html", "margin_bottom", "25");
  }
  const std::string path = Page("report");
  const int before = qftest::HighestCupsJobId();
  qftest::DriverOutcome out{};
  {
    PageSetupScope scope(place);
    EXPECT_EQ(BrowserValue("header"), "QF-Head &w&bPage &p of &P");
    out = Print(path);
  }
  EXPECT_TRUE(out.result) << qftest::ReadFileBytes(LogFileName);
  const char* const user[] = {"&w&bUser page &p", "user foot", "6.35", "6.35", "6.35", "6.35"};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(BrowserValue(kValueNames[i]), user[i]) << kValueNames[i];

  const std::string pdf = PrintedPdf(before, path);
  ASSERT_FALSE(pdf.empty());
  double width = 0, height = 0;
  ASSERT_TRUE(qftest::PdfPageSize(pdf, width, height));
  const auto words = qftest::PdfWords(pdf);
  std::string all;
  for (const auto& w : words) all += w.text + " ";
  const auto* heading = Find(words, "Harbour");
  const auto* body = Find(words, "ferry");
  const auto* head = Find(words, "QF-Head");
  const auto* title = Find(words, "Quarterly");
  const auto* foot = Find(words, "QF-Foot");
  // The tests run in US English: today's short date is M/d/yyyy.
  SYSTEMTIME today{};
  GetLocalTime(&today);
  const std::string date =
      std::to_string(today.wMonth) + "/" + std::to_string(today.wDay) + "/" + std::to_string(today.wYear);
  const auto* stamp = Find(words, date);
  ASSERT_TRUE(heading && body && head && title && foot && stamp) << all;
  EXPECT_NE(all.find("Page 1 of 1"), std::string::npos) << all;

  const double left = 40 * kPointsPerMm, right = width - 20 * kPointsPerMm;
  const double top = 30 * kPointsPerMm, bottom = height - 25 * kPointsPerMm;
  // The content starts at the margins (the page's own body margin of 8 px
  // inside them).
  EXPECT_GE(heading->x_min, left - 1);
  EXPECT_LE(heading->x_min, left + 12);
  EXPECT_GE(heading->y_min, top - 1);
  EXPECT_LE(heading->y_min, top + 40);
  EXPECT_GT(body->y_min, heading->y_max);
  // The header in the top margin, from the left margin; the footer in the
  // bottom margin, its last part ending at the right margin.
  EXPECT_NEAR(head->x_min, left, 2);
  EXPECT_LT(head->y_max, top);
  EXPECT_GT(title->x_min, head->x_max);
  EXPECT_GT(foot->y_min, bottom);
  EXPECT_NEAR(stamp->x_max, right, 2);
  EXPECT_GT(stamp->x_min, foot->x_max);
  EXPECT_NEAR(stamp->y_min, foot->y_min, 1);
  // The page's address on the footer's left, wrapped in its part.
  std::string address;
  for (const auto& w : words)
    if (w.y_min > bottom && w.x_max < foot->x_min) address += w.text;
  EXPECT_EQ(address.rfind("file:///", 0), 0u) << address;
  EXPECT_GE(address.size(), NamePartOf(path).size());
  EXPECT_EQ(address.substr(address.size() - NamePartOf(path).size()), NamePartOf(path)) << address;

  EXPECT_EQ(CallsWithout("Browser.Navigate"),
            (std::vector<std::string>{"Browser.put_Silent 1", "Browser.ExecWB 6 2 VT_I4:0 VT_I4:0", "Browser.Quit",
                                      "Browser released"}));
  EXPECT_EQ(browser_.CallLines().at(1), "Browser.Navigate " + path + " VT_I4:0 VT_I4:0 VT_I4:0 VT_I4:0");
  EXPECT_TRUE(qftest::ReadFileBytes(ErrorFileName).empty()) << qftest::ReadFileBytes(ErrorFileName);
}

TEST_F(HtmlTest, APageReadyFiveSecondsAfterTheNavigationWritesThreeWaitingLines) {
  browser_.SetSwitch("Loading ms", 5000);
  const std::string path = Page("slow");
  const int before = qftest::HighestCupsJobId();
  const auto out = Print(path);
  EXPECT_TRUE(out.result) << qftest::ReadFileBytes(LogFileName);
  EXPECT_EQ(WaitingLines(path), 3u) << qftest::ReadFileBytes(LogFileName);
  const std::string pdf = PrintedPdf(before, path);
  ASSERT_FALSE(pdf.empty());
  EXPECT_NE(qftest::PdfText(pdf).find("Harbour Lights"), std::string::npos);
}

TEST_F(HtmlTest, AMissingFileIsLoggedAsOpenFailedAndTheBrowserIsQuit) {
  const std::string path = dir_ / "no-such-page.html";
  const auto out = Print(path);
  EXPECT_FALSE(out.result);
  const auto lines = Activity();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Open " + path + "\tFailed!");
  EXPECT_EQ(WaitingLines(path), 0u);
  EXPECT_EQ(CallsWithout("Browser.Navigate"),
            (std::vector<std::string>{"Browser.put_Silent 1", "Browser.Quit", "Browser released"}));
}

// --- The ways the driver fails without printing -------------------------------

struct HtmlFailure {
  const char* name;
  const char* switch_on;  // a switch of the stand-in, set to `value`
  DWORD value;
  const char* redirect;  // a class the ProgID points at instead, "-" for none at all
  const char* line;      // the driver's last line, followed by the path
  bool quits;            // the browser was created, and told to quit
};

void PrintTo(const HtmlFailure& c, std::ostream* os) {
  *os << c.name;
}

class HtmlFailureTest : public HtmlTest, public ::testing::WithParamInterface<HtmlFailure> {};

TEST_P(HtmlFailureTest, LogsItsLineAndPrintsNothing) {
  const HtmlFailure& c = GetParam();
  if (*c.switch_on) browser_.SetSwitch(c.switch_on, c.value);
  // The page never loads: the bound is shortened to three polls.
  SetPageLoadLimitMs(5000);
  std::unique_ptr<qftest::ProgIdRemoved> removed;
  std::unique_ptr<qftest::ProgIdPointedAt> redirected;
  const char* const prog_id = "InternetExplorer.Application";
  if (std::string(c.redirect) == "-")
    removed = std::make_unique<qftest::ProgIdRemoved>(prog_id);
  else if (*c.redirect)
    redirected = std::make_unique<qftest::ProgIdPointedAt>(prog_id, c.redirect);
  const std::string path = Page(c.name);
  const int before = qftest::HighestCupsJobId();
  const auto out = Print(path);
  removed.reset();
  redirected.reset();
  EXPECT_FALSE(out.result);
  const auto lines = Activity();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), c.line + path) << qftest::ReadFileBytes(LogFileName);
  const auto calls = browser_.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Browser.Quit"), c.quits ? 1 : 0);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Browser released"), c.quits ? 1 : 0);
  EXPECT_TRUE(qftest::JobsAfter(before, NamePartOf(path)).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HtmlFailureTest,
    ::testing::Values(HtmlFailure{"no_browser", "", 0, "-", "Error in Creating Internet Explorer instance\t", false},
                      // The shell's link object: a class without the browser's interface.
                      HtmlFailure{"no_web_browser_interface", "", 0, "{00021401-0000-0000-C000-000000000046}",
                                  "Error in Getting IWebBrowser2 Interface\t", false},
                      HtmlFailure{"never_loads", "Loading ms", 600000, "", "The page did not load within 5 seconds\t",
                                  true},
                      HtmlFailure{"print_refused", "Fail ExecWB", 1, "", "Error in Printing Web Page\t", true}),
    [](const ::testing::TestParamInfo<HtmlFailure>& param) { return std::string(param.param.name); });

}  // namespace

// Printer switching and the PDF driver on the real spooler and CUPS, in a
// Wine prefix (and home) of the test's own: the default printer, the
// printer's stored settings and separator page, and what reaches the jobs.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <future>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "drivers/pdfdriver.h"
#include "engine/core/osdescription.h"
#include "engine/printfile.h"
#include "engine/printswitch.h"
#include "engine/separator.h"
#include "support/cupsjobs.h"
#include "support/driverrun.h"
#include "support/gdiprint.h"
#include "support/imagefiles.h"
#include "support/process_driver.h"
#include "support/tempdir.h"
#include "tasks/settings/printaction.h"

namespace {

constexpr const char* kSecondQueue = "Quirefeed_Test_Printer_With_A_Long_Name";
// A queue that takes jobs and never prints them (made by the test scripts).
constexpr const char* kHeldQueue = "Quirefeed_Held";
// The name the queue shows for a separator page.
constexpr const char* kSeparatorJob = "Separator page";

// The system's own text of an error, as FormatMessage gives it, without its
// line break.
std::string PlatformText(DWORD code) {
  char text[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                           sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) text[--n] = '\0';
  return text;
}

// Whether `want` appear in `lines` in this order (other lines between them).
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& want) {
  auto at = lines.begin();
  for (const std::string& w : want) {
    at = std::find(at, lines.end(), w);
    if (at == lines.end()) return false;
    ++at;
  }
  return true;
}

OSVERSIONINFOA Version(DWORD platform, DWORD major, DWORD minor, DWORD build, const char* csd) {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  v.dwPlatformId = platform;
  v.dwMajorVersion = major;
  v.dwMinorVersion = minor;
  v.dwBuildNumber = build;
  std::strncpy(v.szCSDVersion, csd, sizeof v.szCSDVersion - 1);
  return v;
}

TEST(OsDescription, NamesEverySystemByItsVersion) {
  struct Case {
    OSVERSIONINFOA v;
    const char* wine;
    const char* text;
  };
  const Case cases[] = {
      {Version(0, 3, 10, 0, ""), "", "Win32s detected"},
      {Version(1, 4, 0, 950, "B"), "", "Windows 95"},
      {Version(1, 4, 10, 2222, "A"), "", "Windows 98"},
      {Version(2, 4, 0, 1381, "Service Pack 6"), "", "Windows NT4.0 (Build:1381 Service Pack 6)"},
      {Version(2, 5, 0, 2195, ""), "", "Windows 2000 (Build:2195 )"},
      {Version(2, 5, 1, 2600, "Service Pack 3"), "", "Windows XP (Build:2600 Service Pack 3)"},
      {Version(2, 5, 2, 3790, "Service Pack 2"), "", "Windows Server 2003 family (Build:3790 Service Pack 2)"},
      {Version(2, 6, 0, 6002, "Service Pack 2"), "", "Windows Vista (Build:6002 Service Pack 2)"},
      {Version(2, 6, 1, 7601, "Service Pack 1"), "", "Windows 7 (Build:7601 Service Pack 1)"},
      {Version(2, 6, 2, 9200, ""), "", "Windows 8 (Build:9200 )"},
      {Version(2, 6, 3, 9600, ""), "", "Windows 8.1 (Build:9600 )"},
      {Version(2, 10, 0, 19045, ""), "", "Windows 10 (Build:19045 )"},
      {Version(2, 10, 0, 22631, ""), "", "Windows 11 (Build:22631 )"},
      {Version(2, 6, 1, 7601, "Service Pack 1"), "8.0", "Windows 7 (Build:7601 Service Pack 1) on Wine 8.0"},
      {Version(3, 1, 0, 0, ""), "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DescribeOs(c.v, c.wine), c.text);
  // This machine: Wine says what it is.
  const std::string here = OsDescription();
  EXPECT_NE(here.find(" on Wine " + WineVersion()), std::string::npos) << here;
  EXPECT_EQ(here.find("Windows XP"), std::string::npos) << here;
}

TEST(SanitisedDevMode, NothingBeyondTheGivenSizeReachesTheSpooler) {
  // A block that claims 68 bytes of public fields, copies and collation and
  // a form name, with 4 driver bytes after it and garbage beyond.
  std::vector<std::uint8_t> block(200, 0xEE);
  std::memset(block.data(), 0, 68);
  DEVMODEA head{};
  head.dmSize = 68;
  head.dmDriverExtra = 4;
  head.dmFields = DM_COPIES | DM_COLLATE | DM_FORMNAME | DM_ORIENTATION | 0x80000000u;
  head.dmCopies = 3;
  std::memcpy(block.data(), &head, 68);
  std::memcpy(block.data() + 68, "\x01\x02\x03\x04", 4);
  block.resize(72 + 10);
  const std::vector<std::uint8_t> out = SanitisedDevMode(block);
  ASSERT_EQ(out.size(), sizeof(DEVMODEA) + 4);
  const auto* dm = reinterpret_cast<const DEVMODEA*>(out.data());
  EXPECT_EQ(dm->dmSize, sizeof(DEVMODEA));
  EXPECT_EQ(dm->dmDriverExtra, 4);
  EXPECT_EQ(dm->dmFields, static_cast<DWORD>(DM_COPIES | DM_ORIENTATION)) << "fields beyond 68 bytes must be cleared";
  EXPECT_EQ(dm->dmCopies, 3);
  EXPECT_EQ(dm->dmCollate, 0) << "nothing past the given size may be read";
  EXPECT_EQ(dm->dmFormName[0], 0);
  EXPECT_EQ(std::memcmp(out.data() + sizeof(DEVMODEA), "\x01\x02\x03\x04", 4), 0) << "driver bytes follow the block";
  // Blocks that do not hold what they claim are refused.
  std::vector<std::uint8_t> shortened(block.begin(), block.begin() + 70);
  EXPECT_TRUE(SanitisedDevMode(shortened).empty());
  EXPECT_TRUE(SanitisedDevMode({}).empty());
}

TEST(CupsUserDefault, TheDefaultLineNamesTheQueueAndOtherLinesStay) {
  qftest::TempDir dir;
  const std::string file = dir / "lpoptions";
  ASSERT_TRUE(qftest::WriteFileBytes(file, "Dest Other sides=two-sided-long-edge\nDefault PDF media=A4\n"));
  ASSERT_TRUE(WriteCupsUserDefault(file, "Second"));
  EXPECT_EQ(qftest::ReadFileBytes(file), "Default Second\nDest Other sides=two-sided-long-edge\nDest PDF media=A4\n");
  ASSERT_TRUE(WriteCupsUserDefault(dir / "new\\lpoptions", "PDF")) << "a missing folder is made";
  EXPECT_EQ(qftest::ReadFileBytes(dir / "new\\lpoptions"), "Default PDF\n");
}

class PrintSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    ErrorFileName = dir_ / "Quirefeed.err";
    stamp_ = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    before_ = qftest::HighestCupsJobId();
  }
  // A task for `printer` with its own default settings, changed by `edit`.
  CPrintAction Task(const std::string& printer, void (*edit)(DEVMODEA&) = nullptr) {
    CPrintAction task;
    std::vector<std::uint8_t> dm;
    EXPECT_TRUE(GetPrinterDefaults(printer, dm)) << printer;
    if (edit && !dm.empty()) edit(*reinterpret_cast<DEVMODEA*>(dm.data()));
    task.SetDevMode(reinterpret_cast<const DEVMODEA*>(dm.data()), dm.size());
    return task;
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }
  // What a process started now sees as the default printer.
  std::string DefaultOfANewProcess() {
    const std::string out = dir_ / "default.txt";
    std::string line = std::string("\"") + QF_DEFAULTPRINTER_EXE + "\" \"" + out + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return "?";
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return qftest::ReadFileBytes(out);
  }
  std::string SeparatorOf(const std::string& printer) {
    HANDLE h = nullptr;
    if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &h, nullptr)) return "?";
    DWORD needed = 0;
    GetPrinterA(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    std::string sep = "?";
    if (needed && GetPrinterA(h, 2, info.data(), needed, &needed)) {
      const auto* pi = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
      sep = pi->pSepFile ? pi->pSepFile : "";
    }
    ClosePrinter(h);
    return sep;
  }
  qftest::TempDir dir_;
  std::string stamp_;
  int before_ = 0;
};

TEST_F(PrintSwitchTest, TheTasksPrinterBecomesTheDefaultForThisAndNewProcessesAndForCups) {
  ASSERT_EQ(qftest::DefaultPrinterName(), "PDF");
  CPrintAction task = Task(kSecondQueue);
  ASSERT_TRUE(ApplyPrinterSettings(task));
  EXPECT_NE(Log().find("Change Default Printer to " + std::string(kSecondQueue) + " Success! OS:" + OsDescription()),
            std::string::npos)
      << Log();
  EXPECT_EQ(qftest::DefaultPrinterName(), kSecondQueue);
  EXPECT_EQ(DefaultOfANewProcess(), kSecondQueue);
  // What survives Wine's next look at CUPS: the user's own CUPS default.
  EXPECT_NE(qftest::ReadFileBytes(CupsUserOptionsFile()).find(std::string("Default ") + kSecondQueue),
            std::string::npos);
  const std::string answer = dir_ / "lpstat.txt";
  ASSERT_EQ(qftest::RunLinux("lpstat -d > '" + qftest::UnixPath(answer) + "'"), 0);
  EXPECT_NE(qftest::ReadFileBytes(answer).find(kSecondQueue), std::string::npos) << qftest::ReadFileBytes(answer);
  // The stored settings are flagged with the paper size alone afterwards.
  EXPECT_EQ(task.GetDevMode()->dmFields, static_cast<DWORD>(DM_PAPERSIZE));
  // And back, for whatever runs next in this prefix.
  CPrintAction back = Task("PDF");
  EXPECT_TRUE(ApplyPrinterSettings(back));
  EXPECT_EQ(DefaultOfANewProcess(), "PDF");
}

TEST_F(PrintSwitchTest, APrinterThatDoesNotExistShowsTheErrorAndChangesNothing) {
  CPrintAction task = Task("PDF");
  const std::string missing = "No Such Printer " + stamp_;
  std::strcpy(task.Data->PrinterName, missing.c_str());
  auto box = std::async(std::launch::async, [] {
    bool found = false;
    const std::string text = qftest::AnswerMessageBox("Error", qftest::kWaitMs, &found);
    return found ? text : std::string("(no box)");
  });
  EXPECT_FALSE(ApplyPrinterSettings(task));
  const std::string text = box.get();
  EXPECT_NE(text, "(no box)");
  EXPECT_FALSE(text.empty()) << "the box must carry the system's text";
  const std::string log = Log();
  const size_t line = log.find("Set Default Printer " + missing + " Fail! OS:" + OsDescription());
  ASSERT_NE(line, std::string::npos) << log;
  // Then the system's own text of the error, on a line of its own.
  const std::string system_text = "Error Message:" + PlatformText(ERROR_INVALID_PRINTER_NAME);
  ASSERT_NE(system_text, "Error Message:");
  EXPECT_NE(log.find(system_text, line), std::string::npos) << log;
  EXPECT_EQ(log.find("Success!"), std::string::npos);
  EXPECT_EQ(qftest::DefaultPrinterName(), "PDF");
}

TEST_F(PrintSwitchTest, TheSeparatorPageIsSetAndAnEmptyOneRemovesIt) {
  CPrintAction task = Task(kSecondQueue);
  const std::string sep = "C:\\windows\\system32\\pcl.sep";
  std::strcpy(task.Separator.data(), sep.c_str());
  ASSERT_TRUE(ApplyPrinterSettings(task));
  EXPECT_EQ(SeparatorOf(kSecondQueue), sep);
  task.Separator.fill('\0');
  ASSERT_TRUE(ApplyPrinterSettings(task));
  EXPECT_EQ(SeparatorOf(kSecondQueue), "");
  CPrintAction back = Task("PDF");
  ApplyPrinterSettings(back);
}

void TwoLandscapeCopies(DEVMODEA& dm) {
  dm.dmCopies = 2;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  dm.dmFields |= DM_COPIES | DM_ORIENTATION;
}

// The settings of a task reach the jobs of the image driver (in this
// process), of the text printer and of the PDF reader (new processes).
TEST_F(PrintSwitchTest, CopiesAndOrientationOfTheTaskReachEveryDriversJob) {
  CPrintAction task = Task(kSecondQueue, &TwoLandscapeCopies);
  // This process made a DC for the printer before: its cached settings must
  // not be what the image driver prints with.
  ASSERT_TRUE(qftest::PrintTestPage(kSecondQueue, "Before " + stamp_));
  ASSERT_TRUE(ApplyPrinterSettings(task));
  const std::string image = dir_ / ("Picture " + stamp_ + ".bmp");
  const std::string text = dir_ / ("Letter " + stamp_ + ".txt");
  const std::string pdf = dir_ / ("Paper " + stamp_ + ".pdf");
  ASSERT_TRUE(qftest::WriteBmp24(image, 40, 20, {200, 30, 30}));
  ASSERT_TRUE(qftest::WriteFileBytes(text, "A letter of " + stamp_ + "\r\n"));
  ASSERT_TRUE(qftest::WriteTextPdf(pdf, "Paper " + stamp_));
  winkit::TEvent done;
  EXPECT_TRUE(PrintImageFile(image, done));
  EXPECT_TRUE(PrintTextFile(text, done));
  // The PDF driver waits for the monitor's report of its job.
  const qftest::DriverOutcome pdf_run = qftest::RunDriver(PrintPdfFile, kSecondQueue, pdf);
  EXPECT_TRUE(pdf_run.result) << Log();
  EXPECT_LT(pdf_run.ms, 60000u) << "the driver waited for its bound, not for the job";
  struct Expect {
    std::string name;
    bool orientation_attribute;  // the reader asks CUPS to turn the page
  } expects[] = {{image, false}, {"Letter " + stamp_ + ".txt", false}, {"Paper " + stamp_ + ".pdf", true}};
  for (const Expect& e : expects) {
    const auto jobs = qftest::FinishedJobsAfter(before_, e.name, 1, 90000);
    ASSERT_EQ(jobs.size(), 1u) << e.name;
    EXPECT_EQ(jobs[0].printer, kSecondQueue) << e.name;
    EXPECT_EQ(qftest::JobAttribute(jobs[0].id, "copies"), "2") << e.name;
    if (e.orientation_attribute) {
      EXPECT_EQ(qftest::JobAttribute(jobs[0].id, "orientation-requested"), "landscape") << e.name;
    } else {
      const std::string out = qftest::PdfOfJob(jobs[0]);
      double w = 0, h = 0;
      ASSERT_TRUE(qftest::PdfPageSize(out, w, h)) << e.name;
      EXPECT_GT(w, h) << e.name << ": the page is not landscape";
    }
  }
  CPrintAction back = Task("PDF");
  ApplyPrinterSettings(back);
}

class PdfDriverTest : public PrintSwitchTest {};

// Through the single-document print: the driver returns when the monitor
// reports the job, not after its one-minute bound.
TEST_F(PdfDriverTest, TwoPdfsPrintAsTwoJobsWithTheirOwnTextAndEndEarly) {
  for (int i = 0; i < 2; ++i) {
    const std::string name = "Report " + std::to_string(i) + " " + stamp_ + ".pdf";
    const std::string pdf = dir_ / name;
    ASSERT_TRUE(qftest::WriteTextPdf(pdf, "Page of report " + std::to_string(i) + " " + stamp_));
    CPrintFile request;
    ASSERT_TRUE(request.SetFileName(pdf));
    ASSERT_TRUE(request.SetPrinterName("PDF"));
    request.SetAction(kActionKeep);
    const DWORD start = GetTickCount();
    EXPECT_TRUE(PrintDocument(request)) << Log();
    EXPECT_LT(GetTickCount() - start, 30000u) << "the driver waited for its bound, not for the job";
    const auto jobs = qftest::FinishedJobsAfter(before_, name, 1, 60000);
    ASSERT_EQ(jobs.size(), 1u) << name;
    const std::string out = qftest::PdfOfJob(jobs[0]);
    EXPECT_NE(qftest::PdfText(out).find("Page of report " + std::to_string(i) + " " + stamp_), std::string::npos)
        << "the job does not carry the document's own text";
  }
  const std::string log = Log();
  EXPECT_NE(log.find("Start Print "), std::string::npos);
  EXPECT_NE(log.find("End Event!"), std::string::npos);
}

TEST_F(PdfDriverTest, AMissingFileGivesTheShellsCodeAndSaysSo) {
  const std::string pdf = dir_ / "Gone.pdf";
  winkit::TEvent done;
  EXPECT_FALSE(PrintPdfFile(pdf, done));
  const std::string log = Log();
  EXPECT_NE(log.find("Print " + pdf + "\tFailed!"), std::string::npos) << log;
  EXPECT_NE(log.find("Error No:2\t" + pdf + " does not exists!"), std::string::npos) << log;
}

// The reader of a run of the PDF driver, watched from its start to its end.
struct ReaderRun {
  bool seen = false;
  DWORD code = STILL_ACTIVE;  // the reader stand-in refuses a file with 1
};

winkit::KernelHandle RunningReader() {
  winkit::FileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return {};
  PROCESSENTRY32 pe{};
  pe.dwSize = sizeof pe;
  for (BOOL more = Process32First(snap.get(), &pe); more; more = Process32Next(snap.get(), &pe))
    if (lstrcmpiA(pe.szExeFile, "AcroRd32.exe") == 0)
      return winkit::KernelHandle(
          OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID));
  return {};
}

// With no job to report, the reader's own end is what ends the driver's
// wait: once it ended, `done` is set.
ReaderRun WatchReader(winkit::TEvent& done) {
  ReaderRun run;
  winkit::KernelHandle reader;
  run.seen = qftest::WaitFor(
      [&] {
        reader = RunningReader();
        return static_cast<bool>(reader);
      },
      "the PDF reader to start", qftest::kWaitMs, 1);
  if (run.seen && WaitForSingleObject(reader.get(), qftest::kWaitMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(reader.get(), &run.code);
  done.SetEvent();
  return run;
}

TEST_F(PdfDriverTest, ADamagedPdfGivesNoJob) {
  const std::string name = "Damaged " + stamp_ + ".pdf";
  const std::string pdf = dir_ / name;
  ASSERT_TRUE(qftest::WriteFileBytes(pdf, "%PDF-1.4\nthis is not a PDF at all\n"));
  ReaderRun reader;
  const qftest::DriverOutcome out =
      qftest::RunDriver(PrintPdfFile, "PDF", pdf, true, [&](winkit::TEvent& done) { reader = WatchReader(done); });
  // The shell took the file: for the driver it was handed over.
  EXPECT_TRUE(out.result);
  EXPECT_TRUE(
      InOrder(qftest::LogMessages(LogFileName), {"Start Print " + pdf + "!", "End Print " + pdf + "!", "End Event!"}))
      << Log();
  ASSERT_TRUE(reader.seen);
  EXPECT_EQ(reader.code, 1u) << "the reader did not refuse the file itself";
  // The reader is done with the file: whatever it printed is queued by now.
  EXPECT_TRUE(qftest::JobsAfter(before_, name).empty());
}

// A job the printer never reports: the wait ends at its bound (shortened
// here), with the same lines as a success.
TEST_F(PdfDriverTest, AJobNeverReportedEndsTheWaitAtItsBound) {
  CPrintAction task = Task(kHeldQueue);
  ASSERT_TRUE(ApplyPrinterSettings(task));
  const std::string name = "Held " + stamp_ + ".pdf";
  const std::string pdf = dir_ / name;
  ASSERT_TRUE(qftest::WriteTextPdf(pdf, "never printed"));
  SetPdfPrintWaitMs(3000);
  const qftest::DriverOutcome out = qftest::RunDriver(PrintPdfFile, kHeldQueue, pdf);
  SetPdfPrintWaitMs(0);
  EXPECT_TRUE(out.result);
  EXPECT_GE(out.ms, 3000u);
  EXPECT_LT(out.ms, 60000u) << "the bound set here ends the wait, not the minute";
  EXPECT_TRUE(
      InOrder(qftest::LogMessages(LogFileName), {"Start Print " + pdf + "!", "End Print " + pdf + "!", "End Event!"}))
      << Log();
  const auto jobs = qftest::JobsAfter(before_, name);
  EXPECT_EQ(jobs.size(), 1u) << "the reader handed the job to the held queue";
  for (const auto& job : jobs) {
    EXPECT_FALSE(job.Finished());
    qftest::RunLinux("cancel " + std::to_string(job.id));
  }
  CPrintAction back = Task("PDF");
  ApplyPrinterSettings(back);
}

TEST_F(PdfDriverTest, WithoutAReaderEachFileAsksOnceAndNothingPrints) {
  ASSERT_TRUE(IsAcrobatInstalled());
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.exe"),
            ERROR_SUCCESS);
  EXPECT_FALSE(IsAcrobatInstalled());
  auto boxes = std::async(std::launch::async, [] {
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i) {
      bool found = false;
      const std::string text = qftest::AnswerMessageBox("Warning", qftest::kWaitMs, &found, IDCANCEL);
      if (found) seen.push_back(text);
    }
    return seen;
  });
  winkit::TEvent done;
  for (int i = 0; i < 3; ++i) {
    const std::string pdf = dir_ / ("Unread " + std::to_string(i) + " " + stamp_ + ".pdf");
    ASSERT_TRUE(qftest::WriteTextPdf(pdf, "unread"));
    EXPECT_FALSE(PrintPdfFile(pdf, done));
  }
  const auto seen = boxes.get();
  ASSERT_EQ(seen.size(), 3u);
  for (const auto& t : seen) EXPECT_EQ(t, "No Acrobat or Acrobat Reader installed,Download free Acrobat Reader Now ?");
  EXPECT_EQ(Log().find("Start Print"), std::string::npos) << "the driver wrote a line";
  // The driver returned without starting anything: nothing can come later.
  EXPECT_TRUE(qftest::JobsAfter(before_, "Unread ").empty());
}

}  // namespace

namespace {

TEST(SeparatorLines, TheFileSaysWhatThePageShows) {
  struct Case {
    const char* file;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      // Text outside "\L" is no content: the blank comes from a "\L" of its own.
      {"\\\n\\LJob of \\N\\0\\LPrinted \\D \\L \\T", {"Job of ann", "Printed 1/2/2026 9:00"}},
      {"@\n@LOne@1@LTwo@E@LNever", {"One", "", "Two"}},
      {"\\\n\\H1B\\W40\\B\\S\\LBig\\U\\I", {"Big"}},
      {"\\\r\n\\Lcarriage\r\n", {"carriage"}},
      {"\\\n\\LTop\\Finc.txt\n\\LEnd", {"Top", "first", "second", "End"}},
      {"\\\n\\Fmissing.txt\n", {"", "", ""}},
      {"", {}},
  };
  const SeparatorFields fields{"ann", "1/2/2026", "9:00",
                               [](const std::string& name) { return name == "inc.txt" ? "first\r\nsecond" : ""; }};
  for (const Case& c : cases) EXPECT_EQ(SeparatorLines(c.file, fields), c.lines) << c.file;
}

class SeparatorTest : public PrintSwitchTest {};

// A task with a separator file gets a page of its own before each document;
// the monitor still finds the document's own job.
TEST_F(SeparatorTest, ADocumentOfATaskWithASeparatorFileComesAfterItsSeparatorPage) {
  const std::string sep = dir_ / "banner.sep";
  ASSERT_TRUE(qftest::WriteFileBytes(sep, "\\\r\n\\LQuirefeed separator " + stamp_ + "\\0\\LFor \\N\r\n"));
  CPrintAction task = Task("PDF");
  std::strcpy(task.Separator.data(), sep.c_str());
  ASSERT_TRUE(ApplyPrinterSettings(task));
  // A PDF: its driver waits for the monitor, which must find the document's
  // job and not the separator's.
  const std::string name = "Sepped " + stamp_ + ".pdf";
  const std::string text = dir_ / name;
  ASSERT_TRUE(qftest::WriteTextPdf(text, "after the separator"));
  CPrintFile request;
  ASSERT_TRUE(request.SetFileName(text));
  ASSERT_TRUE(request.SetPrinterName("PDF"));
  request.SetAction(kActionKeep);
  EXPECT_TRUE(PrintDocument(request));
  EXPECT_TRUE(request.Done().IsSet()) << "the monitor did not see the document's own job\n" << Log();
  const auto seps = qftest::FinishedJobsAfter(before_, kSeparatorJob, 1, 60000);
  const auto docs = qftest::FinishedJobsAfter(before_, name, 1, 60000);
  ASSERT_EQ(seps.size(), 1u);
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_LT(seps[0].id, docs[0].id) << "the separator came after the document";
  EXPECT_NE(qftest::PdfText(qftest::PdfOfJob(seps[0])).find("Quirefeed separator " + stamp_), std::string::npos);

  // Without a separator file: no page.
  task.Separator.fill('\0');
  ASSERT_TRUE(ApplyPrinterSettings(task));
  const int after = qftest::HighestCupsJobId();
  CPrintFile again;
  ASSERT_TRUE(again.SetFileName(text));
  ASSERT_TRUE(again.SetPrinterName("PDF"));
  again.SetAction(kActionKeep);
  EXPECT_TRUE(PrintDocument(again));
  ASSERT_EQ(qftest::FinishedJobsAfter(after, name, 1, 60000).size(), 1u);
  EXPECT_TRUE(qftest::JobsAfter(after, kSeparatorJob).empty());
}

TEST_F(SeparatorTest, AnUnreadableSeparatorFileIsLoggedAndTheDocumentStillPrints) {
  CPrintAction task = Task("PDF");
  const std::string sep = dir_ / "missing.sep";
  std::strcpy(task.Separator.data(), sep.c_str());
  ASSERT_TRUE(ApplyPrinterSettings(task));
  const std::string name = "Unsepped " + stamp_ + ".txt";
  ASSERT_TRUE(qftest::WriteFileBytes(dir_ / name, "still printed\r\n"));
  CPrintFile request;
  ASSERT_TRUE(request.SetFileName(dir_ / name));
  ASSERT_TRUE(request.SetPrinterName("PDF"));
  request.SetAction(kActionKeep);
  EXPECT_TRUE(PrintDocument(request));
  EXPECT_NE(Log().find("Separator page " + sep + " of PDF cannot be read"), std::string::npos) << Log();
  EXPECT_EQ(qftest::FinishedJobsAfter(before_, name, 1, 60000).size(), 1u);
  task.Separator.fill('\0');
  ApplyPrinterSettings(task);
}

}  // namespace

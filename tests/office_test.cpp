// The word-processor, spreadsheet and presentation drivers, printing through
// the office stand-ins (real local COM servers laying documents out with
// LibreOffice) on the real CUPS queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "app/base/log.h"
#include "drivers/automation.h"
#include "drivers/drivers.h"
#include "drivers/jobwait.h"
#include "engine/printfile.h"
#include "support/cupsjobs.h"
#include "support/driverrun.h"
#include "support/gdiprint.h"
#include "support/office.h"
#include "support/process_driver.h"
#include "support/tempdir.h"
#include "support/watching.h"

namespace {

using qftest::NamePartOf;

constexpr DWORD kJobWaitMs = 120000;
// A queue that takes jobs and never prints them (made by the test scripts).
constexpr const char* kHeldQueue = "Quirefeed_Held";
constexpr const char* kStandins = "C:\\windows\\quirefeed-standins\\";

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

// The messages of a log, less the system's texts that follow some of them.
std::vector<std::string> DriverLines(const std::string& log) {
  std::vector<std::string> out;
  // The monitor's warnings about jobs of tests printing beside this one do
  // not count either.
  for (const std::string& m : qftest::LogMessages(log))
    if (m.rfind("Error Message:", 0) != 0 && m.rfind("Warning! Current Document:", 0) != 0 &&
        m.rfind("Please email this file", 0) != 0)
      out.push_back(m);
  return out;
}

class OfficeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    ErrorFileName = dir_ / "Quirefeed.err";
    printer_ = qftest::DefaultPrinterName();
    ASSERT_FALSE(printer_.empty());
    for (const auto* app : {&word_, &excel_, &ppt_}) {
      app->KillAll();
      app->Reset();
    }
    SetJobReportLimitMs(0);
  }
  void TearDown() override {
    SetJobMonitorWatching(false);
    SetJobReportLimitMs(0);
    for (const auto* app : {&word_, &excel_, &ppt_}) app->KillAll();
  }

  // A copy of a test document under a name of this test's own.
  std::string Doc(const std::string& fixture, const std::string& stem) {
    const std::string ext = fixture.substr(fixture.rfind('.'));
    const std::string path = dir_ / (stem + "-" + std::to_string(GetTickCount()) + ext);
    EXPECT_TRUE(qftest::CopyOfficeFixture(fixture, path)) << fixture;
    return path;
  }
  // A file no office application can read.
  std::string Damaged(const std::string& name) {
    const std::string path = dir_ / name;
    EXPECT_TRUE(qftest::WriteFileBytes(path, std::string("\x01\x02\x00\x7f damaged\x00\xff", 14)));
    return path;
  }

  using Outcome = qftest::DriverOutcome;
  Outcome Run(PrintProc driver, const std::string& path, bool with_monitor = true) {
    return qftest::RunDriver(driver, printer_, path, with_monitor);
  }

  // Puts the application's faults in place and gives the document to print:
  // a copy of `fixture`, or a damaged file with the same extension.
  std::string FaultyDoc(const qftest::OfficeApp& app, const char* refused, const char* switch_on, bool damaged,
                        const std::string& fixture) {
    if (*refused) app.RefuseMembers(refused);
    if (*switch_on) app.SetSwitch(switch_on, 1);
    if (!damaged) return Doc(fixture, "failure");
    return Damaged("damaged-" + std::to_string(GetTickCount()) + fixture.substr(fixture.rfind('.')));
  }
  // Whether the instance was left running as its row says, or quit and ended.
  static void ExpectLeftRunning(const qftest::OfficeApp& app, bool left_running) {
    const auto calls = app.Calls();
    if (left_running) {
      EXPECT_FALSE(Contains(calls, "Application.Quit"));
      EXPECT_TRUE(app.Running()) << "the instance was to be left running";
    } else {
      EXPECT_TRUE(Contains(calls, "Application.Quit"));
      EXPECT_TRUE(app.WaitGone(qftest::kWaitMs)) << app.Exe() << " still runs";
    }
  }
  // The lines of a row, each followed by the path.
  static std::vector<std::string> WithPath(const std::vector<std::string>& heads, const std::string& path) {
    std::vector<std::string> out;
    for (const std::string& h : heads) out.push_back(h + path);
    return out;
  }

  std::vector<std::string> Activity() { return DriverLines(LogFileName); }
  std::vector<std::string> Errors() { return DriverLines(ErrorFileName); }

  // OLE on the test's thread, as the main window has it on the program's.
  winkit::OleScope ole_;
  qftest::TempDir dir_;
  std::string printer_;
  const qftest::OfficeApp word_{"WinWord"}, excel_{"Excel"}, ppt_{"POWERPNT"};
};

// --- Every kind of document prints its own text ----------------------------

struct KindCase {
  const char* fixture;
  PrintProc driver;
  const char* app;
  const char* job_prefix;  // what the application puts before the file name
  const char* text;
  std::vector<std::string> calls;
};

void PrintTo(const KindCase& c, std::ostream* os) {
  *os << c.fixture;
}

class OfficeKindTest : public OfficeTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(OfficeKindTest, PrintsOneJobWithTheDocumentsOwnTextAndEndsItsApplication) {
  const KindCase& c = GetParam();
  const qftest::OfficeApp app(c.app);
  const std::string path = Doc(c.fixture, "kind");
  const std::string job_name = c.job_prefix + NamePartOf(path);
  const int before = qftest::HighestCupsJobId();

  const Outcome out = Run(c.driver, path);
  EXPECT_TRUE(out.result) << qftest::ReadFileBytes(ErrorFileName) << qftest::ReadFileBytes(LogFileName);
  // It returns once the job is done, not at the end of its wait's bound.
  EXPECT_LT(out.ms, 60000u);
  const auto jobs = qftest::FinishedJobsAfter(before, job_name, 1, kJobWaitMs);
  ASSERT_EQ(jobs.size(), 1u) << job_name;
  const auto finished = qftest::JobsAfter(before, job_name);
  EXPECT_EQ(finished.size(), 1u) << "printed more than once";
  const std::string pdf = qftest::PdfOfJob(jobs[0]);
  ASSERT_FALSE(pdf.empty());
  EXPECT_NE(qftest::PdfText(pdf).find(c.text), std::string::npos) << qftest::PdfText(pdf);

  EXPECT_EQ(app.Calls(), c.calls);
  EXPECT_TRUE(app.WaitGone(qftest::kWaitMs)) << app.Exe() << " still runs";
  EXPECT_TRUE(Errors().empty()) << qftest::ReadFileBytes(ErrorFileName);
}

const std::vector<std::string> kWordCalls = {"Application.Documents", "Documents.Open", "Document.PrintOut",
                                             "Document.Close", "Application.Quit"};
const std::vector<std::string> kExcelCalls = {"Application.Workbooks", "Workbooks.Open",  "Workbook.PrintOut",
                                              "Workbook.Saved",        "Workbooks.Close", "Application.Quit"};
const std::vector<std::string> kPptCalls = {"Application.Presentations", "Presentations.Open", "Presentation.PrintOut",
                                            "Application.Quit"};

INSTANTIATE_TEST_SUITE_P(
    Kinds, OfficeKindTest,
    ::testing::Values(KindCase{"report.docx", PrintWordFile, "WinWord", "Microsoft Word - ", "kept as docx",
                               kWordCalls},
                      KindCase{"report.doc", PrintWordFile, "WinWord", "Microsoft Word - ", "kept as doc ", kWordCalls},
                      KindCase{"report.rtf", PrintWordFile, "WinWord", "Microsoft Word - ", "kept as rtf", kWordCalls},
                      KindCase{"figures.xls", PrintExcelFile, "Excel", "", "Northwind harbour totals", kExcelCalls},
                      KindCase{"figures.csv", PrintExcelFile, "Excel", "", "Southgate harbour totals", kExcelCalls},
                      KindCase{"slides.ppt", PrintPowerPointFile, "POWERPNT", "", "Lighthouse slides", kPptCalls}),
    [](const ::testing::TestParamInfo<KindCase>& param) {
      std::string name = param.param.fixture;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

// --- Word: every row of the failure table ------------------------------------

struct WordFailure {
  const char* name;
  const char* refused;  // members whose lookup fails
  const char* switch_on;
  bool damaged;
  bool result;
  std::vector<std::string> errors;  // each followed by the path
  bool left_running;
  bool printed;
};

void PrintTo(const WordFailure& c, std::ostream* os) {
  *os << c.name;
}

class WordFailureTest : public OfficeTest, public ::testing::WithParamInterface<WordFailure> {};

TEST_P(WordFailureTest, WritesItsLinesAndCleansUpAsDue) {
  const WordFailure& c = GetParam();
  const std::string path = FaultyDoc(word_, c.refused, c.switch_on, c.damaged, "report.docx");
  const int before = qftest::HighestCupsJobId();
  EXPECT_EQ(Run(PrintWordFile, path).result, c.result);
  EXPECT_EQ(Errors(), WithPath(c.errors, path));
  EXPECT_TRUE(Activity().empty()) << qftest::ReadFileBytes(LogFileName);
  ExpectLeftRunning(word_, c.left_running);
  // Only a PrintOut the application carried out starts a job: its record
  // says whether one was, and it is complete now that the driver returned
  // and the instance quit or was left idle.
  const std::string job = "Microsoft Word - " + NamePartOf(path);
  const bool carried_out = Contains(word_.Calls(), "Document.PrintOut") && std::string(c.switch_on) != "Fail PrintOut";
  EXPECT_EQ(carried_out, c.printed) << word_.Text("Calls");
  if (c.printed) {
    EXPECT_EQ(qftest::FinishedJobsAfter(before, job, 1, kJobWaitMs).size(), 1u);
  } else {
    EXPECT_TRUE(qftest::JobsAfter(before, job).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WordFailureTest,
    ::testing::Values(
        WordFailure{"Unopenable", "", "", true, false, {"Error in Open Document\t"}, false, false},
        WordFailure{"NoDocuments", "Documents", "", false, false, {"Error In GetIDsOfName(1),FileName: "}, true, false},
        WordFailure{"NoOpen", "Open", "", false, false, {"Error In GetIDsOfName(2),FileName: "}, false, false},
        WordFailure{"NoPrintOut",
                    "PrintOut",
                    "",
                    false,
                    false,
                    {"Error In GetIDsOfName(3),FileName: ", "Error in PrintOut\t"},
                    false,
                    false},
        WordFailure{"PrintOutFails", "", "Fail PrintOut", false, false, {"Error in PrintOut\t"}, false, false},
        WordFailure{"NoClose",
                    "Close",
                    "",
                    false,
                    true,
                    {"Error In GetIDsOfName(4),FileName: ", "Error In Close Doc,FileName: "},
                    false,
                    true},
        WordFailure{"CloseFails", "", "Fail Close", false, true, {"Error In Close Doc,FileName: "}, false, true}),
    [](const ::testing::TestParamInfo<WordFailure>& param) { return std::string(param.param.name); });

// --- Excel: every row of the failure table --------------------------------------

struct ExcelFailure {
  const char* name;
  const char* refused;
  const char* switch_on;
  bool damaged;
  std::vector<std::string> errors, activity;
  bool left_running;
};

void PrintTo(const ExcelFailure& c, std::ostream* os) {
  *os << c.name;
}

class ExcelFailureTest : public OfficeTest, public ::testing::WithParamInterface<ExcelFailure> {};

TEST_P(ExcelFailureTest, WritesItsLinesAndCleansUpAsDue) {
  const ExcelFailure& c = GetParam();
  const std::string path = FaultyDoc(excel_, c.refused, c.switch_on, c.damaged, "figures.xls");
  EXPECT_FALSE(Run(PrintExcelFile, path).result);
  EXPECT_EQ(Errors(), WithPath(c.errors, path));
  EXPECT_EQ(Activity(), WithPath(c.activity, path));
  ExpectLeftRunning(excel_, c.left_running);
  if (!c.left_running) {
    // Workbook clean-up, then the final one.
    const auto calls = excel_.Calls();
    const auto saved = std::find(calls.begin(), calls.end(), "Workbook.Saved");
    ASSERT_NE(saved, calls.end());
    EXPECT_EQ(std::vector<std::string>(saved, calls.end()),
              (std::vector<std::string>{"Workbook.Saved", "Workbooks.Close", "Application.Quit"}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExcelFailureTest,
    ::testing::Values(ExcelFailure{"Unopenable", "", "", true, {}, {"Error in Open Document\t"}, true},
                      ExcelFailure{"NoWorkbooks", "Workbooks", "", false, {"Error in GetIDsOfName(1) \t"}, {}, true},
                      ExcelFailure{"NoOpen", "Open", "", false, {"Error in GetIDsOfName(2) \t"}, {}, true},
                      ExcelFailure{"NoPrintOut", "PrintOut", "", false, {"Error in GetIDsOfName(3) \t"}, {}, false},
                      ExcelFailure{"PrintOutFails", "", "Fail PrintOut", false, {}, {"Error in PrintOut\t"}, false}),
    [](const ::testing::TestParamInfo<ExcelFailure>& param) { return std::string(param.param.name); });

// The clean-up goes through AutoWrap: a property put names its argument
// DISPID_PROPERTYPUT, a method call passes no named argument.
TEST_F(OfficeTest, ExcelCleanUpPassesSavedAsAPropertyPutOfOne) {
  const std::string path = Doc("figures.csv", "saved");
  ASSERT_TRUE(Run(PrintExcelFile, path).result);
  const auto lines = excel_.CallLines();
  EXPECT_TRUE(Contains(lines, "Workbook.Saved kind=4 args=VT_I4:1 named=-3")) << excel_.Text("Calls");
  EXPECT_TRUE(Contains(lines, "Workbooks.Close kind=1 args=")) << excel_.Text("Calls");
}

// --- PowerPoint ---------------------------------------------------------------------

struct PptFailure {
  const char* name;
  const char* refused;
  const char* switch_on;
  bool damaged;
  const char* line;  // the path follows it
};

void PrintTo(const PptFailure& c, std::ostream* os) {
  *os << c.name;
}

class PptFailureTest : public OfficeTest, public ::testing::WithParamInterface<PptFailure> {};

TEST_P(PptFailureTest, FailsWithItsLineAndLeavesTheApplicationRunning) {
  const PptFailure& c = GetParam();
  const std::string path = FaultyDoc(ppt_, c.refused, c.switch_on, c.damaged, "slides.ppt");
  EXPECT_FALSE(Run(PrintPowerPointFile, path).result);
  const std::string line = c.line;
  EXPECT_EQ(Activity(), std::vector<std::string>{line == "Print " ? line + path + "\tFailed!" : line + path});
  ExpectLeftRunning(ppt_, true);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PptFailureTest,
    ::testing::Values(PptFailure{"Unopenable", "", "", true, "Print "},
                      PptFailure{"OpenGivesNull", "", "Open gives Null", false, "Error Open File!"},
                      PptFailure{"NoPresentations", "Presentations", "", false, "Print "},
                      PptFailure{"PrintOutFails", "", "Fail PrintOut", false, "Print "}),
    [](const ::testing::TestParamInfo<PptFailure>& param) { return std::string(param.param.name); });

// --- An application that is not installed ---------------------------------------------

struct NotInstalledCase {
  const char* prog_id;
  const char* fixture;
  PrintProc driver;
  const char* app;
  const char *before, *after;  // the activity log's one line: before + path + after
};

void PrintTo(const NotInstalledCase& c, std::ostream* os) {
  *os << c.prog_id;
}

class OfficeNotInstalledTest : public OfficeTest, public ::testing::WithParamInterface<NotInstalledCase> {};

TEST_P(OfficeNotInstalledTest, FailsWithItsLineAndStartsNothing) {
  const NotInstalledCase& c = GetParam();
  const qftest::OfficeApp app(c.app);
  const std::string path = Doc(c.fixture, "not-installed");
  qftest::ProgIdRemoved gone(c.prog_id);
  EXPECT_FALSE(Run(c.driver, path).result);
  EXPECT_EQ(Activity(), std::vector<std::string>{c.before + path + c.after});
  EXPECT_TRUE(Errors().empty()) << qftest::ReadFileBytes(ErrorFileName);
  // The driver has returned: an instance it started would be running now.
  EXPECT_FALSE(app.Running());
  EXPECT_TRUE(app.Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Applications, OfficeNotInstalledTest,
                         ::testing::Values(NotInstalledCase{"Word.Application", "report.docx", PrintWordFile, "WinWord",
                                                            "Error in Creating Word application instance\t", ""},
                                           NotInstalledCase{"Excel.Application", "figures.xls", PrintExcelFile, "Excel",
                                                            "Error in Get App interface\t", ""},
                                           NotInstalledCase{"PowerPoint.Application", "slides.ppt", PrintPowerPointFile,
                                                            "POWERPNT", "Print ", "\tFailed!"}),
                         [](const ::testing::TestParamInfo<NotInstalledCase>& param) {
                           std::string name = param.param.prog_id;
                           return name.substr(0, name.find('.'));
                         });

// The user has the presentation program open: the driver prints through
// that instance and then tells it to quit.
TEST_F(OfficeTest, PowerPointPrintsThroughTheRunningInstanceAndQuitsIt) {
  qftest::AppProcess users;
  ASSERT_TRUE(users.Start(std::string(kStandins) + "POWERPNT.exe"));
  ASSERT_TRUE(qftest::WaitFor(
      [] {
        try {
          AttachServerObject("PowerPoint.Application");
          return true;
        } catch (const EOleSysError&) {
          return false;
        }
      },
      20000));
  const std::string path = Doc("slides.ppt", "running");
  const int before = qftest::HighestCupsJobId();
  EXPECT_TRUE(Run(PrintPowerPointFile, path).result);
  EXPECT_EQ(qftest::FinishedJobsAfter(before, NamePartOf(path), 1, kJobWaitMs).size(), 1u);
  DWORD code = 1;
  EXPECT_TRUE(users.WaitExit(qftest::kWaitMs, &code)) << "the user's instance was not told to quit";
  EXPECT_FALSE(ppt_.Running());
}

// --- The automation layer against a real server ----------------------------------------

TEST_F(OfficeTest, InvokeFunction4DeliversItsArgumentsReversedInTheArray) {
  winkit::Variant app = CreateServerObject("PowerPoint.Application");
  winkit::Variant presentations = PropertyGet(app, "Presentations");
  const std::string path = Doc("slides.ppt", "arguments");
  winkit::Variant p = InvokeFunction4(presentations, "Open", path, true, true, false);
  EXPECT_EQ(p.Type(), VT_DISPATCH);
  // The server saw false first and the path last: FileName, ReadOnly,
  // Untitled, WithWindow in call order.
  EXPECT_EQ(ppt_.Text("Last Open arguments"), "VT_BOOL:0,VT_BOOL:-1,VT_BOOL:-1,VT_BSTR:" + path);
  // A failure the server reports raises an error with its description.
  try {
    InvokeFunction4(presentations, "Open", dir_ / "missing.ppt", true, true, false);
    ADD_FAILURE() << "no error raised";
  } catch (const EOleException& e) {
    EXPECT_NE(std::string(e.what()).find("could not be found"), std::string::npos) << e.what();
  }
  EXPECT_THROW(CallProcedure(app, "NoSuchMember"), EOleSysError);
  CallProcedure(app, "Quit");
}

// The word processor keeps its print options itself, from one instance to
// the next, and Variant calls read and change them.
TEST_F(OfficeTest, WordKeepsItsPrintOptionsBetweenInstances) {
  {
    winkit::Variant app = CreateServerObject("Word.Application");
    SetBoolProperty(app, "Visible", false);
    winkit::Variant options = PropertyGet(app, "Options");
    EXPECT_FALSE(GetBoolProperty(options, "PrintReverse"));
    SetBoolProperty(options, "PrintReverse", true);
    SetTextProperty(options, "DefaultTray", "Auto Sheet Feeder");
    winkit::Variant docs = PropertyGet(app, "Documents");
    TAutoArgs<0> none;
    winkit::Variant added = CallFunction(docs, "Add", none);
    EXPECT_EQ(added.Type(), VT_DISPATCH);
    winkit::Variant active = PropertyGet(app, "ActiveDocument");
    SetBoolProperty(active, "PrintPostScriptOverText", true);
    CallProcedure(app, "Quit");
  }
  ASSERT_TRUE(word_.WaitGone(qftest::kWaitMs));
  winkit::Variant app = CreateServerObject("Word.Application");
  winkit::Variant options = PropertyGet(app, "Options");
  EXPECT_TRUE(GetBoolProperty(options, "PrintReverse"));
  EXPECT_FALSE(GetBoolProperty(options, "PrintDraft"));
  EXPECT_EQ(PropertyGet(options, "DefaultTray").AsString(), "Auto Sheet Feeder");
  winkit::Variant docs = PropertyGet(app, "Documents");
  TAutoArgs<0> none;
  CallFunction(docs, "Add", none);
  EXPECT_TRUE(GetBoolProperty(PropertyGet(app, "ActiveDocument"), "PrintPostScriptOverText"));
  CallProcedure(app, "Quit");
}

// --- The waits on the job's report are bounded -------------------------------------------

TEST_F(OfficeTest, WithoutAMonitorTheWordDriverDoesNotWaitAndTheJobStillPrints) {
  const std::string path = Doc("report.docx", "unwatched");
  const int before = qftest::HighestCupsJobId();
  const Outcome out = Run(PrintWordFile, path, false);
  EXPECT_TRUE(out.result);
  EXPECT_TRUE(Contains(Activity(), "No printer monitor runs: not waiting for the print job of\t" + path))
      << qftest::ReadFileBytes(LogFileName);
  EXPECT_EQ(qftest::FinishedJobsAfter(before, "Microsoft Word - " + NamePartOf(path), 1, kJobWaitMs).size(), 1u);
}

// A printer that never prints: the wait ends at its bound, and says so.
TEST_F(OfficeTest, AJobNeverReportedEndsTheWaitAtItsBound) {
  const std::string original = printer_;
  ASSERT_TRUE(SetDefaultPrinterA(kHeldQueue));
  printer_ = kHeldQueue;
  SetJobReportLimitMs(3000);
  const std::string path = Doc("slides.ppt", "held");
  const int before = qftest::HighestCupsJobId();
  const Outcome out = Run(PrintPowerPointFile, path);
  SetDefaultPrinterA(original.c_str());
  EXPECT_TRUE(out.result);
  EXPECT_GE(out.ms, 3000u);
  EXPECT_TRUE(Contains(Activity(), "No print job of\t" + path + "\twas reported within 3 seconds; going on"))
      << qftest::ReadFileBytes(LogFileName);
  // Its job waits on the held queue: this test's own, and no other test's.
  for (const auto& job : qftest::JobsAfter(before, NamePartOf(path)))
    qftest::RunLinux("cancel " + std::to_string(job.id));
}

}  // namespace

// --- AutoWrap ends the process after its box --------------------------------------------

struct BoxCase {
  const char* name;
  const char* args;  // after the mode: the folder comes first
  const char* caption;
  const char* text;  // the start of the box's text
};

void PrintTo(const BoxCase& c, std::ostream* os) {
  *os << c.name;
}

class AutoWrapBoxTest : public OfficeTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(AutoWrapBoxTest, ShowsItsBoxAndEndsTheProcessWithStatusZero) {
  const BoxCase& c = GetParam();
  const std::string folder = dir_.Path().substr(0, dir_.Path().size() - 1);
  std::string args = std::string(c.args) + " \"" + folder + "\"";
  std::string path;
  if (std::string(c.args) == "excel") {
    // The spreadsheet program goes away between printing and clean-up.
    excel_.SetSwitch("End after PrintOut", 1);
    path = Doc("figures.csv", "ended");
    args += " \"" + path + "\"";
  }
  const int before = qftest::HighestCupsJobId();
  qftest::AppProcess child;
  ASSERT_TRUE(child.Start(QF_AUTOMATION_CHILD, nullptr, args));
  bool found = false;
  const std::string text = qftest::AnswerMessageBox(c.caption, 120000, &found);
  ASSERT_TRUE(found) << "no box captioned " << c.caption;
  EXPECT_EQ(text.rfind(c.text, 0), 0u) << text;
  DWORD code = 99;
  ASSERT_TRUE(child.WaitExit(qftest::kWaitMs, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(qftest::FileExists(dir_ / "after.txt")) << qftest::ReadFileBytes(dir_ / "after.txt");
  // Nothing was logged: the driver never got to write its result.
  EXPECT_TRUE(Activity().empty()) << qftest::ReadFileBytes(LogFileName);
  if (!path.empty()) {
    // The job was printed before the clean-up failed.
    EXPECT_EQ(qftest::FinishedJobsAfter(before, NamePartOf(path), 1, kJobWaitMs).size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, AutoWrapBoxTest,
    ::testing::Values(BoxCase{"NoObject", "null", "Error", "NULL IDispatch passed to AutoWrap()"},
                      BoxCase{"UnknownMember", "unknown", "AutoWrap()",
                              "IDispatch::GetIDsOfNames(\"NoSuchMember\") failed w/err 0x80020006"},
                      BoxCase{"ApplicationGoneBeforeCleanUp", "excel", "AutoWrap()", "IDispatch::"}),
    [](const ::testing::TestParamInfo<BoxCase>& param) { return std::string(param.param.name); });

// --- The user's word processor runs ---------------------------------------------------

// A ".doc" file ends the user's word processor before it prints; any other
// file prints beside it. (After printing, the driver ends the first process
// of the word processor's name, which may be the user's: only the time
// before is the rule's.)
struct RunningWordCase {
  const char* fixture;
  bool ends_users;
};

void PrintTo(const RunningWordCase& c, std::ostream* os) {
  *os << c.fixture;
}

class OfficeRunningWordTest : public OfficeTest, public ::testing::WithParamInterface<RunningWordCase> {};

TEST_P(OfficeRunningWordTest, OnlyADocEndsTheUsersWordProcessorBeforeItPrints) {
  const RunningWordCase& c = GetParam();
  qftest::AppProcess users;
  ASSERT_TRUE(users.Start(std::string(kStandins) + "WinWord.exe"));
  ASSERT_TRUE(qftest::WaitFor([&] { return word_.Pids() == std::vector<DWORD>{users.Id()}; },
                              "the user's word processor to run"));
  const std::string path = Doc(c.fixture, "while-running");
  const int before = qftest::HighestCupsJobId();
  CPrintFile request;
  request.SetFileName(path);
  request.SetPrinterName(printer_);
  request.SetAction(2);
  // Whether the driver's own instance ever ran beside the user's.
  std::atomic<bool> printing{true};
  bool side_by_side = false;
  std::thread watch([&] {
    qftest::WaitFor(
        [&] {
          const std::vector<DWORD> pids = word_.Pids();
          side_by_side =
              side_by_side || (pids.size() > 1 && std::find(pids.begin(), pids.end(), users.Id()) != pids.end());
          return !printing;
        },
        "the print to end", kJobWaitMs);
  });
  StopPrinting = false;
  EXPECT_TRUE(PrintDocument(request));
  StopPrinting = true;
  printing = false;
  watch.join();
  EXPECT_EQ(side_by_side, !c.ends_users);
  const auto m = Activity();
  const auto running = std::find(m.begin(), m.end(), "MS Word is runing!!");
  EXPECT_EQ(running != m.end(), c.ends_users) << qftest::ReadFileBytes(LogFileName);
  // The success comes after the word processor was ended, when it was.
  EXPECT_NE(std::find(running == m.end() ? m.begin() : running, m.end(), "Print \t" + path + "\tSuccessed!"), m.end())
      << qftest::ReadFileBytes(LogFileName);
  EXPECT_EQ(qftest::FinishedJobsAfter(before, "Microsoft Word - " + NamePartOf(path), 1, kJobWaitMs).size(), 1u);
  if (c.ends_users) {
    EXPECT_TRUE(users.WaitExit(qftest::kWaitMs)) << "the user's word processor still runs";
  }
  // The driver's own instance does not outlive its print.
  EXPECT_TRUE(qftest::WaitFor(
      [&] {
        const std::vector<DWORD> pids = word_.Pids();
        return pids.empty() || pids == std::vector<DWORD>{users.Id()};
      },
      "the driver's own instance to end"));
}

INSTANTIATE_TEST_SUITE_P(Files, OfficeRunningWordTest,
                         ::testing::Values(RunningWordCase{"report.doc", true}, RunningWordCase{"report.docx", false}),
                         [](const ::testing::TestParamInfo<RunningWordCase>& param) {
                           std::string name = param.param.fixture;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

// Each print starts an instance of its own, also after the last one was
// terminated.
TEST_F(OfficeTest, DocumentsInARowEachGetAnInstanceOfTheirOwn) {
  for (const char* fixture : {"report.docx", "report.rtf", "figures.xls", "figures.csv"}) {
    const std::string path = Doc(fixture, "row");
    const bool word = std::string(fixture).rfind("report", 0) == 0;
    EXPECT_TRUE(Run(word ? PrintWordFile : PrintExcelFile, path).result) << fixture << "\n"
                                                                         << qftest::ReadFileBytes(LogFileName);
  }
}

// The drivers' own OLE initialisation is undone on every way out: a thread
// that had none before has none after, whether the print worked or returned
// early.
TEST_F(OfficeTest, DriversLeaveTheThreadsOleInitialisationAsTheyFoundIt) {
  for (const bool damaged : {false, true}) {
    const std::string path = damaged ? Damaged("balance.xls") : Doc("figures.csv", "balance");
    HRESULT after = E_FAIL;
    bool printed = !damaged;
    std::thread([&] {
      winkit::TEvent done;
      printed = PrintExcelFile(path, done);
      // Free to choose another apartment: nothing of the driver's is left.
      after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      if (SUCCEEDED(after)) CoUninitialize();
    }).join();
    EXPECT_EQ(printed, !damaged);
    EXPECT_EQ(after, S_OK) << (damaged ? "after an early return" : "after a print");
  }
}

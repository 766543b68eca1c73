// One file printed end to end on the real CUPS "PDF" queue: log lines, waits,
// the failed-file move and the post-print actions.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <thread>

#include "app/log.h"
#include "engine/printfile.h"
#include "support/cupsjobs.h"
#include "support/gdiprint.h"
#include "support/imagefiles.h"
#include "support/tempdir.h"

namespace {

std::string TrashFolder() {
  char xdg[1024] = {};
  std::string dir = GetEnvironmentVariableA("XDG_DATA_HOME", xdg, sizeof xdg) ? xdg : "";
  return qftest::WindowsPath(dir + "/Trash/files") + "\\";
}

class PrintDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    ErrorFileName = dir_ / "Quirefeed.err";
    printer_ = qftest::DefaultPrinterName();
    ASSERT_FALSE(printer_.empty());
    StopPrinting = false;  // as during a run
  }
  void TearDown() override { StopPrinting = true; }

  // A request for `path` on the default printer.
  CPrintFile& Request(const std::string& path, std::int16_t action, bool move_failed = false) {
    request_ = std::make_unique<CPrintFile>();
    request_->SetFileName(path);
    request_->SetPrinterName(printer_);
    request_->SetAction(action);
    request_->SetMoveFailed(move_failed);
    return *request_;
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }
  // The messages of the log, without their stamps.
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    std::string log = Log();
    size_t pos = 0;
    while (pos < log.size()) {
      size_t end = log.find("\r\n", pos);
      if (end == std::string::npos) end = log.size();
      std::string line = log.substr(pos, end - pos);
      // date TAB time TAB message
      const size_t first = line.find('\t');
      const size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
      out.push_back(second == std::string::npos ? line : line.substr(second + 1));
      pos = end + 2;
    }
    return out;
  }
  std::string Image(const std::string& name) {
    const std::string path = dir_ / name;
    EXPECT_TRUE(qftest::WriteJpeg(path, 16, 16, {200, 30, 30}));
    Sleep(1100);  // older than the one-second settling time
    return path;
  }

  qftest::TempDir dir_;
  std::string printer_;
  std::unique_ptr<CPrintFile> request_;
};

TEST_F(PrintDocumentTest, SuccessIsLoggedAndActionTwoLeavesTheFile) {
  const std::string path = Image("keep.jpg");
  EXPECT_TRUE(PrintDocument(Request(path, 2)));
  const std::vector<std::string> expected = {"Start Printer Monitor, Printer:" + printer_,
                                             "Print \t" + path + "\tSuccessed!",
                                             "End Printer Monitor, Printer:" + printer_};
  EXPECT_EQ(Messages(), expected);
  EXPECT_TRUE(qftest::FileExists(path));
}

TEST_F(PrintDocumentTest, ActionZeroPutsThePrintedFileInTheTrash) {
  const std::string name = "recycle-" + std::to_string(GetTickCount()) + ".jpg";
  const std::string path = Image(name);
  EXPECT_TRUE(PrintDocument(Request(path, 0)));
  EXPECT_FALSE(qftest::FileExists(path));
  EXPECT_TRUE(qftest::FileExists(TrashFolder() + name)) << "not in the trash: " << TrashFolder() + name;
  DeleteFileA((TrashFolder() + name).c_str());
}

TEST_F(PrintDocumentTest, ActionOneMovesTheFileReplacingOneOfTheSameName) {
  const std::string path = Image("move.jpg");
  const std::string target = dir_ / "printed";
  CreateDirectoryA(target.c_str(), nullptr);
  ASSERT_TRUE(qftest::WriteFileBytes(target + "\\move.jpg", "older file"));
  CPrintFile& r = Request(path, 1);
  r.SetMoveToFolder(target);
  EXPECT_TRUE(PrintDocument(r));
  EXPECT_FALSE(qftest::FileExists(path));
  EXPECT_NE(qftest::ReadFileBytes(target + "\\move.jpg"), "older file");
  EXPECT_EQ(qftest::ReadFileBytes(target + "\\move.jpg").substr(0, 2), "\xFF\xD8");
}

TEST_F(PrintDocumentTest, FailedPrintMovesTheFileIntoFailedReplacingAnOlderOne) {
  // No word processor can be driven here: its driver reports failure.
  const std::string path = dir_ / "report.doc";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "new report"));
  CreateDirectoryA((dir_ / "Failed").c_str(), nullptr);
  ASSERT_TRUE(qftest::WriteFileBytes(dir_ / "Failed\\report.doc", "old report"));
  Sleep(1100);
  EXPECT_TRUE(PrintDocument(Request(path, 0, true)));
  EXPECT_FALSE(qftest::FileExists(path));
  EXPECT_EQ(qftest::ReadFileBytes(dir_ / "Failed\\report.doc"), "new report");
  const auto m = Messages();
  EXPECT_NE(std::find(m.begin(), m.end(), "Print \t" + path + "\tFailed!"), m.end()) << Log();
  EXPECT_EQ(m.back(), "End Printer Monitor, Printer:" + printer_);
}

TEST_F(PrintDocumentTest, MissingPrinterIsReportedWithTheSystemText) {
  const std::string path = Image("nowhere.jpg");
  CPrintFile& r = Request(path, 0);
  r.SetPrinterName("No Such Printer");
  EXPECT_FALSE(PrintDocument(r));
  const std::string log = Log();
  EXPECT_NE(log.find("\tOpen Printer No Such Printer fail!\r\n"), std::string::npos) << log;
  std::string system = SystemMessage(ERROR_INVALID_PRINTER_NAME);
  while (!system.empty() && (system.back() == '\n' || system.back() == '\r')) system.pop_back();
  ASSERT_FALSE(system.empty());
  EXPECT_NE(log.find("\tError Message:" + system), std::string::npos) << log;
  EXPECT_EQ(log.find("Start Printer Monitor"), std::string::npos);
  EXPECT_TRUE(qftest::FileExists(path));
}

TEST_F(PrintDocumentTest, FileHeldOpenGivesUpAfterTwentySeconds) {
  const std::string path = dir_ / "locked.jpg";
  ASSERT_TRUE(qftest::WriteFileBytes(path, std::string(5000, 'x')));
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const DWORD start = GetTickCount();
  EXPECT_FALSE(PrintDocument(Request(path, 0)));
  const DWORD took = GetTickCount() - start;
  CloseHandle(h);
  EXPECT_GE(took, 20000u);
  EXPECT_LT(took, 23000u);
  const std::vector<std::string> expected = {"Open File " + path + " Timeout, File in Use!", "File Size: 4 KB!"};
  EXPECT_EQ(Messages(), expected);
  EXPECT_TRUE(qftest::FileExists(path));
}

TEST_F(PrintDocumentTest, FileStillBeingWrittenIsPrintedWhenItIsComplete) {
  const std::string path = dir_ / "growing.txt";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "first line\r\n"));
  // Another program appends for three seconds; it keeps no lock, as a Linux
  // writer keeps none against Windows opens.
  std::thread writer([&] {
    for (int i = 0; i < 15; ++i) {
      Sleep(200);
      std::string text = qftest::ReadFileBytes(path) + "line " + std::to_string(i) + "\r\n";
      if (i == 14) text += "LAST LINE OF THE FILE\r\n";
      qftest::WriteFileBytes(path, text);
    }
  });
  const int before = qftest::HighestCupsJobId();
  const DWORD start = GetTickCount();
  const bool ok = PrintDocument(Request(path, 2));
  const DWORD took = GetTickCount() - start;
  writer.join();
  EXPECT_TRUE(ok);
  EXPECT_GE(took, 3000u) << "printed before the writer was done";
  // The job holds the whole text, its last line included.
  const auto jobs = qftest::FinishedJobsAfter(before, "growing.txt", 1, 150000);
  ASSERT_EQ(jobs.size(), 1u);
  const std::string pdf = qftest::PdfOfJob(jobs[0].id);
  ASSERT_FALSE(pdf.empty());
  qftest::TempDir tmp;
  ASSERT_EQ(qftest::RunLinux("pdftotext '" + qftest::UnixPath(pdf) + "' '" + qftest::UnixPath(tmp / "t.txt") + "'"), 0);
  EXPECT_NE(qftest::ReadFileBytes(tmp / "t.txt").find("LAST LINE OF THE FILE"), std::string::npos);
}

TEST_F(PrintDocumentTest, TextFilePrintsThroughTheShellsPrintVerb) {
  const std::string path = dir_ / "letter.txt";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "Dear reader,\r\nthis letter was printed by the text driver.\r\n"));
  Sleep(1100);
  const int before = qftest::HighestCupsJobId();
  EXPECT_TRUE(PrintDocument(Request(path, 2)));
  const auto m = Messages();
  EXPECT_NE(std::find(m.begin(), m.end(), "Print \t" + path + "\tSuccessed!"), m.end()) << Log();
  const auto jobs = qftest::FinishedJobsAfter(before, "letter.txt", 1, 150000);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].name, "letter.txt");
}

TEST_F(PrintDocumentTest, UnknownExtensionGoesToTheTextDriverWithoutAPrintLine) {
  const std::string path = dir_ / "notes.qfx";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "some notes"));
  Sleep(1100);
  EXPECT_TRUE(PrintDocument(Request(path, 2)));
  const auto m = Messages();
  for (const auto& line : m) EXPECT_EQ(line.rfind("Print \t", 0), std::string::npos) << line;
  EXPECT_EQ(m.front(), "Start Printer Monitor, Printer:" + printer_);
  EXPECT_EQ(m.back(), "End Printer Monitor, Printer:" + printer_);
}

TEST_F(PrintDocumentTest, OverlongPathsAreRefusedNotCut) {
  CPrintFile r;
  EXPECT_FALSE(r.SetFileName("C:\\" + std::string(300, 'a') + ".txt"));
  EXPECT_STREQ(r.FileName(), "");
  EXPECT_TRUE(r.SetFileName("C:\\" + std::string(255, 'a')));
  EXPECT_FALSE(r.SetMoveToFolder(std::string(260, 'm')));
  EXPECT_TRUE(r.Done().IsSet()) << "a new request's event starts signalled";
}

TEST(IsFileInUse, Cases) {
  qftest::TempDir dir;
  EXPECT_FALSE(IsFileInUse(dir / "missing.txt"));
  const std::string path = dir / "f.txt";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "x"));
  EXPECT_TRUE(IsFileInUse(path)) << "just written: may still be growing";
  Sleep(1100);
  EXPECT_FALSE(IsFileInUse(path));
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(IsFileInUse(path)) << "held open by another program";
  CloseHandle(h);
  EXPECT_FALSE(IsFileInUse(path));
}

}  // namespace

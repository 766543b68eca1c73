// One file printed end to end on the real CUPS "PDF" queue: log lines, waits,
// the failed-file move and the post-print actions.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <thread>

#include "app/base/log.h"
#include "engine/printfile.h"
#include "support/cupsjobs.h"
#include "support/gdiprint.h"
#include "support/imagefiles.h"
#include "support/tempdir.h"

namespace {

using qftest::NamePartOf;

// Bytes no document application reads.
const std::string kDamaged("draft\0\x01\x02 damaged", 16);

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
  std::vector<std::string> Messages() { return qftest::LogMessages(LogFileName); }
  std::string Image(const std::string& name) {
    const std::string path = dir_ / name;
    EXPECT_TRUE(qftest::WriteJpeg(path, 16, 16, {200, 30, 30}));
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
  // A damaged document: the word processor cannot open it.
  const std::string path = dir_ / "report.docx";
  ASSERT_TRUE(qftest::WriteFileBytes(path, kDamaged));
  CreateDirectoryA((dir_ / "Failed").c_str(), nullptr);
  ASSERT_TRUE(qftest::WriteFileBytes(dir_ / "Failed\\report.docx", "old report"));
  EXPECT_TRUE(PrintDocument(Request(path, 0, true)));
  EXPECT_FALSE(qftest::FileExists(path));
  EXPECT_EQ(qftest::ReadFileBytes(dir_ / "Failed\\report.docx"), kDamaged);
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
  EXPECT_NE(log.find("\tError Message:Invalid printer name."), std::string::npos) << log;
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
  EXPECT_LT(took, 60000u) << "the wait for the file has no bound";
  const std::vector<std::string> expected = {"Open File " + path + " Timeout, File in Use!", "File Size: 4 KB!"};
  EXPECT_EQ(Messages(), expected);
  EXPECT_TRUE(qftest::FileExists(path));
}

// Another program appends for three seconds, keeping no lock (as a Linux
// writer keeps none against Windows opens), and stamps the file an hour
// ahead of our clock, as a share whose clock runs fast would.
TEST_F(PrintDocumentTest, FileStillBeingWrittenIsPrintedWhenItIsComplete) {
  const std::string path = dir_ / "growing.txt";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "first line\r\n"));
  auto stamp_ahead = [&] {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart += 3600ull * 10000000ull;
    const FILETIME ahead{t.LowPart, t.HighPart};
    SetFileTime(h, nullptr, nullptr, &ahead);
    CloseHandle(h);
  };
  stamp_ahead();
  std::thread writer([&] {
    for (int i = 0; i < 15; ++i) {
      Sleep(200);
      std::string text = qftest::ReadFileBytes(path) + "line " + std::to_string(i) + "\r\n";
      if (i == 14) text += "LAST LINE OF THE FILE\r\n";
      qftest::WriteFileBytes(path, text);
      stamp_ahead();
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
  const std::string pdf = qftest::PdfOfJob(jobs[0]);
  ASSERT_FALSE(pdf.empty());
  qftest::TempDir tmp;
  ASSERT_EQ(qftest::RunLinux("pdftotext '" + qftest::UnixPath(pdf) + "' '" + qftest::UnixPath(tmp / "t.txt") + "'"), 0);
  EXPECT_NE(qftest::ReadFileBytes(tmp / "t.txt").find("LAST LINE OF THE FILE"), std::string::npos);
}

// Each post-print action on a printed file, and on one whose print failed:
// only a printed file is recycled or moved; one that failed stays to be
// printed again, and the log says why when its action would have moved it.
TEST_F(PrintDocumentTest, EachActionDisposesOfAPrintedFileAndKeepsAnUnprintedOne) {
  enum class Where { InPlace, Trash, MoveTo };
  struct Case {
    const char* name;
    std::int16_t action;
    bool printable;  // a picture; otherwise a document no application reads
    Where where;
  };
  const Case cases[] = {
      {"recycled", 0, true, Where::Trash},
      {"moved", 1, true, Where::MoveTo},
      {"left", 2, true, Where::InPlace},
      {"unprinted-recycle", 0, false, Where::InPlace},
      {"unprinted-move", 1, false, Where::InPlace},
      {"unprinted-leave", 2, false, Where::InPlace},
  };
  const std::string target = dir_ / "printed";
  CreateDirectoryA(target.c_str(), nullptr);
  for (const Case& c : cases) {
    const std::string name = c.name + ("-" + std::to_string(GetTickCount())) + (c.printable ? ".jpg" : ".docx");
    const std::string path = dir_ / name;
    if (c.printable) {
      Image(name);
    } else {
      ASSERT_TRUE(qftest::WriteFileBytes(path, kDamaged));
    }
    const std::string bytes = qftest::ReadFileBytes(path);
    CPrintFile& r = Request(path, c.action);
    r.SetMoveToFolder(target);
    EXPECT_TRUE(PrintDocument(r)) << c.name;
    const auto m = Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "Print \t" + path + (c.printable ? "\tSuccessed!" : "\tFailed!")), m.end())
        << c.name << "\n"
        << Log();
    const std::string trash = qftest::TrashFilesFolder() + name, moved = target + "\\" + name;
    EXPECT_EQ(qftest::FileExists(path), c.where == Where::InPlace) << c.name;
    EXPECT_EQ(qftest::FileExists(trash), c.where == Where::Trash) << c.name;
    EXPECT_EQ(qftest::FileExists(moved), c.where == Where::MoveTo) << c.name;
    const std::string left = c.where == Where::Trash ? trash : c.where == Where::MoveTo ? moved : path;
    EXPECT_EQ(qftest::ReadFileBytes(left), bytes) << c.name << ": the file changed on its way";
    const bool kept_line =
        std::find(m.begin(), m.end(), "File kept in place:\t" + path + "\tit was not printed") != m.end();
    EXPECT_EQ(kept_line, !c.printable && c.action != 2) << c.name;
    DeleteFileA(trash.c_str());
  }
}

// Moving a printed file into its own folder, however that folder is
// spelled, must keep the file (once it was deleted as "the older copy").
// A picture that cannot be decoded, or only its top: its page is printed
// (blank, or with what arrived) as the sign on paper, but the file is
// logged as failed and kept.
TEST_F(PrintDocumentTest, DamagedOrCutPictureIsLoggedFailedAndStaysInPlace) {
  const std::string whole = dir_ / "whole.jpg";
  ASSERT_TRUE(qftest::WriteJpeg(whole, 400, 400, {200, 40, 40}));
  const std::string jpeg = qftest::ReadFileBytes(whole);
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {{"damaged", "\xFF\xD8\xFF\xE0 no picture here"}, {"cut", jpeg.substr(0, jpeg.size() * 6 / 10)}};
  for (const auto& c : cases) {
    const std::string name = std::string(c.what) + "-" + std::to_string(GetTickCount()) + ".jpg";
    const std::string path = dir_ / name;
    ASSERT_TRUE(qftest::WriteFileBytes(path, c.bytes));
    const int before = qftest::HighestCupsJobId();
    EXPECT_TRUE(PrintDocument(Request(path, 0)));
    EXPECT_EQ(qftest::ReadFileBytes(path), c.bytes) << c.what;
    EXPECT_FALSE(qftest::FileExists(qftest::TrashFilesFolder() + name)) << c.what;
    const auto m = Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "Print \t" + path + "\tFailed!"), m.end()) << Log();
    EXPECT_EQ(qftest::FinishedJobsAfter(before, path, 1, 150000).size(), 1u) << c.what << ": its page";
  }
}

TEST_F(PrintDocumentTest, MoveIntoItsOwnFolderOrNowhereKeepsTheFile) {
  std::string upper = dir_.Path();
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  std::string bare = dir_.Path();
  bare.pop_back();
  const std::string alias = "Z:" + qftest::UnixPath(bare);  // the same folder through drive Z:
  struct Case {
    const char* what;
    std::string folder;
    const char* why;
  } cases[] = {
      {"same spelling", bare, "the folder to move it to is its own folder"},
      {"trailing backslash", dir_.Path(), "the folder to move it to is its own folder"},
      {"other letter case", upper, "the folder to move it to is its own folder"},
      {"drive alias", alias, "the folder to move it to is its own folder"},
      {"empty", "", "no folder to move it to is set"},
      {"missing", dir_ / "no such folder", nullptr},
  };
  for (const auto& c : cases) {
    const std::string path = Image("own.jpg");
    const std::string content = qftest::ReadFileBytes(path);
    CPrintFile& r = Request(path, 1);
    r.SetMoveToFolder(c.folder);
    EXPECT_TRUE(PrintDocument(r)) << c.what;
    EXPECT_EQ(qftest::ReadFileBytes(path), content) << c.what;
    const std::string why = c.why ? c.why : "the folder to move it to, " + c.folder + ", does not exist";
    const auto m = Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "File kept in place:\t" + path + "\t" + why), m.end()) << c.what << "\n"
                                                                                                   << Log();
    DeleteFileA(LogFileName.c_str());
  }
}

// With no trash folder at all, recycling makes it first: the file lands in
// the trash, never deleted outright. Where no trash folder can be made, the
// file is kept.
TEST_F(PrintDocumentTest, RecyclingWithoutATrashFolderNeverLosesTheFile) {
  char xdg[1024] = {};
  ASSERT_TRUE(GetEnvironmentVariableA("XDG_DATA_HOME", xdg, sizeof xdg));
  const std::string data_home = qftest::WindowsPath(xdg);
  qftest::RemoveTree(data_home);
  ASSERT_FALSE(qftest::FileExists(data_home + "\\Trash\\files") ||
               GetFileAttributesA(data_home.c_str()) != INVALID_FILE_ATTRIBUTES);
  const std::string name = "no-trash-" + std::to_string(GetTickCount()) + ".jpg";
  const std::string path = Image(name);
  EXPECT_TRUE(PrintDocument(Request(path, 0)));
  EXPECT_FALSE(qftest::FileExists(path));
  const std::string in_trash = qftest::TrashFilesFolder() + name;
  EXPECT_TRUE(qftest::FileExists(in_trash)) << "not in the trash: " << in_trash;

  // A data folder below a plain file cannot be made.
  const std::string blocker = dir_ / "blocker";
  ASSERT_TRUE(qftest::WriteFileBytes(blocker, "a file, not a folder"));
  ASSERT_TRUE(SetEnvironmentVariableA("XDG_DATA_HOME", (qftest::UnixPath(blocker) + "/data").c_str()));
  const std::string kept = Image("kept-" + name);
  EXPECT_TRUE(PrintDocument(Request(kept, 0)));
  SetEnvironmentVariableA("XDG_DATA_HOME", xdg);
  EXPECT_TRUE(qftest::FileExists(kept));
  EXPECT_NE(Log().find("File kept in place:\t" + kept +
                       "\tit could not be sent to the recycle bin: the trash "
                       "folder"),
            std::string::npos)
      << Log();
}

// A file on another device than the trash would be deleted outright by the
// shell: it is kept instead.
TEST_F(PrintDocumentTest, FileOnAnotherDeviceThanTheTrashIsKept) {
  const std::string shm = "Z:\\dev\\shm\\";
  if (GetFileAttributesA(shm.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no /dev/shm here";
  const std::string folder = shm + "qf-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string path = folder + "\\elsewhere.jpg";
  ASSERT_TRUE(qftest::WriteJpeg(path, 16, 16, {10, 200, 10}));
  EXPECT_TRUE(PrintDocument(Request(path, 0)));
  EXPECT_TRUE(qftest::FileExists(path)) << "the file was deleted outright";
  EXPECT_NE(Log().find("the file lies on another device than the trash folder"), std::string::npos) << Log();
  qftest::RemoveTree(folder);
  DeleteFileA((qftest::TrashFilesFolder() + "elsewhere.jpg").c_str());
}

// A damaged stored action (65536 narrowed to 16 bits would be 0, recycle)
// keeps the file.
TEST_F(PrintDocumentTest, ActionOutsideTheCodesKeepsTheFile) {
  EXPECT_EQ(RequestAction(65536), kActionKeep);
  EXPECT_EQ(RequestAction(-1), kActionKeep);
  EXPECT_EQ(RequestAction(3), kActionKeep);
  EXPECT_EQ(RequestAction(1), kActionMoveTo);
  EXPECT_EQ(RequestAction(0), kActionRecycle);
  const std::string name = "damaged-action-" + std::to_string(GetTickCount()) + ".jpg";
  const std::string path = Image(name);
  EXPECT_TRUE(PrintDocument(Request(path, RequestAction(65536))));
  EXPECT_TRUE(qftest::FileExists(path));
  EXPECT_FALSE(qftest::FileExists(qftest::TrashFilesFolder() + name));
}

TEST_F(PrintDocumentTest, TextFilePrintsThroughTheShellsPrintVerb) {
  const std::string path = dir_ / "letter.txt";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "Dear reader,\r\nthis letter was printed by the text driver.\r\n"));
  const int before = qftest::HighestCupsJobId();
  EXPECT_TRUE(PrintDocument(Request(path, 2)));
  const auto m = Messages();
  EXPECT_NE(std::find(m.begin(), m.end(), "Print \t" + path + "\tSuccessed!"), m.end()) << Log();
  const auto jobs = qftest::FinishedJobsAfter(before, "letter.txt", 1, 150000);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].name, "letter.txt");
}

// Types the table does not know are printed by the shell's "print" verb,
// with no "Print" line; one without a program to print it is kept.
TEST_F(PrintDocumentTest, UnknownExtensionGoesToTheTextDriverWithoutAPrintLine) {
  // This prefix is the test's own: ".qfx" files print like text files.
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.qfx", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("txtfile"), 8);
  RegCloseKey(key);
  const std::string path = dir_ / ("notes-" + std::to_string(GetTickCount()) + ".qfx");
  ASSERT_TRUE(qftest::WriteFileBytes(path, "some notes"));
  const int before = qftest::HighestCupsJobId();
  EXPECT_TRUE(PrintDocument(Request(path, 2)));
  auto m = Messages();
  for (const auto& line : m) EXPECT_EQ(line.rfind("Print \t", 0), std::string::npos) << line;
  EXPECT_EQ(m.front(), "Start Printer Monitor, Printer:" + printer_);
  EXPECT_EQ(m.back(), "End Printer Monitor, Printer:" + printer_);
  const auto jobs = qftest::FinishedJobsAfter(before, NamePartOf(path), 1, 150000);
  EXPECT_EQ(jobs.size(), 1u) << "the text driver printed nothing";

  DeleteFileA(LogFileName.c_str());
  const std::string orphan = dir_ / "orphan.qfz";
  ASSERT_TRUE(qftest::WriteFileBytes(orphan, "no program prints this"));
  EXPECT_TRUE(PrintDocument(Request(orphan, 0)));
  EXPECT_TRUE(qftest::FileExists(orphan));
  m = Messages();
  for (const auto& line : m) EXPECT_EQ(line.rfind("Print ", 0), std::string::npos) << line;
  EXPECT_NE(Log().find("\tText driver: no program could be started to print " + orphan), std::string::npos) << Log();
  EXPECT_NE(std::find(m.begin(), m.end(), "File kept in place:\t" + orphan + "\tit was not printed"), m.end()) << Log();
}

}  // namespace

#include <gtest/gtest.h>
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <vector>

#include "drivers/drivers.h"
#include "engine/formattable.h"
#include "app/base/log.h"
#include "engine/core/processctl.h"
#include "support/folders.h"
#include "support/process_driver.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

namespace {

struct ExtCase {
  const char* path;
  const char* ext;
  int row;  // -1: no row
};

TEST(FormatTable, ExtensionAndLookup) {
  const ExtCase cases[] = {
      {"C:\\Docs\\Report.DOC", ".DOC", 1},
      {"C:\\Docs\\Book.docx", ".docx", 0},
      {"C:\\Docs\\archive.tar.txt", ".txt", 4},
      {"C:\\Docs\\photo.jpeg", ".jpeg", -1},
      {"C:\\Docs\\scan.tiff", ".tiff", -1},
      {"C:\\my.folder\\README", ".folder\\README", -1},
      {"C:\\Docs\\README", " ", -1},
      {"C:\\Docs\\name.", ".", -1},
      {"C:\\Docs\\page.SHTML", ".SHTML", 26},
      {"C:\\Docs\\pic.Png", ".Png", 32},
  };
  for (const auto& c : cases) {
    const std::string ext = GetFileExt(c.path);
    EXPECT_EQ(ext, c.ext) << c.path;
    const FormatStruct* row = FindFormat(ext);
    if (c.row < 0) {
      EXPECT_EQ(row, nullptr) << c.path;
    } else {
      EXPECT_EQ(row, &FormatTable[c.row]) << c.path;
    }
  }
  EXPECT_EQ(FindFormat(".doc")->driver, &PrintWordFile);
  EXPECT_EQ(FindFormat(".txt")->driver, &PrintTextFile);
  EXPECT_EQ(FindFormat(".png")->driver, &PrintImageFile);
  EXPECT_EQ(FindFormat(".pdf")->driver, &PrintPdfFile);
}

TEST(FormatTable, RowsAsStored) {
  ASSERT_EQ(std::size(FormatTable), 33u);
  EXPECT_STREQ(FormatTable[0].description, "DOC Files");
  EXPECT_STREQ(FormatTable[24].extension, ".htm");
  EXPECT_STREQ(FormatTable[24].description, "SHTM Files");
  EXPECT_STREQ(FormatTable[25].description, "SHTML Files");
  EXPECT_STREQ(FormatTable[26].description, "MHT Files");
  EXPECT_STREQ(FormatTable[27].extension, ".mht");
  EXPECT_STREQ(FormatTable[27].description, "HTML Files");
  for (const auto& row : FormatTable) {
    const std::string ext = row.extension;
    EXPECT_EQ(ext, [&] {
      std::string lower = ext;
      std::transform(lower.begin(), lower.end(), lower.begin(), [](char ch) { return static_cast<char>(tolower(ch)); });
      return lower;
    }());
  }
}

TEST(FormatTable, GetFileExtNeverOverrunsItsBuffer) {
  const std::string path = "C:\\x." + std::string(400, 'e');
  char ext[260];
  std::fill(std::begin(ext), std::end(ext), '\0');
  GetFileExt(path.c_str(), ext);
  EXPECT_EQ(std::string(ext).size(), 259u);
  EXPECT_EQ(FindFormat(ext), nullptr);
}

TEST(FormatTable, OpenDialogFilter) {
  const std::string filter = BuildFileFilter();
  std::vector<std::string> parts;
  size_t pos = 0;
  for (;;) {
    const size_t bar = filter.find('|', pos);
    parts.push_back(filter.substr(pos, bar - pos));
    if (bar == std::string::npos) break;
    pos = bar + 1;
  }
  ASSERT_EQ(parts.size(), 68u) << "34 description/pattern pairs";
  EXPECT_EQ(parts[0], "All Supported Files");
  EXPECT_EQ(filter.rfind("All Supported Files|*.docx;*.doc;*.rtf;*.dot;*.txt;", 0), 0u);
  EXPECT_EQ(parts[1].substr(parts[1].size() - 6), "*.png;");
  EXPECT_EQ(parts[2], "DOC Files");
  EXPECT_EQ(parts[3], "*.docx");
  EXPECT_EQ(parts[66], "PNG Files");
  EXPECT_EQ(parts[67], "*.png");
  EXPECT_NE(filter.find("*.png;|DOC Files|*.docx|DOC Files|*.doc|RTF Files|*.rtf|"), std::string::npos);
}

TEST(FormatTable, FolderMasks) {
  std::vector<std::string> items{"already there"};
  AddFileMasks(items);
  ASSERT_EQ(items.size(), 35u);
  EXPECT_EQ(items[1], "All Support Files");
  EXPECT_EQ(items[2], "*.docx");
  EXPECT_EQ(items[34], "*.png");
}

// Two copies of a small waiting program under a name of this test's own.
class ProcessControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = "QfVictim" + std::to_string(GetCurrentProcessId()) + ".exe";
    exe_ = dir_ / name_;
    ASSERT_TRUE(CopyFileA(QF_SLEEPER_EXE, exe_.c_str(), FALSE)) << GetLastError();
    for (auto& p : procs_) ASSERT_TRUE(p.Start(exe_));
    ASSERT_TRUE(BothListed());
  }
  int Running() const {
    int n = 0;
    for (auto& p : procs_) n += p.Running();
    return n;
  }
  // How many processes the system lists under the test's name now.
  int Listed() const {
    int n = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe))
      n += lstrcmpiA(pe.szExeFile, name_.c_str()) == 0;
    CloseHandle(snap);
    return n;
  }
  ::testing::AssertionResult BothListed() const {
    return qftest::WaitFor([&] { return Listed() == 2; }, "both instances to be listed");
  }
  ::testing::AssertionResult Ended(int left) const {
    return qftest::WaitFor([&] { return Running() == left && Listed() == left; },
                           std::to_string(left) + " instance(s) left running");
  }
  std::string Upper() const {
    std::string u = name_;
    std::transform(u.begin(), u.end(), u.begin(), [](char c) { return static_cast<char>(toupper(c)); });
    return u;
  }
  qftest::TempDir dir_;
  std::string name_, exe_;
  qftest::AppProcess procs_[2];
};

TEST_F(ProcessControlTest, FoundWithoutRegardToCase) {
  EXPECT_TRUE(IsProcessRunning(Upper()));
  EXPECT_TRUE(IsProcessRunning(name_));
  EXPECT_FALSE(IsProcessRunning("NoSuchProgram" + name_));
  EXPECT_FALSE(IsProcessRunning(name_.substr(1))) << "names are compared whole";
}

using KillFn = bool (*)(const std::string&);

TEST_F(ProcessControlTest, EachWayEndsOnlyTheFirstInstance) {
  const KillFn ways[] = {&KillProcess, &KillProcessByStatus, &KillProcessBySnapshot};
  for (KillFn kill : ways) {
    for (auto& p : procs_) {
      if (!p.Running()) {
        ASSERT_TRUE(p.Start(exe_));
      }
    }
    ASSERT_TRUE(BothListed());
    ASSERT_EQ(Running(), 2);
    EXPECT_TRUE(kill(Upper()));
    EXPECT_TRUE(Ended(1));
    EXPECT_TRUE(IsProcessRunning(name_)) << "the second instance is still there";
    EXPECT_TRUE(kill(name_));
    EXPECT_TRUE(Ended(0));
    EXPECT_FALSE(IsProcessRunning(name_));
    EXPECT_FALSE(kill(name_));
  }
}

TEST(RecycleFile, A259CharacterPathGoesToTheTrashNotAway) {
  qftest::TempDir dir;
  // Nested folders until the file's full path is exactly 259 characters.
  std::string folder = dir.Path();
  while (folder.size() < 200) {
    folder += "sub" + std::to_string(folder.size()) + "\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  }
  const std::string stem = "recycle-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  std::string path = folder + stem;
  path += std::string(259 - path.size() - 4, 'r') + ".txt";
  ASSERT_EQ(path.size(), 259u);
  const std::string name = path.substr(path.rfind('\\') + 1);
  ASSERT_TRUE(qftest::WriteFileBytes(path, "printed already"));
  EXPECT_TRUE(RecycleFile(path));
  EXPECT_FALSE(qftest::FileExists(path));
  const std::string in_trash = qftest::TrashFilesFolder() + name;
  EXPECT_TRUE(qftest::FileExists(in_trash)) << "not in the trash: " << in_trash;
  EXPECT_EQ(qftest::ReadFileBytes(in_trash), "printed already");
  DeleteFileA(in_trash.c_str());
}

TEST(RecycleFile, TooLongMissingOrLockedFilesStay) {
  qftest::TempDir dir;
  EXPECT_FALSE(RecycleFile(dir / "missing.txt"));
  EXPECT_FALSE(RecycleFile(""));
  const std::string locked = dir / "locked.txt";
  ASSERT_TRUE(qftest::WriteFileBytes(locked, "x"));
  HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(RecycleFile(locked));
  CloseHandle(h);
  EXPECT_TRUE(qftest::FileExists(locked));
  // 260 characters and more: refused, and the file its first 259 characters
  // would name is not touched.
  const std::string long_path = dir.Path() + std::string(300 - dir.Path().size(), 'L');
  const std::string cut = long_path.substr(0, 259);
  ASSERT_TRUE(qftest::WriteFileBytes(cut, "another file"));
  EXPECT_FALSE(RecycleFile(long_path));
  EXPECT_TRUE(qftest::FileExists(cut));
}

TEST(ShowLastError, ShowsTheSystemTextOfTheLastError) {
  auto box = std::async(std::launch::async, [] {
    bool found = false;
    std::string text = qftest::AnswerMessageBox("Error", qftest::kWaitMs, &found);
    return found ? text : std::string("<no message box>");
  });
  SetLastError(ERROR_FILE_NOT_FOUND);
  ShowLastError();
  std::string shown = box.get();
  // A static control shows the text without its closing line break.
  while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r')) shown.pop_back();
  EXPECT_EQ(shown, "File not found.");
}

// While the text driver waits for the program that prints, window messages
// keep running (Stop, the tray and the timers stay alive).
std::atomic<int> g_ticks{0};
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
  ++g_ticks;
}

TEST(TextDriver, WaitForThePrintingProgramLetsMessagesRun) {
  qftest::TempDir dir;
  LogFileName = dir / "Quirefeed.log";
  // A file type of this test's own whose "print" verb runs a program that
  // waits until it is ended.
  const std::string ext = ".qfwait" + std::to_string(GetCurrentProcessId());
  const std::string type = "QfWaitFile" + std::to_string(GetCurrentProcessId());
  const std::string exe = "QfPrinter" + std::to_string(GetCurrentProcessId()) + ".exe";
  ASSERT_TRUE(CopyFileA(QF_SLEEPER_EXE, (dir / exe).c_str(), FALSE));
  const std::string command = "\"" + dir / exe + "\" \"%1\"";
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ext.c_str(), REG_SZ, type.c_str(), 0), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, (type + "\\shell\\print\\command").c_str(), REG_SZ, command.c_str(), 0),
            ERROR_SUCCESS);
  const std::string path = dir / ("letter" + ext);
  ASSERT_TRUE(qftest::WriteFileBytes(path, "text"));

  // The printing program is ended only once it runs and timer messages
  // have run beside the driver's wait for it.
  g_ticks = 0;
  std::atomic<DWORD> ended_at{0};
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, CountTick);
  auto ender = std::async(std::launch::async, [&] {
    const bool started = qftest::WaitFor([&] { return IsProcessRunning(exe); }, "the printing program");
    const bool ticked = qftest::WaitFor([] { return g_ticks >= 10; }, "ten timer messages");
    ended_at = GetTickCount();
    return KillProcess(exe) && started && ticked;
  });
  winkit::TEvent done;
  EXPECT_TRUE(PrintTextFile(path, done)) << qftest::ReadFileBytes(LogFileName);
  const DWORD returned_at = GetTickCount();
  KillTimer(nullptr, timer);
  EXPECT_TRUE(ender.get()) << "the printing program never started, or no message ran while the driver waited";
  EXPECT_NE(ended_at.load(), 0u);
  EXPECT_GE(static_cast<int>(returned_at - ended_at.load()), 0) << "the driver returned before its program ended";

  RegDeleteTreeA(HKEY_CLASSES_ROOT, ext.c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, type.c_str());
}

}  // namespace

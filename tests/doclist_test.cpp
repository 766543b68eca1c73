// The document list on a real list view, and file-list files on real files.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/base/log.h"
#include "doclist/doclist.h"
#include "doclist/filelist.h"
#include "support/listview.h"
#include "support/tempdir.h"

namespace {

using Strings = std::vector<std::string>;

TEST(CompareText, FoldsOnlyTheLettersAToZ) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"report.doc", "REPORT.DOC", 0},
      {"a.txt", "B.txt", -1},
      {"b", "A", 1},
      {"abc", "abcd", -1},
      {"", "", 0},
      // "_" (0x5F) lies above the folded letters (0x41..0x5A)
      {"a", "_", -1},
      {"[", "a", 1},
      // accented letters are not folded: ordinal bytes
      {"\xE9", "\xC9", 1},
  };
  for (const auto& c : cases) {
    const int r = CompareText(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }
}

TEST(ListView1Compare, NamesOrSizesEitherWay) {
  const ListItemPath small{"C:\\z\\Big.txt", 10}, large{"C:\\a\\apple.txt", 3000000000LL};
  EXPECT_GT(ListView1Compare(small, large, 0, true), 0) << "by name part, not by folder";
  EXPECT_LT(ListView1Compare(small, large, 0, false), 0);
  EXPECT_LT(ListView1Compare(small, large, 1, true), 0) << "sizes past 2 GiB still order";
  EXPECT_GT(ListView1Compare(small, large, 1, false), 0);
  EXPECT_EQ(ListView1Compare(small, small, 1, true), 0);
}

// A list view in a hidden window of its own, with the activity log in a
// folder of the test's own.
class DocListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    view_ = window_.Handle();
    list_.Attach(view_);
  }
  void TearDown() override {
    list_.Clear();
    LogFileName.clear();
  }

  // A file of `size` bytes in the test's folder; returns its full path.
  std::string MakeFile(const std::string& name, size_t size = 1) {
    const std::string path = dir_ / name;
    EXPECT_TRUE(qftest::WriteFileBytes(path, std::string(size, 'x')));
    return path;
  }
  Strings Captions() {
    Strings out;
    for (int i = 0; i < list_.Count(); ++i) out.push_back(list_.Caption(i));
    return out;
  }
  std::string Log() { return qftest::ReadFileBytes(LogFileName); }

  qftest::TempDir dir_;
  qftest::TestListView window_;
  HWND view_ = nullptr;
  CDocumentList list_;
};

TEST_F(DocListTest, ARowShowsNameAndSizeAndKeepsTheFullPath) {
  const std::string file = MakeFile("report.txt", 24576);
  ASSERT_EQ(list_.AddFile(file), AddResult::Added);
  ASSERT_EQ(list_.AddFile(file), AddResult::Added) << "the same file twice gives two rows";
  CreateDirectoryA((dir_ / "folder").c_str(), nullptr);
  ASSERT_EQ(list_.AddFile(dir_ / "folder"), AddResult::Added) << "a folder is a row of its own";
  ASSERT_EQ(list_.AddFile(dir_ / "gone.txt"), AddResult::Added);
  EXPECT_EQ(Captions(), (Strings{"report.txt", "report.txt", "folder", "gone.txt"}));
  EXPECT_EQ(list_.SizeText(0), "24576");
  EXPECT_EQ(list_.SizeText(3), "0");
  EXPECT_EQ(list_.Paths(), (Strings{file, file, dir_ / "folder", dir_ / "gone.txt"}));
  EXPECT_EQ(list_.Path(4), "");
  // The size is the one read when the row came in.
  qftest::WriteFileBytes(file, "x");
  EXPECT_EQ(list_.SizeText(0), "24576");
}

TEST_F(DocListTest, EachRowShowsTheIconTheShellGivesTheFile) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string program = dir_ / "tool.exe";
  ASSERT_TRUE(CopyFileA(self, program.c_str(), FALSE));
  CreateDirectoryA((dir_ / "folder").c_str(), nullptr);
  const std::string files[] = {MakeFile("a.txt"), MakeFile("b.jpg"), MakeFile("c.pdf"),   MakeFile("noext"),
                               program,           dir_ / "folder",   dir_ / "missing.doc"};
  for (const auto& f : files) list_.AddFile(f);
  for (int row = 0; row < list_.Count(); ++row) {
    SHFILEINFOA info{};
    SHGetFileInfoA(files[row].c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX);
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(view_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, info.iIcon) << files[row];
  }
}

TEST_F(DocListTest, NamesThatCannotStandForAFileAreRefusedWithALogLine) {
  const std::string longest = "C:\\" + std::string(252, 'a') + ".txt";  // 259 characters
  ASSERT_EQ(longest.size(), 259u);
  constexpr const char* kTooLong = "Add File: the path is longer than 259 characters and was not added: ";
  struct Case {
    std::string path;
    AddResult result;
    std::string line;  // the whole log line after its stamp
  } cases[] = {
      {longest, AddResult::Added, ""},
      {longest + "x", AddResult::TooLong, kTooLong + longest + "x"},
      {"C:\\" + std::string(400, 'b'), AddResult::TooLong, kTooLong + ("C:\\" + std::string(400, 'b'))},
      {"C:\\docs\\?.txt", AddResult::LostCharacters,
       "Add File: the name holds characters the system code page cannot show and was not added: C:\\docs\\?.txt"},
      {"", AddResult::Empty, "Add File: an empty name was skipped"},
  };
  for (const auto& c : cases) {
    const int before = list_.Count();
    const size_t logged = Log().size();
    EXPECT_EQ(list_.AddFile(c.path), c.result) << c.path;
    EXPECT_EQ(list_.Count(), before + (c.result == AddResult::Added ? 1 : 0)) << c.path;
    const std::string added = Log().substr(logged);
    if (c.line.empty()) {
      EXPECT_EQ(added, "") << c.path;
    } else {
      EXPECT_NE(added.find("\t" + c.line + "\r\n"), std::string::npos) << added;
    }
  }
}

TEST_F(DocListTest, RemoveTakesTheSelectedRowsOnly) {
  struct Case {
    std::vector<int> selected;
    Strings left;
  } cases[] = {
      {{1, 3}, {"1", "3", "5"}},   {{0, 1, 2, 3, 4}, {}},   {{}, {"1", "2", "3", "4", "5"}},
      {{4}, {"1", "2", "3", "4"}}, {{0, 2, 4}, {"2", "4"}},
  };
  for (const auto& c : cases) {
    list_.Clear();
    for (const char* n : {"1", "2", "3", "4", "5"}) list_.AddFile(dir_ / n);
    for (int row : c.selected) list_.Select(row, true);
    EXPECT_EQ(list_.SelectedCount(), static_cast<int>(c.selected.size()));
    list_.RemoveSelected();
    EXPECT_EQ(Captions(), c.left);
    Strings paths;
    for (const auto& n : c.left) paths.push_back(dir_ / n);
    EXPECT_EQ(list_.Paths(), paths) << "each row keeps its own path";
  }
}

TEST_F(DocListTest, SelectAllAndClear) {
  for (const char* n : {"a", "b", "c"}) list_.AddFile(dir_ / n);
  list_.SelectAll();
  EXPECT_EQ(list_.SelectedCount(), 3);
  list_.Clear();
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(list_.Path(0), "");
  list_.SelectAll();
  EXPECT_EQ(list_.SelectedCount(), 0);
}

TEST_F(DocListTest, SortBySizeAndByName) {
  list_.AddFile(MakeFile("b.txt", 300));
  list_.AddFile(MakeFile("C.txt", 100));
  list_.AddFile(MakeFile("a.txt", 200));
  list_.Sort(1, true);
  EXPECT_EQ(Captions(), (Strings{"C.txt", "a.txt", "b.txt"}));
  list_.Sort(1, false);
  EXPECT_EQ(Captions(), (Strings{"b.txt", "a.txt", "C.txt"}));
  list_.Sort(0, true);
  EXPECT_EQ(Captions(), (Strings{"a.txt", "b.txt", "C.txt"}));
  EXPECT_EQ(list_.Path(2), dir_ / "C.txt") << "the data moves with its row";
  list_.AddFile(MakeFile("0.txt", 5));
  EXPECT_EQ(list_.Caption(3), "0.txt") << "rows added later go to the end";
}

TEST(FileListText, WrittenWithCrLfAfterEveryLine) {
  EXPECT_EQ(FormatFileList({}), "");
  EXPECT_EQ(FormatFileList({"C:\\Docs\\report.doc", "D:\\Scans\\page1.tif"}),
            "C:\\Docs\\report.doc\r\nD:\\Scans\\page1.tif\r\n");
}

TEST(FileListText, LinesEndAtCrLfCrOrLfAndTheTextAtNul) {
  struct Case {
    std::string text;
    Strings lines;
  } cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      {std::string("\0a", 2), {}},
      {" a \t\r\n", {" a \t"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitFileList(c.text), c.lines) << testing::PrintToString(c.text);
}

class FileListFileTest : public DocListTest {};

TEST_F(FileListFileTest, SaveWritesThePathsAndReplacesAnOldFile) {
  const std::string lst = dir_ / "list.lst";
  SaveFileList(lst, {});
  EXPECT_TRUE(qftest::FileExists(lst));
  EXPECT_EQ(qftest::ReadFileBytes(lst), "");
  ImportFileList(list_, lst);
  EXPECT_EQ(list_.Count(), 0);

  qftest::WriteFileBytes(lst, std::string(5000, 'o'));
  SaveFileList(lst, {"C:\\x.txt"});
  EXPECT_EQ(qftest::ReadFileBytes(lst), "C:\\x.txt\r\n");
}

TEST_F(FileListFileTest, FilesThatCannotBeCreatedOrOpenedRaiseTheirErrors) {
  const std::string nowhere = dir_ / "no\\such\\folder\\list.lst";
  try {
    SaveFileList(nowhere, {"C:\\x.txt"});
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + nowhere);
  }
  try {
    ImportFileList(list_, dir_ / "missing.lst");
    ADD_FAILURE() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir_ / "missing.lst");
  }
  // A list file that another program is writing cannot be opened either.
  const std::string busy = dir_ / "busy.lst";
  qftest::WriteFileBytes(busy, MakeFile("a.txt") + "\r\n");
  HANDLE writer = CreateFileA(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_THROW(ImportFileList(list_, busy), EFOpenError);
  CloseHandle(writer);
  EXPECT_EQ(list_.Count(), 0);
  ImportFileList(list_, busy);
  EXPECT_EQ(list_.Count(), 1);
}

TEST_F(FileListFileTest, ImportAddsExistingFilesInOrderWhateverTheLineEnds) {
  const std::string a = MakeFile("a.txt", 10), c = MakeFile("c.txt", 30);
  CreateDirectoryA((dir_ / "sub").c_str(), nullptr);
  const std::string missing = dir_ / "b.txt";
  for (const char* end : {"\r\n", "\n", "\r"}) {
    list_.Clear();
    const std::string lst = dir_ / "list.lst";
    qftest::WriteFileBytes(lst, a + end + missing + end + end + (dir_ / "sub") + end + c);
    ImportFileList(list_, lst);
    EXPECT_EQ(list_.Paths(), (Strings{a, c})) << testing::PrintToString(end);
    EXPECT_EQ(list_.SizeText(1), "30");
  }
  // Importing again appends the same rows once more.
  ImportFileList(list_, dir_ / "list.lst");
  EXPECT_EQ(list_.Paths(), (Strings{a, c, a, c}));
}

TEST_F(FileListFileTest, SavedListComesBackAndSkipsFilesDeletedMeanwhile) {
  const std::string a = MakeFile("a.txt"), b = MakeFile("b.txt"), c = MakeFile("c.txt");
  for (const auto& p : {a, b, c}) list_.AddFile(p);
  const std::string lst = dir_ / "saved.lst";
  SaveFileList(lst, list_.Paths());
  EXPECT_EQ(qftest::ReadFileBytes(lst), a + "\r\n" + b + "\r\n" + c + "\r\n");
  DeleteFileA(b.c_str());
  list_.Clear();
  ImportFileList(list_, lst);
  EXPECT_EQ(list_.Paths(), (Strings{a, c}));
}

TEST_F(FileListFileTest, NulEndsTheText) {
  const std::string a = MakeFile("a.txt"), b = MakeFile("b.txt");
  const std::string lst = dir_ / "stops.lst";
  qftest::WriteFileBytes(lst, a + "\r\n" + std::string(1, '\0') + b + "\r\n");
  ImportFileList(list_, lst);
  EXPECT_EQ(list_.Paths(), (Strings{a}));
}

TEST_F(FileListFileTest, GarbageAndOverlongLinesImportWhatTheyCanAndNeverCutAPath) {
  // A file whose full path is exactly 259 characters: the longest a path
  // may be. A line naming it plus more must not be cut back to it.
  const std::string folder = dir_.Path();
  std::string exact = folder + std::string(259 - folder.size() - 4, 'n') + ".txt";
  ASSERT_EQ(exact.size(), 259u);
  ASSERT_TRUE(qftest::WriteFileBytes(exact, "x"));
  const std::string good = MakeFile("good.txt");

  std::string garbage;
  unsigned seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245 + 12345;
    const char byte = static_cast<char>((seed >> 16) & 0xFF);
    garbage.push_back(byte == 0 ? 'z' : byte);
  }
  const std::string lst = dir_ / "bad.lst";
  qftest::WriteFileBytes(lst, garbage + "\r\n" + exact + std::string(41, 'X') + "\r\n" + std::string(300, 'p') + "\n" +
                                  exact + "\n" + std::string(70000, 'q') + "\r" + good + "\r\n");
  ImportFileList(list_, lst);
  EXPECT_EQ(list_.Paths(), (Strings{exact, good}));
  const std::string log = Log();
  EXPECT_NE(log.find("a line of 300 characters is longer than a path can be and was skipped: " + exact.substr(0, 100) +
                     "..."),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("a line of 70000 characters"), std::string::npos);
}

}  // namespace

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "app/base/inifile.h"
#include "app/base/log.h"
#include "support/tempdir.h"
#include "tasks/settings/devfile.h"
#include "tasks/settings/printaction.h"
#include "tasks/settings/taskfile.h"

namespace {

constexpr const char* kLongQueue = "Quirefeed_Test_Printer_With_A_Long_Name";

TEST(DevText, RoundTripsEveryByteAndGrowsByTheLineFeeds) {
  const Bytes cases[] = {
      {}, {0x0A}, {0x0D}, {0x0D, 0x0A}, {0x0D, 0x0D, 0x0A}, {0x1A, 0x00, 0xFF, 0x0A, 0x0A, 0x0D},
  };
  for (const Bytes& raw : cases) {
    const Bytes text = EncodeDevText(raw);
    size_t lf = 0;
    for (auto b : raw) lf += b == 0x0A;
    EXPECT_EQ(text.size(), raw.size() + lf);
    EXPECT_EQ(DecodeDevText(text), raw);
  }
  EXPECT_EQ(EncodeDevText({0x41, 0x0A}), (Bytes{0x41, 0x0D, 0x0A}));
  EXPECT_EQ(DecodeDevText({0x0D, 0x0D, 0x0A, 0x1A}), (Bytes{0x0D, 0x0A, 0x1A}));
}

class TaskFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    ErrorFileName = dir_ / "Quirefeed.err";
    ini_ = dir_ / "quirefeed.ini";
    ASSERT_TRUE(DefaultPrinterSettings(default_devmode_, default_name_)) << "the tests need a default printer";
    // What the test scripts make every Wine process's default printer.
    ASSERT_EQ(default_name_, "PDF");
  }

  CPrintAction SampleTask(int n) {
    CPrintAction t;
    SetField(t.Data->FileExt, "*.doc");
    SetField(t.Data->Folder, "C:\\watch\\" + std::to_string(n));
    SetField(t.Data->MoveToFolder, "C:\\printed\\" + std::to_string(n));
    t.Data->Action = n % 3;
    t.Data->MoveFailed = n % 2 == 1;
    std::strcpy(t.Separator.data(), "C:\\sep.txt");
    t.SetDevMode(reinterpret_cast<const DEVMODEA*>(default_devmode_.data()), default_devmode_.size());
    return t;
  }

  static void ExpectSame(const CPrintAction& a, const CPrintAction& b) {
    EXPECT_STREQ(a.Data->FileExt, b.Data->FileExt);
    EXPECT_STREQ(a.Data->PrinterName, b.Data->PrinterName);
    EXPECT_STREQ(a.Data->Folder, b.Data->Folder);
    EXPECT_STREQ(a.Data->MoveToFolder, b.Data->MoveToFolder);
    EXPECT_EQ(a.Data->Action, b.Data->Action);
    EXPECT_EQ(a.Data->MoveFailed, b.Data->MoveFailed);
    EXPECT_STREQ(a.Separator.data(), b.Separator.data());
    EXPECT_EQ(a.DevMode, b.DevMode);
  }

  qftest::TempDir dir_;
  std::string ini_;
  std::vector<std::uint8_t> default_devmode_;
  std::string default_name_;
};

TEST_F(TaskFileTest, SavedTaskLoadsIdenticalEvenWithLineBreakBytesInItsSettings) {
  CPrintAction task = SampleTask(1);
  // Bytes a text stream could mangle, in the form name and the driver's part.
  auto* dm = reinterpret_cast<DEVMODEA*>(task.DevMode.data());
  dm->dmFormName[0] = 0x0A;
  dm->dmFormName[1] = 0x0D;
  dm->dmFormName[2] = 0x1A;
  dm->dmFormName[3] = 0x0D;
  dm->dmFormName[4] = 0x0D;
  dm->dmFormName[5] = 0x0A;
  if (dm->dmDriverExtra) task.DevMode[dm->dmSize] = 0x0A;
  ASSERT_TRUE(WriteTask(task, ini_, "0"));
  const std::string file = qftest::ReadFileBytes(dir_ / "0.dev");
  EXPECT_GT(file.size(), task.DevMode.size());

  CPrintAction back;
  ASSERT_TRUE(ReadTask(back, ini_, "0"));
  ExpectSame(task, back);
}

// The move-to folder is written as "Move To Folder" and looked up as "Move
// to Folder": the two meet because key names match whatever their case.
TEST_F(TaskFileTest, MoveToFolderIsWrittenAndReadUnderItsTwoSpellings) {
  ASSERT_TRUE(WriteTask(SampleTask(2), ini_, "0"));
  EXPECT_NE(qftest::ReadFileBytes(ini_).find("\nMove To Folder=C:\\printed\\2\r\n"), std::string::npos)
      << qftest::ReadFileBytes(ini_);

  // A file written by hand under either spelling (or another case) is read.
  for (const char* key : {"Move To Folder", "Move to Folder", "MOVE TO FOLDER"}) {
    ASSERT_TRUE(qftest::WriteFileBytes(ini_, "[0]\r\nFolder=C:\\in\r\n" + std::string(key) + "=C:\\out\r\n"));
    CPrintAction back;
    ASSERT_TRUE(ReadTask(back, ini_, "0"));
    EXPECT_STREQ(back.Data->Folder, "C:\\in") << key;
    EXPECT_STREQ(back.Data->MoveToFolder, "C:\\out") << key;
  }

  // Saved over the other spelling, the task still has one such key, with
  // the new folder.
  ASSERT_TRUE(qftest::WriteFileBytes(ini_, "[0]\r\nMove to Folder=C:\\old\r\n"));
  ASSERT_TRUE(WriteTask(SampleTask(2), ini_, "0"));
  std::string file = qftest::ReadFileBytes(ini_);
  std::transform(file.begin(), file.end(), file.begin(), [](unsigned char ch) { return std::tolower(ch); });
  const size_t first = file.find("move to folder=");
  ASSERT_NE(first, std::string::npos) << file;
  EXPECT_EQ(file.find("move to folder=", first + 1), std::string::npos) << "the key is in the file twice:\n" << file;
  CPrintAction back;
  ASSERT_TRUE(ReadTask(back, ini_, "0"));
  EXPECT_STREQ(back.Data->MoveToFolder, "C:\\printed\\2");
}

TEST_F(TaskFileTest, SavingFewerTasksRemovesTheRestAndKeepsOtherSections) {
  CIniFile ini(ini_);
  ini.WriteString("Html", "Header", "&w&bPage &p");
  std::vector<CPrintAction> five;
  for (int i = 0; i < 5; ++i) five.push_back(SampleTask(i));
  SaveTasks(five, ini_);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(qftest::FileExists(dir_ / (std::to_string(i) + ".dev")));

  std::vector<CPrintAction> three(five.begin(), five.begin() + 3);
  SaveTasks(three, ini_);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(qftest::FileExists(dir_ / (std::to_string(i) + ".dev")), i < 3) << i;
  EXPECT_EQ(ini.ReadInteger("Tasks", "Count", -1), 3);
  EXPECT_FALSE(ini.ValueExists("3", "Folder"));
  EXPECT_FALSE(ini.ValueExists("4", "Folder"));
  EXPECT_EQ(ini.ReadString("Html", "Header", ""), "&w&bPage &p");

  std::vector<CPrintAction> loaded;
  LoadTasks(loaded, ini_);
  ASSERT_EQ(loaded.size(), 3u);
  for (int i = 0; i < 3; ++i) ExpectSame(loaded[i], three[i]);

  SaveTasks({}, ini_);
  EXPECT_EQ(ini.ReadInteger("Tasks", "Count", -1), 0);
  EXPECT_FALSE(qftest::FileExists(dir_ / "0.dev"));
}

TEST_F(TaskFileTest, CountBeyondTheSectionsGivesDefaultTasks) {
  CIniFile ini(ini_);
  ini.WriteInteger("Tasks", "Count", 2);
  std::vector<CPrintAction> loaded;
  LoadTasks(loaded, ini_);
  ASSERT_EQ(loaded.size(), 2u);
  for (const auto& t : loaded) {
    EXPECT_EQ(std::string(t.Data->PrinterName), default_name_);
    EXPECT_STREQ(t.Data->Folder, "");
    EXPECT_STREQ(t.Data->FileExt, "");
    EXPECT_EQ(t.Data->Action, 0);
    EXPECT_FALSE(t.Data->MoveFailed);
    EXPECT_EQ(t.DevMode, default_devmode_);
  }
}

TEST_F(TaskFileTest, MissingFileOrSectionMeansNoTasks) {
  std::vector<CPrintAction> loaded;
  LoadTasks(loaded, ini_);
  EXPECT_TRUE(loaded.empty());
  qftest::WriteFileBytes(ini_, "[Html]\r\nHeader=x\r\n");
  LoadTasks(loaded, ini_);
  EXPECT_TRUE(loaded.empty());
}

TEST_F(TaskFileTest, TaskWithoutItsSettingsFileTakesTheDefaultPrinter) {
  CPrintAction task = SampleTask(1);
  SetField(task.Data->PrinterName, "Some Printer Elsewhere");
  ASSERT_TRUE(WriteTask(task, ini_, "0"));
  ASSERT_TRUE(DeleteFileA((dir_ / "0.dev").c_str()));
  CPrintAction back;
  ASSERT_TRUE(ReadTask(back, ini_, "0"));
  EXPECT_EQ(std::string(back.Data->PrinterName), default_name_);
  EXPECT_EQ(back.DevMode, default_devmode_);
  EXPECT_STREQ(back.Data->Folder, "C:\\watch\\1");
}

// Settings that cannot be read in full never reach a printer, and never
// move the task to another printer: it keeps its own printer, with that
// printer's default settings.
TEST_F(TaskFileTest, DamagedOrHeldSettingsFileKeepsTheTasksPrinter) {
  std::vector<std::uint8_t> own_defaults;
  ASSERT_TRUE(GetPrinterDefaults(kLongQueue, own_defaults));
  ASSERT_NE(own_defaults, default_devmode_) << "the test needs settings that differ from the default printer's";
  CPrintAction task = SampleTask(1);
  SetField(task.Data->PrinterName, kLongQueue);
  ASSERT_TRUE(WriteTask(task, ini_, "0"));
  const std::string whole = qftest::ReadFileBytes(dir_ / "0.dev");
  struct Case {
    const char* what;
    std::string bytes;
    bool held;
  } cases[] = {
      {"empty", "", false},
      {"shorter than a header", std::string(20, 'x'), false},
      {"cut short of dmSize + dmDriverExtra", whole.substr(0, whole.size() / 2), false},
      {"held by another program", whole, true},
  };
  for (const auto& c : cases) {
    DeleteFileA(ErrorFileName.c_str());
    ASSERT_TRUE(qftest::WriteFileBytes(dir_ / "0.dev", c.bytes));
    HANDLE h = c.held ? CreateFileA((dir_ / "0.dev").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                      : INVALID_HANDLE_VALUE;
    CPrintAction back;
    EXPECT_TRUE(ReadTask(back, ini_, "0"));
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    EXPECT_STREQ(back.Data->PrinterName, kLongQueue) << c.what;
    EXPECT_EQ(back.DevMode, own_defaults) << c.what;
    EXPECT_STREQ(back.Data->Folder, "C:\\watch\\1") << c.what;
    const std::string errors = qftest::ReadFileBytes(ErrorFileName);
    EXPECT_NE(errors.find("Read Printer Configure Error! " + std::string(kLongQueue)), std::string::npos) << c.what;
  }

  // A printer that is gone: the task keeps its name and no settings at all.
  SetField(task.Data->PrinterName, "Printer Long Since Removed");
  ASSERT_TRUE(WriteTask(task, ini_, "0"));
  ASSERT_TRUE(qftest::WriteFileBytes(dir_ / "0.dev", "damaged"));
  DeleteFileA(ErrorFileName.c_str());
  CPrintAction back;
  EXPECT_TRUE(ReadTask(back, ini_, "0"));
  EXPECT_STREQ(back.Data->PrinterName, "Printer Long Since Removed");
  EXPECT_TRUE(back.DevMode.empty());
  EXPECT_NE(qftest::ReadFileBytes(ErrorFileName).find("the printer Printer Long Since Removed cannot be opened"),
            std::string::npos);
}

// A crash between writing the new set and removing the stale one, or in the
// middle of writing, still leaves a list that loads.
TEST_F(TaskFileTest, CrashWhileSavingLeavesALoadableTaskList) {
  std::vector<CPrintAction> five;
  for (int i = 0; i < 5; ++i) five.push_back(SampleTask(i));
  SaveTasks(five, ini_);
  std::vector<CPrintAction> three;
  for (int i = 10; i < 13; ++i) three.push_back(SampleTask(i));

  // Only the first new task reached the disk.
  ASSERT_TRUE(WriteTask(three[0], ini_, "0"));
  std::vector<CPrintAction> loaded;
  LoadTasks(loaded, ini_);
  ASSERT_EQ(loaded.size(), 5u);
  ExpectSame(loaded[0], three[0]);
  for (int i = 1; i < 5; ++i) ExpectSame(loaded[i], five[i]);

  // The whole new set, nothing removed yet.
  WriteTaskSet(three, ini_);
  loaded.clear();
  LoadTasks(loaded, ini_);
  ASSERT_EQ(loaded.size(), 3u);
  for (int i = 0; i < 3; ++i) ExpectSame(loaded[i], three[i]);
  EXPECT_TRUE(qftest::FileExists(dir_ / "4.dev")) << "nothing is removed before the new set is written";

  RemoveStaleTasks(three.size(), ini_);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(qftest::FileExists(dir_ / (std::to_string(i) + ".dev")), i < 3) << i;
  EXPECT_FALSE(CIniFile(ini_).ValueExists("4", "Folder"));
}

// A damaged "Count" reads the task sections the file holds, not billions.
TEST_F(TaskFileTest, HugeCountReadsOnlyTheSectionsPresent) {
  std::vector<CPrintAction> two = {SampleTask(1), SampleTask(2)};
  SaveTasks(two, ini_);
  CIniFile(ini_).WriteInteger("Tasks", "Count", 2147483647);
  std::vector<CPrintAction> loaded;
  LoadTasks(loaded, ini_);
  ASSERT_EQ(loaded.size(), 2u);
  for (int i = 0; i < 2; ++i) ExpectSame(loaded[i], two[i]);
  EXPECT_NE(qftest::ReadFileBytes(ErrorFileName).find("\"Count\" is 2147483647"), std::string::npos);

  CIniFile(ini_).WriteInteger("Tasks", "Count", -5);
  loaded.clear();
  LoadTasks(loaded, ini_);
  EXPECT_TRUE(loaded.empty());
}

// WriteTask says when the task could not be written.
TEST_F(TaskFileTest, TaskThatCannotBeWrittenIsReported) {
  const std::string nowhere = dir_ / "no such folder\\quirefeed.ini";
  EXPECT_FALSE(WriteTask(SampleTask(1), nowhere, "0"));
  EXPECT_NE(qftest::ReadFileBytes(ErrorFileName).find("Task 0 could not be written to " + nowhere), std::string::npos);
  EXPECT_TRUE(WriteTask(SampleTask(1), ini_, "0"));
}

TEST_F(TaskFileTest, OverlongValuesAreNotCutIntoOtherPaths) {
  CIniFile ini(ini_);
  ini.WriteInteger("Tasks", "Count", 1);
  const std::string long_folder = "C:\\" + std::string(300, 'f');
  ini.WriteString("0", "Folder", long_folder);
  ini.WriteString("0", "Separator", std::string(270, 's'));
  ini.WriteString("0", "FileExt", "*.txt");
  std::vector<CPrintAction> loaded;
  LoadTasks(loaded, ini_);
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_STREQ(loaded[0].Data->Folder, "");
  EXPECT_STREQ(loaded[0].Separator.data(), "");
  EXPECT_STREQ(loaded[0].Data->FileExt, "*.txt");
  const std::string errors = qftest::ReadFileBytes(ErrorFileName);
  EXPECT_NE(errors.find("\"Folder\" is longer than 259 characters"), std::string::npos) << errors;
  EXPECT_NE(errors.find("\"Separator\" is longer than 259 characters"), std::string::npos) << errors;
}

TEST_F(TaskFileTest, CopiesAreDeep) {
  CPrintAction a = SampleTask(1);
  CPrintAction b = a;
  ExpectSame(a, b);
  b.DevMode[0] ^= 0xFF;
  b.Data->Folder[0] = 'Z';
  EXPECT_NE(a.DevMode[0], b.DevMode[0]);
  EXPECT_NE(a.Data->Folder[0], b.Data->Folder[0]);
}

TEST(SetDevMode, CompletesACutDeviceNameFromTheInstalledPrinters) {
  std::vector<std::uint8_t> dm_bytes;
  std::string name;
  ASSERT_TRUE(DefaultPrinterSettings(dm_bytes, name));
  auto* dm = reinterpret_cast<DEVMODEA*>(dm_bytes.data());

  struct Case {
    std::string device;
    std::string expected;
  } cases[] = {
      {std::string(kLongQueue).substr(0, 31), kLongQueue},
      {name, name},
      {"No Such Printer Here", "No Such Printer Here"},
  };
  for (const auto& c : cases) {
    std::memset(dm->dmDeviceName, 0, sizeof dm->dmDeviceName);
    std::memcpy(dm->dmDeviceName, c.device.data(), std::min<size_t>(c.device.size(), 32));
    CPrintAction t;
    t.SetDevMode(dm, dm_bytes.size());
    EXPECT_EQ(std::string(t.Data->PrinterName), c.expected);
    EXPECT_EQ(t.DevMode.size(), size_t{dm->dmSize} + dm->dmDriverExtra);
  }
  // A cut name is compared case-sensitively.
  std::string lower = std::string(kLongQueue).substr(0, 31);
  for (char& ch : lower) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
  std::memset(dm->dmDeviceName, 0, sizeof dm->dmDeviceName);
  std::memcpy(dm->dmDeviceName, lower.data(), lower.size());
  CPrintAction t;
  t.SetDevMode(dm, dm_bytes.size());
  EXPECT_EQ(std::string(t.Data->PrinterName), lower);
}

}  // namespace

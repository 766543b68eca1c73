#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/startup.h"
#include "support/regroot.h"
#include "support/tempdir.h"
#include "winkit/handles.h"

namespace {

TEST(PdfReaderUpdates, NothingIsCreatedWhereNoReaderKeyExists) {
  qftest::RegistryRoot root;
  AdjustPdfReaderUpdates(root.get());
  EXPECT_EQ(root.SubKeyCount(), 0u);
}

TEST(PdfReaderUpdates, ExistingKeysGetTheirValues) {
  qftest::RegistryRoot root;
  root.CreateKey("Software\\Adobe\\Adobe Acrobat\\6.0\\Updater");
  root.CreateKey("Software\\Adobe\\Acrobat Reader\\6.0\\Updater");
  root.CreateKey("Software\\Adobe\\Acrobat Reader\\7.0\\Updater");
  AdjustPdfReaderUpdates(root.get());
  struct Expect {
    const char* key;
    const char* name;
    DWORD value;
  } expected[] = {
      {"Software\\Adobe\\Adobe Acrobat\\6.0\\Updater", "bShowNotifDialog", 0},
      {"Software\\Adobe\\Adobe Acrobat\\6.0\\Updater", "iUpdateFrequency", 3},
      {"Software\\Adobe\\Adobe Acrobat", "iUpdateFrequency", 3},
      {"Software\\Adobe\\Acrobat Reader\\6.0\\Updater", "bShowNotifDialog", 0},
      {"Software\\Adobe\\Acrobat Reader\\6.0\\Updater", "iUpdateFrequency", 3},
      {"Software\\Adobe\\Acrobat Reader\\6.0\\Updater", "bShowAutoUpdateConfDialog", 0},
  };
  for (const auto& e : expected) {
    DWORD v = 99;
    ASSERT_TRUE(root.Dword(e.key, e.name, v)) << e.key << " " << e.name;
    EXPECT_EQ(v, e.value) << e.key << " " << e.name;
  }
  DWORD v = 0;
  EXPECT_FALSE(root.Dword("Software\\Adobe\\Acrobat Reader\\7.0\\Updater", "iUpdateFrequency", v));
}

TEST(StartupSettings, ReadWithDefaultsForWhatIsMissing) {
  qftest::RegistryRoot root;
  StartupSettings s = ReadStartupSettings(root.get(), "SOFTWARE\\Quirefeed");
  EXPECT_FALSE(s.StartInWatchMode);
  EXPECT_EQ(s.WatchSort, 0);
  EXPECT_FALSE(root.KeyExists("SOFTWARE\\Quirefeed")) << "reading created the key";
  root.CreateKey("SOFTWARE\\Quirefeed");
  winkit::RegKey k;
  RegOpenKeyExA(root.get(), "SOFTWARE\\Quirefeed", 0, KEY_ALL_ACCESS, k.put());
  const DWORD three = 3;
  RegSetValueExA(k.get(), "Sort", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&three), sizeof three);
  s = ReadStartupSettings(root.get(), "SOFTWARE\\Quirefeed");
  EXPECT_FALSE(s.StartInWatchMode);
  EXPECT_EQ(s.WatchSort, 3);
}

TEST(ActivityLogTrim, OnlyALogLargerThanOneMebibyteIsDeleted) {
  qftest::TempDir dir;
  struct Case {
    size_t size;
    bool deleted;
  } cases[] = {{0, false}, {1048575, false}, {1048576, false}, {1048577, true}, {2000000, true}};
  for (const auto& c : cases) {
    const std::string log = dir / "Quirefeed.log";
    ASSERT_TRUE(qftest::WriteFileBytes(log, std::string(c.size, 'x')));
    EXPECT_EQ(TrimActivityLog(log), c.deleted) << c.size;
    EXPECT_EQ(qftest::FileExists(log), !c.deleted) << c.size;
  }
  EXPECT_FALSE(TrimActivityLog(dir / "missing.log"));
}

}  // namespace

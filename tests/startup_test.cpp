#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/startup.h"
#include "support/tempdir.h"
#include "winkit/handles.h"

namespace {

// A registry tree of the test's own below HKCU, standing for HKCU itself.
class RegistryRoot {
 public:
  RegistryRoot() {
    path_ = "Software\\QuirefeedTests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
  }
  ~RegistryRoot() {
    key_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  }
  HKEY get() const { return key_.get(); }
  void CreateKey(const char* sub) {
    winkit::RegKey k;
    RegCreateKeyExA(key_.get(), sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
  }
  bool Dword(const char* sub, const char* name, DWORD& v) {
    DWORD size = sizeof v, type = 0;
    return RegGetValueA(key_.get(), sub, name, RRF_RT_ANY, &type, &v, &size) == ERROR_SUCCESS && type == REG_DWORD;
  }
  bool KeyExists(const char* sub) {
    winkit::RegKey k;
    return RegOpenKeyExA(key_.get(), sub, 0, KEY_READ, k.put()) == ERROR_SUCCESS;
  }
  DWORD SubKeyCount() {
    DWORD n = 0;
    RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return n;
  }

 private:
  std::string path_;
  winkit::RegKey key_;
};

TEST(PdfReaderUpdates, NothingIsCreatedWhereNoReaderKeyExists) {
  RegistryRoot root;
  AdjustPdfReaderUpdates(root.get());
  EXPECT_EQ(root.SubKeyCount(), 0u);
}

TEST(PdfReaderUpdates, ExistingKeysGetTheirValues) {
  RegistryRoot root;
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
  RegistryRoot root;
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

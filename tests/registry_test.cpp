// The registry object over a real registry tree of the test's own.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/base/registry.h"
#include "support/regroot.h"

namespace {

void SetRaw(HKEY root, const char* sub, const char* name, DWORD type, const void* data, DWORD size) {
  winkit::RegKey k;
  ASSERT_EQ(RegCreateKeyExA(root, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(k.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

TEST(Registry, OpenWithoutCreateLeavesAMissingKeyMissing) {
  qftest::RegistryRoot root;
  CRegistry reg(root.get(), KEY_READ);
  EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Quirefeed", false));
  EXPECT_FALSE(reg.IsOpen());
  EXPECT_FALSE(root.KeyExists("SOFTWARE\\Quirefeed"));
  // Reads on no key give the defaults.
  EXPECT_EQ(reg.ReadInteger("Sort", 7), 7);
  EXPECT_TRUE(reg.ReadBool("StartUp", true));
  EXPECT_EQ(reg.ReadString("header", "def"), "def");
  EXPECT_FALSE(reg.ValueExists("Sort"));

  CRegistry writer(root.get(), KEY_ALL_ACCESS);
  ASSERT_TRUE(writer.OpenKey("SOFTWARE\\Quirefeed", true));
  EXPECT_TRUE(root.KeyExists("SOFTWARE\\Quirefeed"));
  EXPECT_TRUE(writer.KeyExists("SOFTWARE\\Quirefeed"));
  EXPECT_FALSE(writer.KeyExists("SOFTWARE\\Other"));
}

TEST(Registry, ValuesComeBackAsWritten) {
  qftest::RegistryRoot root;
  CRegistry reg(root.get());
  ASSERT_TRUE(reg.OpenKey("K", true));
  EXPECT_TRUE(reg.WriteInteger("Sort", 3));
  EXPECT_TRUE(reg.WriteInteger("Negative", -5));
  EXPECT_TRUE(reg.WriteBool("StartUp", true));
  EXPECT_TRUE(reg.WriteString("header", "&w&bPage &p of &P"));
  EXPECT_TRUE(reg.WriteString("empty", ""));
  const std::string long_text(5000, 'x');
  EXPECT_TRUE(reg.WriteString("long", long_text));

  CRegistry reader(root.get(), KEY_READ);
  ASSERT_TRUE(reader.OpenKey("K", false));
  EXPECT_EQ(reader.ReadInteger("Sort", 0), 3);
  EXPECT_EQ(reader.ReadInteger("Negative", 0), -5);
  EXPECT_TRUE(reader.ReadBool("StartUp", false));
  EXPECT_EQ(reader.ReadString("header", "?"), "&w&bPage &p of &P");
  EXPECT_EQ(reader.ReadString("empty", "?"), "");
  EXPECT_EQ(reader.ReadString("long", ""), long_text);
  DWORD v = 0;
  ASSERT_TRUE(root.Dword("K", "StartUp", v));
  EXPECT_EQ(v, 1u);
  // A reader may not write.
  EXPECT_FALSE(reader.WriteInteger("Sort", 1));
  EXPECT_EQ(reader.ReadInteger("Sort", 0), 3);
}

TEST(Registry, ValuesOfAnotherTypeReadAsTheDefault) {
  qftest::RegistryRoot root;
  const char text[] = "1";
  const DWORD one = 1;
  const unsigned long long wide = 1;
  const char unterminated[3] = {'a', 'b', 'c'};
  SetRaw(root.get(), "K", "text", REG_SZ, text, sizeof text);
  SetRaw(root.get(), "K", "dword", REG_DWORD, &one, sizeof one);
  SetRaw(root.get(), "K", "qword", REG_QWORD, &wide, sizeof wide);
  SetRaw(root.get(), "K", "binary", REG_BINARY, &one, sizeof one);
  SetRaw(root.get(), "K", "raw", REG_SZ, unterminated, sizeof unterminated);
  CRegistry reg(root.get(), KEY_READ);
  ASSERT_TRUE(reg.OpenKey("K", false));
  EXPECT_EQ(reg.ReadInteger("text", 9), 9);
  EXPECT_EQ(reg.ReadInteger("qword", 9), 9);
  EXPECT_EQ(reg.ReadInteger("binary", 9), 9);
  EXPECT_EQ(reg.ReadString("dword", "d"), "d");
  EXPECT_EQ(reg.ReadString("raw", "d"), "abc") << "a string stored without its zero";
  EXPECT_TRUE(reg.ValueExists("binary"));
  EXPECT_FALSE(reg.ValueExists("missing"));
}

TEST(Registry, DeletingAValueSucceedsAlsoWhenItIsNotThere) {
  qftest::RegistryRoot root;
  CRegistry reg(root.get());
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true));
  ASSERT_TRUE(reg.WriteString("Quirefeed", "C:\\x\\Quirefeed.exe"));
  EXPECT_TRUE(reg.ValueExists("Quirefeed"));
  EXPECT_TRUE(reg.DeleteValue("Quirefeed"));
  EXPECT_FALSE(reg.ValueExists("Quirefeed"));
  EXPECT_TRUE(reg.DeleteValue("Quirefeed"));
  reg.CloseKey();
  EXPECT_FALSE(reg.DeleteValue("Quirefeed")) << "no key is open";
}

}  // namespace

// The browser's page setup around runs, on a registry tree and settings file
// of the test's own; the margin key filter.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>

#include "app/base/inifile.h"
#include "app/base/registry.h"
#include "drivers/hoptionfrm.h"
#include "drivers/pagesetup.h"
#include "support/regroot.h"
#include "support/tempdir.h"

namespace {

TEST(Edit3KeyPress, DigitsOneDotAndControlKeysPass) {
  struct Case {
    const char* text;
    char key;
    char result;
  } cases[] = {
      {"", '1', '1'}, {"1", '.', '.'},     {"1.", '5', '5'},     {"1.5", '.', 0},      {"", 'a', 0},
      {"12", 'Z', 0}, {"1.5", '\b', '\b'}, {"", '\x7F', '\x7F'}, {"", '\x01', '\x01'}, {"", '-', 0},
      {"", ',', 0},   {"", ' ', 0},        {"", '\xE9', 0},      {"", '9', '9'},       {"", '0', '0'},
  };
  for (const auto& c : cases) {
    char key = c.key;
    Edit3KeyPress(c.text, key);
    EXPECT_EQ(key, c.result) << "text \"" << c.text << "\" key " << int(static_cast<unsigned char>(c.key));
  }
}

TEST(Edit3KeyPress, TypingOneDotFiveDotZeroGivesOnePointFifty) {
  std::string text;
  for (char key : std::string("1.5.0")) {
    Edit3KeyPress(text, key);
    if (key) text += key;
  }
  EXPECT_EQ(text, "1.50");
}

class PageSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    place_.root = root_.get();
    place_.browser_key = "Software\\Microsoft\\Internet Explorer\\PageSetup";
    place_.ini_file = dir_ / "quirefeed.ini";
  }
  void SetBrowser(const char* name, const std::string& value) {
    CRegistry reg(root_.get());
    ASSERT_TRUE(reg.OpenKey(place_.browser_key, true));
    ASSERT_TRUE(reg.WriteString(name, value));
  }
  // The browser's value, or "<missing>".
  std::string Browser(const char* name) {
    CRegistry reg(root_.get(), KEY_READ);
    if (!reg.OpenKey(place_.browser_key, false) || !reg.ValueExists(name)) return "<missing>";
    return reg.ReadString(name, "");
  }
  void SetUserValues() {
    SetBrowser("header", "&w&bPage &p of &P");
    SetBrowser("footer", "&u&b&d");
    SetBrowser("margin_left", "0.750000");
    SetBrowser("margin_right", "0.750000");
    SetBrowser("margin_top", "0.750000");
    SetBrowser("margin_bottom", "0.750000");
  }

  qftest::RegistryRoot root_;
  qftest::TempDir dir_;
  PageSetupPlace place_;
};

TEST_F(PageSetupTest, ProgramValuesHoldDuringTheRunAndTheUsersComeBack) {
  SetUserValues();
  CIniFile ini(place_.ini_file);
  ini.WriteString("Html", "Header", "Quirefeed");
  ini.WriteString("Html", "margin_top", "19.05");
  PageSetupValues saved;
  ApplyHtmlPageSetup(place_, saved);
  EXPECT_EQ(Browser("header"), "Quirefeed");
  EXPECT_EQ(Browser("margin_top"), "19.05");
  EXPECT_EQ(Browser("footer"), "&u&b&d") << "a key missing from the section keeps the browser's value";
  EXPECT_EQ(saved.header, "&w&bPage &p of &P");
  EXPECT_EQ(saved.margin_top, "0.750000");
  RestoreHtmlPageSetup(place_, saved);
  EXPECT_EQ(Browser("header"), "&w&bPage &p of &P");
  EXPECT_EQ(Browser("margin_top"), "0.750000");
  EXPECT_EQ(Browser("footer"), "&u&b&d");
}

TEST_F(PageSetupTest, WithoutAnHtmlSectionNothingChanges) {
  SetUserValues();
  PageSetupValues saved;
  ApplyHtmlPageSetup(place_, saved);
  EXPECT_EQ(ReadBrowserPageSetup(place_), saved);
  EXPECT_EQ(Browser("margin_left"), "0.750000");
  RestoreHtmlPageSetup(place_, saved);
  EXPECT_EQ(ReadBrowserPageSetup(place_), saved);
}

TEST_F(PageSetupTest, TheBrowsersKeyIsNeverCreated) {
  CIniFile(place_.ini_file).WriteString("Html", "Header", "Quirefeed");
  PageSetupValues saved;
  ApplyHtmlPageSetup(place_, saved);
  EXPECT_EQ(saved, PageSetupValues{});
  RestoreHtmlPageSetup(place_, saved);
  EXPECT_FALSE(root_.KeyExists("Software\\Microsoft\\Internet Explorer\\PageSetup"));
}

TEST_F(PageSetupTest, AValueTheBrowserLackedIsGoneAgainAfterTheRun) {
  SetBrowser("header", "mine");
  CIniFile ini(place_.ini_file);
  ini.WriteString("Html", "Footer", "ours");
  PageSetupValues saved;
  ApplyHtmlPageSetup(place_, saved);
  EXPECT_EQ(Browser("footer"), "ours");
  EXPECT_EQ(Browser("margin_left"), "<missing>") << "an empty program value is not written where none was";
  RestoreHtmlPageSetup(place_, saved);
  EXPECT_EQ(Browser("footer"), "<missing>");
  EXPECT_EQ(Browser("header"), "mine");
}

TEST_F(PageSetupTest, ARunThatThrowsStillPutsTheUsersValuesBack) {
  SetUserValues();
  CIniFile(place_.ini_file).WriteString("Html", "Header", "Quirefeed");
  try {
    PageSetupScope scope(place_);
    EXPECT_EQ(Browser("header"), "Quirefeed");
    throw std::runtime_error("printer on fire");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Browser("header"), "&w&bPage &p of &P");
}

TEST_F(PageSetupTest, OptionsAreWrittenUnderTheirKeysAndReadBack) {
  PageSetupValues v;
  v.header = "H";
  v.footer = "F";
  v.margin_left = "1";
  v.margin_right = "2";
  v.margin_top = "3";
  v.margin_bottom = "4.5";
  WriteHtmlOptions(place_, v);
  CIniFile ini(place_.ini_file);
  EXPECT_EQ(ini.ReadString("html", "HEADER", ""), "H");
  EXPECT_EQ(ini.ReadString("Html", "margin_bottom", ""), "4.5");
  EXPECT_EQ(ReadHtmlOptions(place_, PageSetupValues{}), v);
  // The tasks' sections of the same file are no business of these.
  ini.WriteString("Tasks", "Count", "0");
  WriteHtmlOptions(place_, v);
  EXPECT_EQ(ini.ReadString("Tasks", "Count", ""), "0");
}

}  // namespace

// "Word Print Options" against the word-processor stand-in: the dialog
// shows the application's own options and writes them back on OK only.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "drivers/automation.h"
#include "drivers/optionsfrm.h"
#include "support/office.h"
#include "support/process_driver.h"

namespace {

constexpr DWORD kDialogWaitMs = 60000;

class WordOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    word_.KillAll();
    word_.Reset();
  }
  void TearDown() override { word_.KillAll(); }

  // Runs the command while `user` answers its dialog from another thread;
  // false when no dialog appeared.
  template <typename User>
  bool RunCommand(User user) {
    bool shown = false;
    std::thread answer([&] {
      HWND dlg = qftest::WaitForVisibleWindow("TOptionsForm", "Print", GetCurrentProcessId(), kDialogWaitMs);
      shown = dlg != nullptr;
      if (dlg) user(dlg);
    });
    OptionActionExecute(nullptr);
    answer.join();
    return shown;
  }
  static bool Checked(HWND dlg, size_t i) {
    return SendMessageA(GetDlgItem(dlg, TOptionsForm::kFirstCheck + static_cast<int>(i)), BM_GETCHECK, 0, 0) ==
           BST_CHECKED;
  }
  static void Press(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
  // The puts the application received, as "Object.Member".
  std::vector<std::string> Puts() const {
    std::vector<std::string> out;
    for (const std::string& line : word_.CallLines())
      if (line.find(" kind=4 ") != std::string::npos) out.push_back(line.substr(0, line.find(" kind=")));
    return out;
  }

  winkit::OleScope ole_;
  const qftest::OfficeApp word_{"WinWord"};
};

// OK without changes writes every option back as it was, except the tray,
// which the dialog always starts at "Use printer settings".
TEST_F(WordOptionsTest, OkWithoutChangesWritesTheOptionsBackAndResetsTheTray) {
  // What the word processor holds before the dialog opens.
  for (const char* name : {"PrintReverse", "PrintHiddenText", "PrintOddPagesInAscendingOrder"})
    word_.SetSwitch(name, 1, "Options");
  word_.SetText("DefaultTray", "Auto Sheet Feeder", "Options");

  std::array<bool, kWordOptionNames.size()> shown{};
  std::string tray;
  ASSERT_TRUE(RunCommand([&](HWND dlg) {
    for (size_t i = 0; i < shown.size(); ++i) shown[i] = Checked(dlg, i);
    tray = qftest::WindowText(GetDlgItem(dlg, TOptionsForm::kComboBox1));
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);  // painted, also on the virtual desktop
    EXPECT_TRUE(qftest::SaveWindowPicture(dlg, QF_ARTIFACT_DIR "/word-print-options.bmp"));
    Press(dlg, IDOK);
  }));
  for (size_t i = 0; i < shown.size(); ++i) {
    const std::string name = kWordOptionNames[i];
    const bool expected = name == "PrintReverse" || name == "PrintHiddenText" || name == "PrintOddPagesInAscendingOrder";
    EXPECT_EQ(shown[i], expected) << name;
    EXPECT_EQ(word_.Number(name, "Options"), expected ? 1u : 0u) << name;
  }
  EXPECT_EQ(tray, "Use printer settings");
  EXPECT_EQ(word_.Text("DefaultTray", "Options"), "Use printer settings");
  // Every check box was written, in the dialog's order, then the tray.
  std::vector<std::string> expected_puts = {"Application.Visible"};
  for (size_t i = 0; i < kWordOptionNames.size(); ++i)
    expected_puts.push_back(std::string(i == kPostScriptOverText ? "Document." : "Options.") + kWordOptionNames[i]);
  expected_puts.push_back("Options.DefaultTray");
  EXPECT_EQ(Puts(), expected_puts);
  EXPECT_EQ(word_.Calls().back(), "Application.Quit");
  EXPECT_TRUE(word_.WaitGone(10000));
}

TEST_F(WordOptionsTest, CancelWritesNothingAndQuitsTheInstance) {
  ASSERT_TRUE(RunCommand([&](HWND dlg) {
    Press(dlg, TOptionsForm::kFirstCheck);  // a change, thrown away
    Press(dlg, IDCANCEL);
  }));
  EXPECT_EQ(Puts(), std::vector<std::string>{"Application.Visible"});
  EXPECT_EQ(word_.Calls().back(), "Application.Quit");
  EXPECT_TRUE(word_.WaitGone(10000));
}

// A changed option is the word processor's own: a new instance has it.
TEST_F(WordOptionsTest, AChangedOptionIsStillSetInANewInstance) {
  ASSERT_TRUE(RunCommand([&](HWND dlg) {
    Press(dlg, TOptionsForm::kFirstCheck);  // "&Draft output"
    Press(dlg, IDOK);
  }));
  ASSERT_TRUE(word_.WaitGone(10000));
  winkit::Variant app = CreateServerObject("Word.Application");
  EXPECT_TRUE(GetBoolProperty(PropertyGet(app, "Options"), "PrintDraft"));
  CallProcedure(app, "Quit");
}

TEST_F(WordOptionsTest, WithoutTheWordProcessorTheCommandEndsWithTheCreationError) {
  qftest::ProgIdRemoved gone("Word.Application");
  // No dialog may appear: the command ends before it.
  const DWORD start = GetTickCount();
  EXPECT_THROW(OptionActionExecute(nullptr), EOleSysError);
  EXPECT_EQ(qftest::WaitForWindow("TOptionsForm", nullptr, GetCurrentProcessId(), 500), nullptr);
  EXPECT_LT(GetTickCount() - start, 10000u);
  EXPECT_FALSE(word_.Running());
}

}  // namespace

// "Word Print Options" against the word-processor stand-in: the dialog
// shows the application's own options and writes them back on OK only.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drivers/automation.h"
#include "drivers/optionsfrm.h"
#include "support/modal.h"
#include "support/office.h"
#include "support/process_driver.h"

namespace {

// The check boxes in tab order: the option each one shows, and its caption.
struct OptionBox {
  const char* option;
  const char* caption;
};
const std::vector<OptionBox> kBoxes = {
    {"PrintDraft", "&Draft output"},
    {"UpdateFieldsAtPrint", "&Update fields"},
    {"UpdateLinksAtPrint", "Update &links"},
    {"MapPaperSize", "Allow A4/Letter paper r&esizing"},
    {"PrintBackground", "&Background printing"},
    {"PrintPostScriptOverText", "Print Postscript over text"},
    {"PrintReverse", "Reverse print order"},
    {"PrintProperties", "Docu&ment properties "},
    {"PrintFieldCodes", "&Field codes"},
    {"PrintHiddenText", "&Hidden text"},
    {"PrintDrawingObjects", "Drawing &objects"},
    {"PrintEvenPagesInAscendingOrder", "Front of the sheet"},
    {"PrintOddPagesInAscendingOrder", "Back of the sheet"},
};

class WordOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    word_.KillAll();
    word_.Reset();
  }
  void TearDown() override { word_.KillAll(); }

  // Runs the command while `script` answers its dialog from another thread.
  // However the script ends, a failed ASSERT inside it included, the dialog
  // is closed behind it: the command always returns, and a failure is one
  // in seconds.
  template <typename Script>
  ::testing::AssertionResult RunCommand(Script script) {
    bool shown = false;
    qftest::DriveModal(
        "TOptionsForm", "Print", script, [] { OptionActionExecute(nullptr); }, &shown);
    if (!shown) return ::testing::AssertionFailure() << "the command returned without showing its dialog";
    return ::testing::AssertionSuccess();
  }
  static bool Checked(HWND dlg, size_t i) {
    return SendMessageA(GetDlgItem(dlg, TOptionsForm::kFirstCheck + static_cast<int>(i)), BM_GETCHECK, 0, 0) ==
           BST_CHECKED;
  }
  // A click as the mouse gives it: posted, handled in the dialog's own loop.
  static void Press(HWND dlg, int id) { PostMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
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
  const std::vector<std::string> set = {"PrintReverse", "PrintHiddenText", "PrintOddPagesInAscendingOrder"};
  for (const std::string& name : set) word_.SetSwitch(name, 1, "Options");
  word_.SetText("DefaultTray", "Auto Sheet Feeder", "Options");

  std::vector<bool> shown(kBoxes.size());
  std::vector<std::string> captions(kBoxes.size());
  bool more_boxes = true;
  std::string tray;
  ASSERT_TRUE(RunCommand([&](HWND dlg) {
    for (size_t i = 0; i < kBoxes.size(); ++i) {
      HWND box = GetDlgItem(dlg, TOptionsForm::kFirstCheck + static_cast<int>(i));
      captions[i] = qftest::WindowText(box);
      shown[i] = Checked(dlg, i);
    }
    more_boxes = GetDlgItem(dlg, TOptionsForm::kFirstCheck + static_cast<int>(kBoxes.size())) != nullptr;
    tray = qftest::WindowText(GetDlgItem(dlg, TOptionsForm::kComboBox1));
    // RDW_UPDATENOW returns once the dialog and its controls have painted.
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(qftest::SaveWindowPicture(dlg, QF_ARTIFACT_DIR "/word-print-options.bmp"));
    Press(dlg, IDOK);
  }));
  EXPECT_FALSE(more_boxes) << "the dialog has more check boxes than options";
  for (size_t i = 0; i < kBoxes.size(); ++i) {
    const std::string name = kBoxes[i].option;
    const bool expected = std::find(set.begin(), set.end(), name) != set.end();
    EXPECT_EQ(captions[i], kBoxes[i].caption) << name;
    EXPECT_EQ(shown[i], expected) << name;
    EXPECT_EQ(word_.Number(name, "Options"), expected ? 1u : 0u) << name;
  }
  EXPECT_EQ(tray, "Use printer settings");
  EXPECT_EQ(word_.Text("DefaultTray", "Options"), "Use printer settings");
  // Every check box was written, in the dialog's order, then the tray; the
  // PostScript option is the document's.
  EXPECT_EQ(Puts(),
            (std::vector<std::string>{"Application.Visible", "Options.PrintDraft", "Options.UpdateFieldsAtPrint",
                                      "Options.UpdateLinksAtPrint", "Options.MapPaperSize", "Options.PrintBackground",
                                      "Document.PrintPostScriptOverText", "Options.PrintReverse",
                                      "Options.PrintProperties", "Options.PrintFieldCodes", "Options.PrintHiddenText",
                                      "Options.PrintDrawingObjects", "Options.PrintEvenPagesInAscendingOrder",
                                      "Options.PrintOddPagesInAscendingOrder", "Options.DefaultTray"}));
  EXPECT_EQ(word_.Calls().back(), "Application.Quit");
  EXPECT_TRUE(word_.WaitGone(qftest::kWaitMs));
}

TEST_F(WordOptionsTest, CancelWritesNothingAndQuitsTheInstance) {
  ASSERT_TRUE(RunCommand([&](HWND dlg) {
    Press(dlg, TOptionsForm::kFirstCheck);  // a change, thrown away
    Press(dlg, IDCANCEL);
  }));
  EXPECT_EQ(Puts(), std::vector<std::string>{"Application.Visible"});
  EXPECT_EQ(word_.Number("PrintDraft", "Options"), 0u);
  EXPECT_EQ(word_.Calls().back(), "Application.Quit");
  EXPECT_TRUE(word_.WaitGone(qftest::kWaitMs));
}

// A changed option is the word processor's own: a new instance has it.
TEST_F(WordOptionsTest, AChangedOptionIsStillSetInANewInstance) {
  ASSERT_TRUE(RunCommand([&](HWND dlg) {
    Press(dlg, TOptionsForm::kFirstCheck);  // "&Draft output"
    Press(dlg, IDOK);
  }));
  ASSERT_TRUE(word_.WaitGone(qftest::kWaitMs));
  winkit::Variant app = CreateServerObject("Word.Application");
  EXPECT_TRUE(GetBoolProperty(PropertyGet(app, "Options"), "PrintDraft"));
  EXPECT_FALSE(GetBoolProperty(PropertyGet(app, "Options"), "UpdateFieldsAtPrint"));
  CallProcedure(app, "Quit");
}

TEST_F(WordOptionsTest, WithoutTheWordProcessorTheCommandEndsWithTheCreationError) {
  qftest::ProgIdRemoved gone("Word.Application");
  // No dialog may appear: the command ends before it.
  bool dialog = false;
  const DWORD start = GetTickCount();
  EXPECT_THROW(RunCommand([&](HWND) { dialog = true; }), EOleSysError);
  EXPECT_FALSE(dialog) << "the dialog was shown";
  EXPECT_LT(GetTickCount() - start, 10000u);
  EXPECT_FALSE(word_.Running());
}

}  // namespace

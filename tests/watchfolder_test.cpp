// The watch folder dialog on the real window: its layout, Add with its
// checks, Delete, Clear and the close question, driven as a user would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <future>

#include "support/modal.h"
#include "support/process_driver.h"
#include "support/tempdir.h"
#include "tasks/watchfolder.h"
#include "winkit/application.h"

namespace {

using W = Tfrmwatchfolder;

// Runs `script` inside the dialog's modal loop (on its own thread, as a
// user acts beside the program), then returns the dialog's result.
class WatchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& app = winkit::TApplication::Get();
    app.SetInstance(GetModuleHandleA(nullptr));
    app.SetTitle("Quirefeed");
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    std::vector<std::uint8_t> dm;
    ASSERT_TRUE(DefaultPrinterSettings(dm, printer_));
    dialog_.TemplateAction.SetDevMode(reinterpret_cast<const DEVMODEA*>(dm.data()), dm.size());
  }
  int Run(const std::function<void(HWND)>& script) {
    return qftest::DriveModal("Tfrmwatchfolder", "Watch folder ", script, [this] { return dialog_.Execute(nullptr); });
  }
  static void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
  static void Pick(HWND dlg, int combo, int index) {
    SendMessageA(GetDlgItem(dlg, combo), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dlg, combo)));
  }
  static void SetText(HWND dlg, int id, const std::string& text) { SetWindowTextA(GetDlgItem(dlg, id), text.c_str()); }
  // What the folder browser would have written.
  static void Folder(HWND dlg, const std::string& path) { SetText(dlg, W::kEdit1, path); }
  static int Rows(HWND dlg) {
    return static_cast<int>(SendMessageA(GetDlgItem(dlg, W::kListView1), LVM_GETITEMCOUNT, 0, 0));
  }
  static std::string Cell(HWND dlg, int row, int col) {
    return winkit::TListView(GetDlgItem(dlg, W::kListView1)).Cell(row, col);
  }
  // Waits until control `id` is enabled or disabled as expected: the
  // dialog's idle pass sets the buttons' states, and a message posted to the
  // dialog wakes its loop, which runs that pass once its queue is empty.
  static ::testing::AssertionResult Becomes(HWND dlg, int id, bool enabled) {
    PostMessageA(dlg, WM_NULL, 0, 0);
    return qftest::WaitFor([&] { return Enabled(dlg, id) == enabled; },
                           "control " + std::to_string(id) + (enabled ? " to be enabled" : " to be disabled"));
  }
  static bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; }

  std::vector<CPrintAction> tasks_;
  Tfrmwatchfolder dialog_{tasks_};
  std::string printer_;
  qftest::TempDir dir_;
};

TEST_F(WatchFolderTest, ItsControlsStandWhereTheyShouldWithTheirTexts) {
  const int result = Run([](HWND dlg) {
    RECT rc{};
    GetClientRect(dlg, &rc);
    EXPECT_EQ(rc.right, 545);
    EXPECT_EQ(rc.bottom, 410);
    struct Case {
      int id;
      const char* text;
      int x, y, w, h;
    } cases[] = {
        {W::kEdit1, "", 47, 7, 410, 21},
        {W::kButton1, "B&rowse", 457, 5, 75, 25},
        {W::kComboBox2, nullptr, 84, 43, 217, -1},
        {W::kSpeedButton1, "Printer Setting", 315, 44, 81, 23},
        {W::kLabel2, "Page Separator ", 8, 76, -1, -1},
        {W::kButton2, "&Browse", 456, 137, 75, 25},
        {W::kCheckBox2, "Move failed files to failed folder", 14, 164, 209, 17},
        {W::kCheckBox1, "Monitor the folder  when windows startup", 8, 195, 225, 17},
        {W::kButton5, "&Add", 268, 192, 75, 25},
        {W::kButton7, "&Delete", 364, 192, 75, 25},
        {W::kButton6, "&Clear", 458, 192, 75, 25},
        {W::kListView1, nullptr, 4, 220, 528, 121},
        {IDOK, "&OK", 331, 370, 75, 25},
        {IDCANCEL, "&Cancel", 443, 370, 75, 25},
    };
    for (const Case& c : cases) {
      HWND h = GetDlgItem(dlg, c.id);
      ASSERT_NE(h, nullptr) << c.id;
      RECT r{};
      GetWindowRect(h, &r);
      MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
      EXPECT_EQ(r.left, c.x) << c.id;
      EXPECT_EQ(r.top, c.y) << c.id;
      if (c.w > 0) {
        EXPECT_EQ(r.right - r.left, c.w) << c.id;
      }
      if (c.h > 0) {
        EXPECT_EQ(r.bottom - r.top, c.h) << c.id;
      }
      if (c.text) {
        EXPECT_EQ(qftest::WindowText(h), c.text) << c.id;
      }
    }
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, W::kEdit1)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, W::kButton2)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, W::kButton5))) << "Add starts disabled";
    EXPECT_EQ(winkit::TComboBox(GetDlgItem(dlg, W::kComboBox2)).Item(0), "All Support Files");
    EXPECT_EQ(winkit::TComboBox(GetDlgItem(dlg, W::kComboBox3)).Item(1), "Printed folder");
    Click(dlg, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(WatchFolderTest, AddStoresTheTaskAndKeepsTheSeparatorAndPrinterForTheNext) {
  const std::string sep = dir_ / "page.sep";
  Run([&](HWND dlg) {
    Folder(dlg, "C:\\in");
    SetText(dlg, W::kEdit3, sep);  // as the separator's file dialog would
    ASSERT_TRUE(Becomes(dlg, W::kButton5, true));
    Click(dlg, W::kButton5);
    EXPECT_EQ(Rows(dlg), 1);
    EXPECT_EQ(qftest::WindowText(GetDlgItem(dlg, W::kEdit1)), "") << "the form was not reset";
    EXPECT_EQ(qftest::WindowText(GetDlgItem(dlg, W::kEdit3)), sep) << "the separator page must stay";
    // The second task: a format, the printed folder, failed files moved.
    Folder(dlg, "C:\\second");
    Pick(dlg, W::kComboBox2, 1);
    Pick(dlg, W::kComboBox3, 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, W::kButton2)));
    SetText(dlg, W::kEdit2, "C:\\done");
    Click(dlg, W::kCheckBox2);
    ASSERT_TRUE(Becomes(dlg, W::kButton5, true));
    Click(dlg, W::kButton5);
    EXPECT_EQ(Rows(dlg), 2);
    EXPECT_TRUE(Becomes(dlg, W::kButton2, false)) << "the action went back to its first item";
    const std::vector<std::string> row0 = {"C:\\in", "*.*", printer_, "Delete", "", "false"};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(Cell(dlg, 0, c), row0[c]) << c;
    EXPECT_EQ(Cell(dlg, 1, 3), "Move to");
    EXPECT_EQ(Cell(dlg, 1, 4), "C:\\done");
    EXPECT_EQ(Cell(dlg, 1, 5), "true");
    Click(dlg, IDOK);
  });
  ASSERT_EQ(tasks_.size(), 2u);
  EXPECT_STREQ(tasks_[0].Data->FileExt, "*.*") << "All Support Files stores *.*";
  EXPECT_STREQ(tasks_[0].Data->Folder, "C:\\in");
  EXPECT_EQ(tasks_[0].Data->Action, 0);
  EXPECT_EQ(tasks_[0].SeparatorText(), sep);
  EXPECT_EQ(tasks_[1].SeparatorText(), sep) << "the separator page was not given to the next task";
  EXPECT_STRNE(tasks_[1].Data->FileExt, "*.*");
  EXPECT_EQ(tasks_[1].Data->FileExt[0], '*');
  EXPECT_EQ(tasks_[1].Data->Action, 1);
  EXPECT_STREQ(tasks_[1].Data->MoveToFolder, "C:\\done");
  EXPECT_TRUE(tasks_[1].Data->MoveFailed);
  for (const auto& t : tasks_) {
    EXPECT_EQ(t.Data->PrinterName, printer_);
    EXPECT_EQ(t.DevMode, dialog_.TemplateAction.DevMode) << "each task has the template's printer settings";
  }
}

// Each refusal of Add says why in a "Warning" box and adds nothing; Add
// stays enabled, so the refusal is Add's own check and not a disabled button.
TEST_F(WatchFolderTest, WarningsAddNothing) {
  struct Case {
    std::string folder;
    int action;  // 1: "Printed folder", which needs a move-to folder
    const char* text;
  };
  const Case cases[] = {
      {"C:\\in", 1, "Please specify the printed folder!"},
      {"   ", 0, "Please specify the folder to monitor!"},
      {"C:\\" + std::string(270, 'f'), 0, "The folder or file name is too long: at most 259 characters."},
  };
  Run([&](HWND dlg) {
    for (const Case& c : cases) {
      Pick(dlg, W::kComboBox3, 0);
      Folder(dlg, c.folder);
      ASSERT_TRUE(Becomes(dlg, W::kButton5, true)) << c.text;
      // "Printed folder" with no move-to folder leaves Add as it was.
      Pick(dlg, W::kComboBox3, c.action);
      auto box = std::async(std::launch::async, [] { return qftest::AnswerMessageBox("Warning", qftest::kWaitMs); });
      Click(dlg, W::kButton5);
      EXPECT_EQ(box.get(), c.text);
      EXPECT_EQ(Rows(dlg), 0) << c.text;
    }
    Folder(dlg, "");
    Click(dlg, IDCANCEL);
  });
  EXPECT_TRUE(tasks_.empty());
}

TEST_F(WatchFolderTest, DeleteRemovesTheSelectedTaskAndClearRemovesAll) {
  for (const char* f : {"C:\\one", "C:\\two", "C:\\three"}) {
    CPrintAction t = dialog_.TemplateAction;
    SetField(t.Data->Folder, f);
    SetField(t.Data->FileExt, "*.*");
    tasks_.push_back(t);
  }
  Run([&](HWND dlg) {
    ASSERT_EQ(Rows(dlg), 3) << "the list is filled from the tasks";
    EXPECT_TRUE(Becomes(dlg, W::kButton7, false)) << "Delete needs a selection";
    EXPECT_TRUE(Becomes(dlg, W::kButton6, true));
    EXPECT_TRUE(qftest::SaveWindowPicture(dlg, QF_ARTIFACT_DIR "/watch-folder-dialog.bmp"));
    winkit::TListView(GetDlgItem(dlg, W::kListView1)).Select(1);
    ASSERT_TRUE(Becomes(dlg, W::kButton7, true));
    Click(dlg, W::kButton7);
    EXPECT_EQ(Rows(dlg), 2);
    EXPECT_EQ(Cell(dlg, 1, 0), "C:\\three");
    Click(dlg, IDCANCEL);
  });
  ASSERT_EQ(tasks_.size(), 2u) << "Delete changes the tasks at once, Cancel or not";
  EXPECT_STREQ(tasks_[0].Data->Folder, "C:\\one");
  EXPECT_STREQ(tasks_[1].Data->Folder, "C:\\three");
  Run([&](HWND dlg) {
    ASSERT_TRUE(Becomes(dlg, W::kButton6, true));
    Click(dlg, W::kButton6);
    EXPECT_EQ(Rows(dlg), 0);
    Click(dlg, IDCANCEL);
  });
  EXPECT_TRUE(tasks_.empty());
}

TEST_F(WatchFolderTest, OkWithAFolderNotAddedAsksAndCancelKeepsTheDialog) {
  dialog_.SortOrder = 2;
  dialog_.StartWithWindows = true;
  bool start_up_shown = false;
  const int result = Run([&](HWND dlg) {
    start_up_shown = SendMessageA(GetDlgItem(dlg, W::kCheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click(dlg, W::kCheckBox1);
    Folder(dlg, "C:\\pending");
    auto box = std::async(std::launch::async,
                          [] { return qftest::AnswerMessageBox("Confirm", qftest::kWaitMs, nullptr, IDCANCEL); });
    Click(dlg, IDOK);
    EXPECT_EQ(box.get(), "The task have not added, Abort the task?");
    EXPECT_TRUE(IsWindowVisible(dlg)) << "Cancel closed the dialog";
    EXPECT_EQ(qftest::WindowText(GetDlgItem(dlg, W::kEdit1)), "C:\\pending");
    SendMessageA(GetDlgItem(dlg, W::kRadio4), BM_CLICK, 0, 0);
    auto box2 = std::async(std::launch::async,
                           [] { return qftest::AnswerMessageBox("Confirm", qftest::kWaitMs, nullptr, IDOK); });
    Click(dlg, IDOK);
    EXPECT_FALSE(box2.get().empty());
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(tasks_.empty());
  EXPECT_EQ(dialog_.SortOrder, 3);
  EXPECT_TRUE(start_up_shown) << "the start-up box did not show the value it was given";
  EXPECT_FALSE(dialog_.StartWithWindows) << "the start-up box, cleared, was not handed back";
}

// "Printer Setting" in the dialog: the tasks added after it get the printer
// chosen there; one added before keeps the earlier printer.
TEST_F(WatchFolderTest, TasksAddedAfterOnePrinterSettingGetThatPrinter) {
  constexpr const char* kSecond = "Quirefeed_Test_Printer_With_A_Long_Name";
  Run([&](HWND dlg) {
    Folder(dlg, "C:\\before");
    ASSERT_TRUE(Becomes(dlg, W::kButton5, true));
    Click(dlg, W::kButton5);
    auto setup = std::async(std::launch::async, [kSecond] {
      HWND ps = qftest::WaitForVisibleWindow("#32770", "Print Setup", GetCurrentProcessId(), qftest::kWaitMs);
      if (!ps) return false;
      HWND box = GetDlgItem(ps, 0x470);  // cmb1, the printer
      SendMessageA(box, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kSecond));
      SendMessageA(ps, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
      PostMessageA(GetDlgItem(ps, IDOK), BM_CLICK, 0, 0);
      return true;
    });
    PostMessageA(GetDlgItem(dlg, W::kSpeedButton1), BM_CLICK, 0, 0);
    EXPECT_TRUE(setup.get());
    ASSERT_TRUE(qftest::WaitFor([] { return !qftest::WaitForVisibleWindow("#32770", "Print Setup", 0, 0); },
                                "Print Setup to close"));
    for (const char* f : {"C:\\after1", "C:\\after2"}) {
      Folder(dlg, f);
      ASSERT_TRUE(Becomes(dlg, W::kButton5, true)) << f;
      SendMessageA(GetDlgItem(dlg, W::kButton5), BM_CLICK, 0, 0);
    }
    EXPECT_EQ(Rows(dlg), 3);
    EXPECT_EQ(Cell(dlg, 2, 2), kSecond);
    Click(dlg, IDCANCEL);
  });
  ASSERT_EQ(tasks_.size(), 3u);
  EXPECT_EQ(tasks_[0].Data->PrinterName, printer_);
  EXPECT_STREQ(tasks_[1].Data->PrinterName, kSecond);
  EXPECT_STREQ(tasks_[2].Data->PrinterName, kSecond);
}

}  // namespace

#pragma once
// The watch folder dialog: where the user composes the watch tasks (folder,
// file format, printer settings, separator page, what happens to a printed
// file), appends them to the task list and removes them, and sets the
// start-up check box and the sort order of watch mode.
#include <windows.h>

#include <string>
#include <vector>

#include "tasks/settings/printaction.h"
#include "winkit/controls.h"
#include "winkit/dialog.h"
#include "winkit/handles.h"

// The system's folder browser: the desktop as root, file-system folders
// only, the folder in `path` preselected and the selection shown in its
// status line. True with the chosen folder in `path`.
bool BrowseForFolder(const std::string& title, std::string& path, HWND owner);
// The user's documents folder; false when it cannot be found.
bool GetMyDocumentsFolder(std::string& path);

class Tfrmwatchfolder : public winkit::TDialog {
 public:
  enum : int {
    kLabel1 = 301, kEdit1, kButton1, kGroupBox1, kLabel3, kComboBox2, kSpeedButton1, kLabel2, kEdit3, kSpeedButton2,
    kGroupBox2, kLabel4, kComboBox3, kLabel5, kEdit2, kButton2, kCheckBox2, kCheckBox1, kButton5, kButton7,
    kButton6, kListView1, kRadioGroup1, kRadio1, kRadio2, kRadio3, kRadio4, kButton3 = IDOK, kButton4 = IDCANCEL
  };

  // Works on `tasks` itself: Add, Delete and Clear change it at once.
  explicit Tfrmwatchfolder(std::vector<CPrintAction>& tasks);

  // The settings new tasks start with (a copy of the main window's).
  CPrintAction TemplateAction;
  // In: shown when the dialog opens; out: what the user chose.
  bool StartWithWindows = false;
  int SortOrder = 0;

  // Shows the dialog over `owner`, filled: the file formats, the two
  // actions, the sort order, the check box and the task list. IDOK or
  // IDCANCEL.
  int Execute(HWND owner);

  // One row per task, in order, six cells each.
  static void FillTaskListView(HWND list, const std::vector<CPrintAction>& tasks);
  static void AddTaskRow(HWND list, const CPrintAction& task);

  // The handlers, for the dialog's buttons (and tests).
  void Button1Click();
  void Button2Click();
  void ComboBox3Change();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void AddActionExecute();
  void DelActionExecute();
  void ClearActionExecute();

 protected:
  void OnInit() override;
  bool CanClose() override;
  void OnClose(int result) override;

 private:
  void UpdateActions();

  std::vector<CPrintAction>& tasks_;
  winkit::TEdit edit1_, edit2_, edit3_;
  winkit::TComboBox format_, action_;
  winkit::TCheckBox move_failed_, start_up_;
  winkit::TListView list_;
  winkit::TRadioGroup sort_;
  winkit::IconHandle folder_icon_;
  int idle_token_ = 0;
};

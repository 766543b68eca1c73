#include "tasks/watchfolder.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "app/base/fixedtext.h"
#include "engine/formattable.h"
#include "winkit/application.h"
#include "winkit/filedialog.h"

namespace {

using T = Tfrmwatchfolder;

// Positions inside a group box are the group's plus the offset.
constexpr int kG1x = 9, kG1y = 30, kG2x = 6, kG2y = 100;

const winkit::DialogLayout& Layout() {
  static const winkit::DialogLayout layout{
      "Tfrmwatchfolder",
      "Watch folder ",
      545,
      410,
      {
          {WC_STATICA, "Folder", SS_LEFTNOWORDWRAP, 0, T::kLabel1, 11, 9, 34, 16},
          {WC_EDITA, "", WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY | WS_DISABLED, WS_EX_CLIENTEDGE, T::kEdit1, 47, 7, 410,
           21},
          {WC_BUTTONA, "B&rowse", WS_TABSTOP, 0, T::kButton1, 457, 5, 75, 25},
          {WC_BUTTONA, "", BS_GROUPBOX, 0, T::kGroupBox1, kG1x, kG1y, 301, 41},
          {WC_STATICA, "File Format", SS_LEFTNOWORDWRAP, 0, T::kLabel3, kG1x + 12, kG1y + 15, 60, 16},
          {WC_COMBOBOXA, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, T::kComboBox2, kG1x + 75, kG1y + 13, 217,
           300},
          {WC_BUTTONA, "Printer Setting", WS_TABSTOP, 0, T::kSpeedButton1, 315, 44, 81, 23},
          {WC_STATICA, "Page Separator ", SS_LEFTNOWORDWRAP, 0, T::kLabel2, 8, 76, 80, 16},
          {WC_EDITA, "", ES_AUTOHSCROLL | WS_DISABLED, WS_EX_CLIENTEDGE, T::kEdit3, 89, 75, 416, 21},
          {WC_BUTTONA, "", WS_TABSTOP | BS_ICON | BS_FLAT, 0, T::kSpeedButton2, 504, 75, 23, 22},
          {WC_BUTTONA, "Action after printed", BS_GROUPBOX, 0, T::kGroupBox2, kG2x, kG2y, 531, 89},
          {WC_STATICA, "Move to ", SS_LEFTNOWORDWRAP, 0, T::kLabel4, kG2x + 8, kG2y + 16, 70, 16},
          {WC_COMBOBOXA, "", WS_TABSTOP | CBS_DROPDOWNLIST, 0, T::kComboBox3, kG2x + 80, kG2y + 14, 185, 120},
          {WC_STATICA, "Printed Folder", SS_LEFTNOWORDWRAP, 0, T::kLabel5, kG2x + 8, kG2y + 42, 70, 16},
          {WC_EDITA, "", WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY | WS_DISABLED, WS_EX_CLIENTEDGE, T::kEdit2,
           kG2x + 80, kG2y + 38, 369, 21},
          {WC_BUTTONA, "&Browse", WS_TABSTOP | WS_DISABLED, 0, T::kButton2, kG2x + 450, kG2y + 37, 75, 25},
          {WC_BUTTONA, "Move failed files to failed folder", WS_TABSTOP | BS_AUTOCHECKBOX, 0, T::kCheckBox2, kG2x + 8,
           kG2y + 64, 209, 17},
          {WC_BUTTONA, "Monitor the folder  when windows startup", WS_TABSTOP | BS_AUTOCHECKBOX, 0, T::kCheckBox1, 8,
           195, 225, 17},
          {WC_BUTTONA, "&Add", WS_TABSTOP | WS_DISABLED, 0, T::kButton5, 268, 192, 75, 25},
          {WC_BUTTONA, "&Delete", WS_TABSTOP | WS_DISABLED, 0, T::kButton7, 364, 192, 75, 25},
          {WC_BUTTONA, "&Clear", WS_TABSTOP | WS_DISABLED, 0, T::kButton6, 458, 192, 75, 25},
          {WC_LISTVIEWA, "", WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, T::kListView1,
           4, 220, 528, 121},
          {WC_BUTTONA, "Sort files on", BS_GROUPBOX, 0, T::kRadioGroup1, 8, 344, 225, 57},
          {WC_BUTTONA, "File Name", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, T::kRadio1, 16, 360, 100, 17},
          {WC_BUTTONA, "Created Time", BS_AUTORADIOBUTTON, 0, T::kRadio2, 124, 360, 104, 17},
          {WC_BUTTONA, "Modified Time", BS_AUTORADIOBUTTON, 0, T::kRadio3, 16, 379, 100, 17},
          {WC_BUTTONA, "Accessed Time", BS_AUTORADIOBUTTON, 0, T::kRadio4, 124, 379, 104, 17},
          {WC_BUTTONA, "&OK", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, IDOK, 331, 370, 75, 25},
          {WC_BUTTONA, "&Cancel", WS_TABSTOP, 0, IDCANCEL, 443, 370, 75, 25},
      }};
  return layout;
}

std::string Trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

int Warn(const char* text) { return MessageBoxA(GetActiveWindow(), text, "Warning", MB_OK | MB_ICONINFORMATION); }

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM lp, LPARAM data) {
  if (msg == BFFM_INITIALIZED) {
    SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, data);
  } else if (msg == BFFM_SELCHANGED) {
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lp), path))
      SendMessageA(wnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
  }
  return 0;
}

}  // namespace

bool BrowseForFolder(const std::string& title, std::string& path, HWND owner) {
  std::string start = path;
  BROWSEINFOA bi{};
  bi.hwndOwner = owner;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  bi.lpfn = BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(start.c_str());
  LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
  if (!chosen) return false;
  char buf[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(chosen, buf) != FALSE;
  CoTaskMemFree(chosen);
  if (ok) path = buf;
  return ok;
}

bool GetMyDocumentsFolder(std::string& path) {
  char buf[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buf))) return false;
  path = buf;
  return true;
}

Tfrmwatchfolder::Tfrmwatchfolder(std::vector<CPrintAction>& tasks) : tasks_(tasks) {}

int Tfrmwatchfolder::Execute(HWND owner) { return Run(owner, Layout()); }

void Tfrmwatchfolder::OnInit() {
  edit1_ = winkit::TEdit(Control(kEdit1));
  edit2_ = winkit::TEdit(Control(kEdit2));
  edit3_ = winkit::TEdit(Control(kEdit3));
  format_ = winkit::TComboBox(Control(kComboBox2));
  action_ = winkit::TComboBox(Control(kComboBox3));
  move_failed_ = winkit::TCheckBox(Control(kCheckBox2));
  start_up_ = winkit::TCheckBox(Control(kCheckBox1));
  list_ = winkit::TListView(Control(kListView1));
  sort_ = winkit::TRadioGroup({Control(kRadio1), Control(kRadio2), Control(kRadio3), Control(kRadio4)});

  std::vector<std::string> masks;
  AddFileMasks(masks);
  for (const auto& m : masks) format_.Add(m);
  format_.SetItemIndex(0);
  action_.Add("Move to Recycle bin");
  action_.Add("Printed folder");
  action_.SetItemIndex(0);
  sort_.SetItemIndex(SortOrder >= 0 && SortOrder < 4 ? SortOrder : 0);
  start_up_.SetChecked(StartWithWindows);

  SendMessageA(list_.Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
  const struct {
    const char* caption;
    int width;
  } columns[] = {{"Folder", 220}, {"File", 50},          {"Printer", 220},
                 {"Action", 50},  {"Printed Folder", 220}, {"Move failed files to", 120}};
  for (const auto& c : columns) list_.AddColumn(c.caption, c.width);
  if (!tasks_.empty()) FillTaskListView(list_.Handle(), tasks_);

  ExtractIconExA("shell32.dll", 4, nullptr, folder_icon_.put(), 1);
  if (folder_icon_)
    SendMessageA(Control(kSpeedButton2), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(folder_icon_.get()));

  Commands().On(kButton1, BN_CLICKED, [this] { Button1Click(); });
  Commands().On(kButton2, BN_CLICKED, [this] { Button2Click(); });
  Commands().On(kComboBox3, CBN_SELCHANGE, [this] { ComboBox3Change(); });
  Commands().On(kSpeedButton1, BN_CLICKED, [this] { SpeedButton1Click(); });
  Commands().On(kSpeedButton2, BN_CLICKED, [this] { SpeedButton2Click(); });
  Commands().On(kButton5, BN_CLICKED, [this] { AddActionExecute(); });
  Commands().On(kButton7, BN_CLICKED, [this] { DelActionExecute(); });
  Commands().On(kButton6, BN_CLICKED, [this] { ClearActionExecute(); });
  // The buttons' states follow the dialog, as the actions' updates do.
  idle_token_ = winkit::TApplication::Get().AddIdleHandler([this] { UpdateActions(); });
  UpdateActions();
}

void Tfrmwatchfolder::OnClose(int result) {
  winkit::TApplication::Get().RemoveIdleHandler(idle_token_);
  if (result == IDOK) {
    StartWithWindows = start_up_.Checked();
    SortOrder = sort_.ItemIndex() < 0 ? 0 : sort_.ItemIndex();
  }
}

void Tfrmwatchfolder::UpdateActions() {
  HWND add = Control(kButton5);
  if (edit1_.Text().empty()) {
    EnableWindow(add, FALSE);
  } else if (action_.ItemIndex() == 1) {
    if (!edit2_.Text().empty()) EnableWindow(add, TRUE);
  } else {
    EnableWindow(add, TRUE);
  }
  EnableWindow(Control(kButton7), list_.Selected() >= 0);
  EnableWindow(Control(kButton6), list_.Count() > 0);
}

void Tfrmwatchfolder::Button1Click() {
  std::string start = edit1_.Text();
  if (start.empty() && !GetMyDocumentsFolder(start)) start.clear();
  if (BrowseForFolder("Please Select a folder", start, Handle())) edit1_.SetText(start);
}

void Tfrmwatchfolder::Button2Click() {
  std::string start = edit1_.Text();
  if (BrowseForFolder("Please Select a folder", start, Handle())) edit2_.SetText(start);
}

void Tfrmwatchfolder::ComboBox3Change() { EnableWindow(Control(kButton2), action_.ItemIndex() == 1); }

void Tfrmwatchfolder::SpeedButton1Click() { ChoosePrinterSettings(Handle(), TemplateAction); }

void Tfrmwatchfolder::SpeedButton2Click() {
  winkit::FileDialogOptions options;
  options.filter = "Separator page File(*.sep)|*.sep";
  options.must_exist = true;
  const std::vector<std::string> chosen = winkit::OpenFileDialog(Handle(), options);
  if (!chosen.empty()) edit3_.SetText(chosen.front());
}

void Tfrmwatchfolder::AddActionExecute() {
  if (Trimmed(edit1_.Text()).empty()) {
    Warn("Please specify the folder to monitor!");
    return;
  }
  if (action_.ItemIndex() == 1 && Trimmed(edit2_.Text()).empty()) {
    Warn("Please specify the printed folder!");
    return;
  }
  const std::string pattern = format_.ItemIndex() <= 0 ? "*.*" : format_.Item(format_.ItemIndex());
  ActionStruct& d = *TemplateAction.Data;
  // A path the record cannot hold whole is refused, never cut.
  if (!SetField(d.Folder, edit1_.Text()) || !SetField(d.MoveToFolder, edit2_.Text()) ||
      edit3_.Text().size() >= TemplateAction.Separator.size()) {
    Warn("The folder or file name is too long: at most 259 characters.");
    return;
  }
  SetField(d.FileExt, pattern);
  d.Action = action_.ItemIndex() < 0 ? 0 : action_.ItemIndex();
  d.MoveFailed = move_failed_.Checked();
  const std::string separator = edit3_.Text();
  TemplateAction.Separator.fill('\0');
  std::memcpy(TemplateAction.Separator.data(), separator.data(), separator.size());
  tasks_.push_back(TemplateAction);
  AddTaskRow(list_.Handle(), tasks_.back());
  // Ready for the next task; the separator page and the printer stay.
  format_.SetItemIndex(0);
  action_.SetItemIndex(0);
  ComboBox3Change();
  move_failed_.SetChecked(false);
  edit1_.SetText("");
  edit2_.SetText("");
  UpdateActions();
}

void Tfrmwatchfolder::DelActionExecute() {
  for (int row = list_.Selected(); row >= 0; row = list_.Selected()) {
    if (row < static_cast<int>(tasks_.size())) tasks_.erase(tasks_.begin() + row);
    list_.Delete(row);
  }
  UpdateActions();
}

void Tfrmwatchfolder::ClearActionExecute() {
  list_.Clear();
  tasks_.clear();
  UpdateActions();
}

bool Tfrmwatchfolder::CanClose() {
  if (edit1_.Text().empty()) return true;
  return MessageBoxA(GetActiveWindow(), "The task have not added, Abort the task?", "Confirm",
                     MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void Tfrmwatchfolder::AddTaskRow(HWND list, const CPrintAction& task) {
  const winkit::TListView view(list);
  const ActionStruct& d = *task.Data;
  const int row = view.AddItem(d.Folder);
  view.SetCell(row, 1, d.FileExt);
  view.SetCell(row, 2, d.PrinterName);
  view.SetCell(row, 3, d.Action == 0 ? "Delete" : "Move to");
  view.SetCell(row, 4, d.MoveToFolder);
  view.SetCell(row, 5, d.MoveFailed ? "true" : "false");
}

void Tfrmwatchfolder::FillTaskListView(HWND list, const std::vector<CPrintAction>& tasks) {
  for (const auto& t : tasks) AddTaskRow(list, t);
}

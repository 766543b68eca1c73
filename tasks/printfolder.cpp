#include "tasks/printfolder.h"

#include <commctrl.h>

#include <vector>

#include "engine/formattable.h"
#include "tasks/watchfolder.h"

namespace {

using T = TPrintfolderform;

constexpr int kGx = 56, kGy = 48;

const winkit::DialogLayout& Layout() {
  static const winkit::DialogLayout layout{
      "TPrintfolderform",
      "Print folder",
      453,
      130,
      {
          {WC_STATICA, "Folder", SS_LEFTNOWORDWRAP, 0, T::kLabel1, 16, 18, 40, 16},
          {WC_EDITA, "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, T::kEdit1, 60, 15, 305, 21},
          {WC_BUTTONA, "Browse", WS_TABSTOP, 0, T::kButton1, 371, 14, 75, 25},
          {WC_BUTTONA, "Options", BS_GROUPBOX, 0, T::kGroupBox1, kGx, kGy, 265, 57},
          {WC_STATICA, "File Format", SS_LEFTNOWORDWRAP, 0, T::kLabel3, kGx + 8, kGy + 18, 56, 16},
          {WC_COMBOBOXA, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, T::kComboBox2, kGx + 64, kGy + 16, 184,
           300},
          {WC_BUTTONA, "&Ok", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 368, 64, 75, 25},
          {WC_BUTTONA, "&Cancel", WS_TABSTOP, 0, IDCANCEL, 368, 96, 75, 25},
      },
      "MS Sans Serif",
      9};
  return layout;
}

}  // namespace

int TPrintfolderform::Execute(HWND owner) { return Run(owner, Layout()); }

void TPrintfolderform::OnInit() {
  edit1_ = winkit::TEdit(Control(kEdit1));
  format_ = winkit::TComboBox(Control(kComboBox2));
  edit1_.SetText(Folder);
  std::vector<std::string> masks;
  AddFileMasks(masks);
  for (const auto& m : masks) format_.Add(m);
  format_.SetItemIndex(0);
  Commands().On(kButton1, BN_CLICKED, [this] { Button1Click(); });
}

void TPrintfolderform::Button1Click() {
  std::string path = edit1_.Text();
  if (BrowseForFolder("Please Select a folder", path, Handle())) edit1_.SetText(path);
}

bool TPrintfolderform::CanClose() {
  if (edit1_.Text().size() < MAX_PATH) return true;
  MessageBoxA(Handle(), "The folder name is too long: at most 259 characters.", "Warning",
              MB_OK | MB_ICONINFORMATION);
  return false;
}

void TPrintfolderform::OnClose(int result) {
  if (result != IDOK) return;
  Folder = edit1_.Text();
  Pattern = format_.ItemIndex() <= 0 ? "*.*" : format_.Item(format_.ItemIndex());
}

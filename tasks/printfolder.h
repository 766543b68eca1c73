#pragma once
// "Print folder": the small dialog that picks a folder and a file format
// for a one-time print of that folder.
#include <windows.h>

#include <string>

#include "winkit/controls.h"
#include "winkit/dialog.h"

class TPrintfolderform : public winkit::TDialog {
 public:
  enum : int { kLabel1 = 401, kEdit1, kButton1, kGroupBox1, kLabel3, kComboBox2, kButton2 = IDOK, kButton3 = IDCANCEL };

  // In: the folder shown at first; out, on OK: the folder as typed.
  std::string Folder;
  // Out, on OK: "*.*" for "All Support Files", else the chosen pattern.
  std::string Pattern = "*.*";

  // IDOK or IDCANCEL. A folder longer than 259 characters is refused with
  // a message and the dialog stays open.
  int Execute(HWND owner);

  void Button1Click();

 protected:
  void OnInit() override;
  bool CanClose() override;
  void OnClose(int result) override;

 private:
  winkit::TEdit edit1_;
  winkit::TComboBox format_;
};

#pragma once
// The About box: the program's name and version, and what the machine is.
#include <windows.h>

#include <string>

#include "winkit/dialog.h"
#include "winkit/handles.h"

// "Version:" and the FileVersion of the version resource of `module_path`
// (its first translation); "Version:" alone when it has none.
std::string VersionText(const std::string& module_path);
// "CPU:" + processor type, "Memory(Mb):" + physical memory in MiB.
std::string ProcessorText();
std::string MemoryText();

class TAboutform : public winkit::TDialog {
 public:
  // Control ids, for tests that read the box.
  enum : int { kName = 201, kPicture, kLabel2, kNotice, kLabel8, kLabel4, kLabel5, kLabel9, kFrame, kLine };

  // Shows the box modally over `owner`.
  int Execute(HWND owner);

 protected:
  void OnInit() override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void FormCreate();
  void FormShow();
  void Label8Click();

  winkit::GdiObject name_font_, notice_font_, link_font_;
  winkit::IconHandle icon_;
};

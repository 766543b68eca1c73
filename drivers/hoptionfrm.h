#pragma once
// "HTML Print Options": the header, footer and margins the program puts
// into the browser's page setup while it prints.
#include <windows.h>

#include <string>

#include "drivers/pagesetup.h"
#include "winkit/controls.h"
#include "winkit/dialog.h"

// Key filter of the margin edits: control characters and digits pass, one
// "." per text passes, anything else becomes 0 (discarded).
void Edit3KeyPress(const std::string& text, char& key);

class THOptionform : public winkit::TDialog {
 public:
  // Control ids, for tests that drive the window.
  enum : int { kEdit1 = 101, kEdit2, kEdit3, kEdit4, kEdit5, kEdit6 };

  THOptionform() = default;

  // Shows the dialog over `owner` with `values` in its edits; true with the
  // edited texts in `values` when it was closed with OK.
  bool Execute(HWND owner, PageSetupValues& values);

 protected:
  void OnInit() override;
  void OnClose(int result) override;

 private:
  static constexpr int kFields = 6;
  std::string* Field(int i) const;
  static LRESULT CALLBACK MarginEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR data) noexcept;

  PageSetupValues* values_ = nullptr;
  winkit::TEdit edits_[kFields];
};

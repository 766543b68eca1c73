#pragma once
// A modal dialog built as a form: its layout described once (caption,
// client size, font and a table of controls, in pixels), its commands and
// notifications routed through a TCommandMap. OK and Cancel end it unless a
// handler for them is registered; closing the window is Cancel.
#include <windows.h>

#include <string>
#include <vector>

#include "winkit/controls.h"
#include "winkit/dispatch.h"
#include "winkit/form.h"
#include "winkit/handles.h"

namespace winkit {

struct DialogLayout {
  const char* class_name;
  const char* caption;
  int client_width;
  int client_height;
  std::vector<ControlSpec> controls;
  const char* font_face = "MS Sans Serif";
  int font_points = 8;
  // Centred over the owner, or else on the desktop.
  bool centre_over_owner = true;
};

class TDialog : public TForm {
 public:
  // Creates the window over `owner`, then its controls, calls OnInit, and
  // runs the modal loop; the result (IDOK, IDCANCEL or what a handler set).
  // The window is destroyed before it returns. IDCANCEL when the window
  // could not be created.
  int Run(HWND owner, const DialogLayout& layout);

 protected:
  // The controls exist; fill them in.
  virtual void OnInit() {}
  // Asked before OK ends the dialog: false keeps it open.
  virtual bool CanClose() { return true; }
  // The dialog ends: read the controls (they still exist).
  virtual void OnClose(int /*result*/) {}

  TCommandMap& Commands() noexcept { return commands_; }
  HWND Control(int id) const noexcept { return GetDlgItem(Handle(), id); }
  HFONT Font() const noexcept { return static_cast<HFONT>(font_.get()); }
  // Ends the dialog with `result` (OK still asks CanClose).
  void End(int result);

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  TCommandMap commands_;
  GdiObject font_;
};

}  // namespace winkit

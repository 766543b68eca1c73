#include "winkit/dialog.h"

namespace winkit {

int TDialog::Run(HWND owner, const DialogLayout& layout) {
  CreateInfo info;
  info.caption = layout.caption;
  info.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  info.ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  info.client_width = layout.client_width;
  info.client_height = layout.client_height;
  info.owner = owner;
  info.centre_over = layout.centre_over_owner ? owner : nullptr;
  if (!CreateForm(ClassInfo{layout.class_name}, info)) return IDCANCEL;
  font_ = CreateFormFont(Handle(), layout.font_face, layout.font_points);
  CreateControls(Handle(), Font(), layout.controls);
  int result = IDCANCEL;
  try {
    OnInit();
    result = ShowModal(owner);
    OnClose(result);
  } catch (...) {
    DestroyWindow(Handle());
    throw;
  }
  DestroyWindow(Handle());
  return result;
}

void TDialog::End(int result) {
  if (result == IDOK && !CanClose()) return;
  SetModalResult(result);
}

LRESULT TDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (commands_.Command(wp)) return 0;
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        End(LOWORD(wp));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      LRESULT r = 0;
      if (commands_.Notify(*reinterpret_cast<const NMHDR*>(lp), r)) return r;
      break;
    }
    case WM_CLOSE:
      End(IDCANCEL);
      return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace winkit

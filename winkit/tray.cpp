#include "winkit/tray.h"

namespace winkit {

TTrayIcon::TTrayIcon(const NOTIFYICONDATAA& data) noexcept : data_(data) {
  added_ = Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
}

TTrayIcon::~TTrayIcon() {
  if (added_) Shell_NotifyIconA(NIM_DELETE, &data_);
}

UINT TTrayIcon::TaskbarCreatedMessage() noexcept {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

bool TTrayIcon::OnMessage(UINT msg) noexcept {
  if (msg == 0 || msg != TaskbarCreatedMessage()) return false;
  // The new shell knows no icons: the old one is gone with the old shell.
  added_ = Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
  return true;
}

void TTrayIcon::PopupMenu(HWND wnd, HMENU menu, POINT pt) noexcept {
  SetForegroundWindow(wnd);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, wnd, nullptr);
  PostMessageA(wnd, WM_NULL, 0, 0);
}

}  // namespace winkit

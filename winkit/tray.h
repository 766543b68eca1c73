#pragma once
// The notification-area icon of a window: added when constructed, deleted
// when destroyed, added again when the shell restarts.
#include <windows.h>
#include <shellapi.h>

namespace winkit {

class TTrayIcon {
 public:
  // Adds the icon described by `data` (its window, id, callback message,
  // icon and tip). Added() tells whether the shell took it.
  explicit TTrayIcon(const NOTIFYICONDATAA& data) noexcept;
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;
  ~TTrayIcon();

  bool Added() const noexcept { return added_; }
  const NOTIFYICONDATAA& Data() const noexcept { return data_; }

  // The message the shell broadcasts when it (re)starts its task bar.
  static UINT TaskbarCreatedMessage() noexcept;
  // Call for every message of the icon's window: true when `msg` was the
  // shell's restart and the icon was added again.
  bool OnMessage(UINT msg) noexcept;

  // Shows `menu` at `pt` for the icon's window. The window is brought to the
  // foreground first, or the menu would not close when the user clicks
  // elsewhere; a no-op message afterwards lets the menu end properly.
  static void PopupMenu(HWND wnd, HMENU menu, POINT pt) noexcept;

 private:
  NOTIFYICONDATAA data_;
  bool added_ = false;
};

}  // namespace winkit

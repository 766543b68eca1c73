#include "winkit/timer.h"

namespace winkit {

void TTimer::Attach(HWND wnd) noexcept {
  if (wnd == wnd_) return;
  const bool was = enabled_;
  SetEnabled(false);
  wnd_ = wnd;
  if (was) SetEnabled(true);
}

bool TTimer::SetEnabled(bool enabled) noexcept {
  if (enabled == enabled_) return true;
  if (enabled) {
    enabled_ = wnd_ && SetTimer(wnd_, id_, interval_, nullptr) != 0;
    return enabled_;
  }
  if (wnd_ && IsWindow(wnd_)) KillTimer(wnd_, id_);
  enabled_ = false;
  return true;
}

}  // namespace winkit

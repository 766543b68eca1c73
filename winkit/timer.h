#pragma once
// A window timer: WM_TIMER with its id reaches the window every interval
// while it is enabled; killed when the owner goes.
#include <windows.h>

namespace winkit {

class TTimer {
 public:
  TTimer(UINT_PTR id, UINT interval_ms) noexcept : id_(id), interval_(interval_ms) {}
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;
  ~TTimer() { SetEnabled(false); }

  // The window whose queue gets the ticks; a running timer moves with it.
  void Attach(HWND wnd) noexcept;
  // False when enabling failed (no window, or the system refused).
  bool SetEnabled(bool enabled) noexcept;
  bool Enabled() const noexcept { return enabled_; }
  UINT_PTR Id() const noexcept { return id_; }
  UINT Interval() const noexcept { return interval_; }
  // True for this timer's WM_TIMER.
  bool Is(UINT msg, WPARAM wp) const noexcept { return msg == WM_TIMER && wp == id_; }

 private:
  HWND wnd_ = nullptr;
  UINT_PTR id_;
  UINT interval_;
  bool enabled_ = false;
};

}  // namespace winkit

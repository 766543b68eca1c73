#include "winkit/handoff.h"

#include "winkit/application.h"

namespace winkit {
namespace {

constexpr UINT kRunWork = WM_APP + 0x200;
constexpr char kClassName[] = "winkit.THandoff";

ATOM RegisterHandoffClass(WNDPROC proc) {
  static const ATOM atom = [proc] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc);
  }();
  return atom;
}

}  // namespace

THandoff::THandoff() {
  if (!RegisterHandoffClass(&THandoff::WindowProc)) return;
  wnd_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (wnd_) SetWindowLongPtrA(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

THandoff::~THandoff() {
  if (wnd_) {
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, 0);
    DestroyWindow(wnd_);
  }
  delayed_.clear();
  std::lock_guard<std::mutex> hold(lock_);
  queue_.clear();
}

bool THandoff::Post(std::function<void()> work) {
  if (!wnd_ || !work) return false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(std::move(work));
  }
  // A full message queue drops the message, not the work: it runs with the
  // next message that gets through.
  PostMessageA(wnd_, kRunWork, 0, 0);
  return true;
}

void THandoff::RunPending() {
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (queue_.empty()) return;
      work = std::move(queue_.front());
      queue_.pop_front();
    }
    try {
      work();
    } catch (...) {
      TApplication::Get().HandleException();
    }
  }
}

bool THandoff::After(UINT_PTR id, UINT delay_ms, std::function<void()> work) {
  if (!wnd_ || !work || delayed_.count(id)) return false;
  if (!SetTimer(wnd_, id, delay_ms, nullptr)) return false;
  delayed_.emplace(id, std::move(work));
  return true;
}

void THandoff::Cancel(UINT_PTR id) {
  if (delayed_.erase(id) && wnd_) KillTimer(wnd_, id);
}

void THandoff::RunDelayed(UINT_PTR id) {
  KillTimer(wnd_, id);
  auto it = delayed_.find(id);
  if (it == delayed_.end()) return;
  // Taken out first: the work may start the same delay again.
  std::function<void()> work = std::move(it->second);
  delayed_.erase(it);
  try {
    work();
  } catch (...) {
    TApplication::Get().HandleException();
  }
}

LRESULT CALLBACK THandoff::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == kRunWork || msg == WM_TIMER) {
    auto* self = reinterpret_cast<THandoff*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (self && msg == kRunWork) self->RunPending();
    if (self && msg == WM_TIMER) self->RunDelayed(wp);
    if (!self && msg == WM_TIMER) KillTimer(wnd, wp);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace winkit

#pragma once
// Hands work from worker threads to the thread that created the handoff:
// Post queues a function and posts a message to a hidden window of that
// thread, whose message loop then runs it. The same window runs delayed
// one-shot work of that thread (After). Work still queued when the handoff
// goes is dropped, never run on a dead owner.
#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace winkit {

class THandoff {
 public:
  // Creates the hidden window on the calling thread.
  THandoff();
  THandoff(const THandoff&) = delete;
  THandoff& operator=(const THandoff&) = delete;
  ~THandoff();

  bool Ready() const noexcept { return wnd_ != nullptr; }
  // From any thread. False when there is no window to run it.
  bool Post(std::function<void()> work);
  // Runs what is queued now (the window does this on its message); for
  // callers that wait without a message loop.
  void RunPending();

  // On the owning thread only: runs `work` once, `delay_ms` from now, from
  // the thread's message loop. A delay already running under `id` keeps its
  // time and its work (false then). Dropped unrun when the handoff goes.
  bool After(UINT_PTR id, UINT delay_ms, std::function<void()> work);
  bool Waiting(UINT_PTR id) const { return delayed_.count(id) != 0; }
  void Cancel(UINT_PTR id);
  HWND Window() const noexcept { return wnd_; }

 private:
  void RunDelayed(UINT_PTR id);
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  HWND wnd_ = nullptr;
  std::mutex lock_;
  std::deque<std::function<void()>> queue_;
  std::map<UINT_PTR, std::function<void()>> delayed_;  // owning thread only
};

}  // namespace winkit

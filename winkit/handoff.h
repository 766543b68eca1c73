#pragma once
// Hands work from worker threads to the thread that created the handoff:
// Post queues a function and posts a message to a hidden window of that
// thread, whose message loop then runs it. Work still queued when the
// handoff goes is dropped, never run on a dead owner.
#include <windows.h>

#include <deque>
#include <functional>
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
  HWND Window() const noexcept { return wnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  HWND wnd_ = nullptr;
  std::mutex lock_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace winkit

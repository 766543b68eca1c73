#pragma once
// A worker thread with a "terminated" flag, and a manual-reset event.
#include <windows.h>

#include <atomic>

#include "winkit/handles.h"

namespace winkit {

// Manual-reset event, unsignalled at first.
class TEvent {
 public:
  enum class WaitResult { Signaled, Timeout, Abandoned, Error };

  TEvent() : h_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void SetEvent() noexcept { ::SetEvent(h_.get()); }
  void ResetEvent() noexcept { ::ResetEvent(h_.get()); }
  WaitResult WaitFor(DWORD timeout_ms) const noexcept;
  bool IsSet() const noexcept { return WaitFor(0) == WaitResult::Signaled; }
  HANDLE Handle() const noexcept { return h_.get(); }

 private:
  KernelHandle h_;
};

// Derive and implement Execute. The thread is created suspended; Resume
// starts it. Execute must return soon after Terminated() turns true. An
// exception escaping Execute ends the thread quietly, so Execute catches and
// reports what it can itself.
class TThread {
 public:
  TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  // Terminates and waits; the derived destructor must do the same first when
  // Execute uses members of the derived class.
  virtual ~TThread();

  bool Created() const noexcept { return static_cast<bool>(thread_); }
  void Resume() noexcept;
  // Sets the flag and calls TerminateRequested so that a blocked Execute can
  // be woken.
  void Terminate() noexcept;
  bool Terminated() const noexcept { return terminated_.load(); }
  // Waits for Execute to return; false on time-out.
  bool WaitFor(DWORD timeout_ms = INFINITE) noexcept;
  bool Finished() const noexcept { return finished_.load(); }
  DWORD ThreadId() const noexcept { return id_; }

 protected:
  virtual void Execute() = 0;
  virtual void TerminateRequested() noexcept {}
  // Terminate and wait, for derived destructors.
  void Stop() noexcept;

 private:
  static DWORD WINAPI ThreadProc(LPVOID self) noexcept;

  KernelHandle thread_;
  DWORD id_ = 0;
  bool resumed_ = false;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
};

}  // namespace winkit

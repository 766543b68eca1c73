#pragma once
// A worker thread with a "terminated" flag, its owner, and a manual-reset
// event.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>

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

// Reports an exception that escaped a thread body: its message and class
// name. The program sends these to its error log.
using ThreadErrorReporter = void (*)(const std::string& message, const std::string& class_name);
void SetThreadErrorReporter(ThreadErrorReporter reporter) noexcept;

// Derive and implement Execute. The thread is created suspended; Resume
// starts it. Execute must return soon after Terminated() turns true. An
// exception escaping Execute ends the thread and goes to the thread error
// reporter.
//
// Stopping the thread is its owner's job, not the derived destructor's:
// hold the object in a ThreadOwner, which terminates and waits before the
// object goes. The base destructor only waits for a thread that is somehow
// still running.
class TThread {
 public:
  TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
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

 private:
  static DWORD WINAPI ThreadProc(LPVOID self) noexcept;

  KernelHandle thread_;
  DWORD id_ = 0;
  bool resumed_ = false;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
};

// Reports a thread that did not end when its owner stopped it.
void ReportStuckThread(DWORD thread_id) noexcept;

// How long an owner waits for its thread to end.
constexpr DWORD kThreadStopWaitMs = 10000;

// Owns a thread object and stops it before deleting it. A thread that does
// not end within kThreadStopWaitMs is reported and left running with its
// object, rather than deleted under its feet or waited for without end.
template <typename T>
class ThreadOwner {
 public:
  ThreadOwner() noexcept = default;
  explicit ThreadOwner(std::unique_ptr<T> t) noexcept : t_(std::move(t)) {}
  template <typename... Args>
  static ThreadOwner Make(Args&&... args) {
    return ThreadOwner(std::make_unique<T>(std::forward<Args>(args)...));
  }
  ThreadOwner(ThreadOwner&&) noexcept = default;
  ThreadOwner& operator=(ThreadOwner&& o) noexcept {
    if (this != &o) {
      reset();
      t_ = std::move(o.t_);
    }
    return *this;
  }
  ~ThreadOwner() { reset(); }

  T* get() const noexcept { return t_.get(); }
  T* operator->() const noexcept { return t_.get(); }
  T& operator*() const noexcept { return *t_; }
  explicit operator bool() const noexcept { return static_cast<bool>(t_); }

  // Terminates, waits, deletes; true when the thread ended in time.
  bool reset() noexcept {
    if (!t_) return true;
    t_->Terminate();
    if (!t_->WaitFor(kThreadStopWaitMs)) {
      ReportStuckThread(t_->ThreadId());
      t_.release();
      return false;
    }
    t_.reset();
    return true;
  }

 private:
  std::unique_ptr<T> t_;
};

}  // namespace winkit

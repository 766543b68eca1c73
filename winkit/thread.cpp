#include "winkit/thread.h"

namespace winkit {

TEvent::WaitResult TEvent::WaitFor(DWORD timeout_ms) const noexcept {
  switch (WaitForSingleObject(h_.get(), timeout_ms)) {
    case WAIT_OBJECT_0:
      return WaitResult::Signaled;
    case WAIT_TIMEOUT:
      return WaitResult::Timeout;
    case WAIT_ABANDONED:
      return WaitResult::Abandoned;
    default:
      return WaitResult::Error;
  }
}

TThread::TThread() {
  thread_.reset(CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &id_));
}

TThread::~TThread() {
  Stop();
}

void TThread::Resume() noexcept {
  if (thread_ && !resumed_) {
    resumed_ = true;
    ResumeThread(thread_.get());
  }
}

void TThread::Terminate() noexcept {
  terminated_ = true;
  TerminateRequested();
}

bool TThread::WaitFor(DWORD timeout_ms) noexcept {
  if (!thread_) return true;
  // A thread never started has nothing to wait for: let it run straight out.
  if (!resumed_) Resume();
  return WaitForSingleObject(thread_.get(), timeout_ms) == WAIT_OBJECT_0;
}

void TThread::Stop() noexcept {
  if (!thread_ || finished_) return;
  Terminate();
  WaitFor(INFINITE);
}

DWORD WINAPI TThread::ThreadProc(LPVOID self) noexcept {
  auto* t = static_cast<TThread*>(self);
  // A thread terminated before it was resumed does no work at all.
  if (!t->terminated_) {
    try {
      t->Execute();
    } catch (...) {
    }
  }
  t->finished_ = true;
  return 0;
}

}  // namespace winkit

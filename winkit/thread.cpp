#include "winkit/thread.h"

#include <exception>

#include "winkit/application.h"

namespace winkit {
namespace {

std::atomic<ThreadErrorReporter> g_reporter{nullptr};

void Report(const std::string& message, const std::string& class_name) noexcept {
  if (ThreadErrorReporter r = g_reporter.load()) {
    try {
      r(message, class_name);
      return;
    } catch (...) {
    }
  }
  OutputDebugStringA(("Thread error:" + message + " " + class_name + "\n").c_str());
}

}  // namespace

void SetThreadErrorReporter(ThreadErrorReporter reporter) noexcept { g_reporter = reporter; }

void ReportStuckThread(DWORD thread_id) noexcept {
  try {
    Report("thread " + std::to_string(thread_id) + " did not end within " + std::to_string(kThreadStopWaitMs / 1000) +
               " s and is left running",
           "winkit::ThreadOwner");
  } catch (...) {
  }
}

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
  // Only a thread whose owner did not stop it is still running here.
  if (!thread_ || finished_) return;
  Terminate();
  WaitFor(INFINITE);
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

DWORD WINAPI TThread::ThreadProc(LPVOID self) noexcept {
  auto* t = static_cast<TThread*>(self);
  // A thread terminated before it was resumed does no work at all.
  if (!t->terminated_) {
    try {
      t->Execute();
    } catch (...) {
      std::string message, class_name;
      try {
        TApplication::Describe(std::current_exception(), message, class_name);
      } catch (...) {
      }
      Report(message, class_name);
    }
  }
  t->finished_ = true;
  return 0;
}

}  // namespace winkit

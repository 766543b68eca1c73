#include "tasks/foldermonitor.h"

#include <stdexcept>
#include <vector>

#include "app/base/log.h"
#include "app/base/paths.h"

// Waits on the change notice and on its stop event; passes every notice on.
class TFolderWatchThread : public winkit::TThread {
 public:
  TFolderWatchThread(HANDLE notice, std::function<void()> signalled)
      : notice_(notice), signalled_(std::move(signalled)) {}
  ~TFolderWatchThread() override {
    if (notice_ != INVALID_HANDLE_VALUE) FindCloseChangeNotification(notice_);
  }

 protected:
  void Execute() override {
    const HANDLE waits[] = {stop_.Handle(), notice_};
    while (!Terminated()) {
      const DWORD r = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
      if (r != WAIT_OBJECT_0 + 1 || Terminated()) return;
      signalled_();
      if (!FindNextChangeNotification(notice_)) return;
    }
  }
  void TerminateRequested() noexcept override { stop_.SetEvent(); }

 private:
  HANDLE notice_;
  std::function<void()> signalled_;
  winkit::TEvent stop_;
};

TRxFolderMonitor::TRxFolderMonitor(std::string folder, std::function<void()> on_change, UINT delay_ms)
    : folder_(std::move(folder)), on_change_(std::move(on_change)), delay_ms_(delay_ms) {}

TRxFolderMonitor::~TRxFolderMonitor() { Deactivate(); }

void TRxFolderMonitor::Activate() {
  if (Active() || folder_.empty() || !FolderExists(folder_)) return;
  const HANDLE notice = FindFirstChangeNotificationA(folder_.c_str(), TRUE, kFilter);
  if (notice == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    throw std::runtime_error(SystemMessage(error));
  }
  TouchSubFolders(folder_);
  winkit::THandoff* handoff = &handoff_;
  // The thread only posts; the handoff drops what is still queued when the
  // monitor goes, so no notice reaches a monitor that is gone.
  thread_ = winkit::ThreadOwner<TFolderWatchThread>::Make(notice, [this, handoff] {
    handoff->Post([this] { Signalled(); });
  });
  thread_->Resume();
}

void TRxFolderMonitor::Deactivate() { thread_.reset(); }

void TRxFolderMonitor::Signalled() {
  if (handoff_.Waiting(kDelayId)) return;
  handoff_.After(kDelayId, delay_ms_, [this] {
    if (on_change_) on_change_();
  });
}

void TouchSubFolders(const std::string& folder, int limit) {
  std::vector<std::string> pending{folder};
  int seen = 0;
  while (!pending.empty() && seen < limit) {
    std::string dir = pending.back();
    pending.pop_back();
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    WIN32_FIND_DATAA fd{};
    const HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      const std::string name = fd.cFileName;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != ".." &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        pending.push_back(dir + name);
        ++seen;
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
}

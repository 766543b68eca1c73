#pragma once
// Watches one folder and its sub-folders for new, renamed, resized and
// rewritten files and folders. A waiting thread only hands each change
// notice to the thread that made the monitor; there a one-shot delay starts
// unless one is running, and when it ends the change handler is called once:
// a burst of changes within the delay gives one call.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "winkit/handoff.h"
#include "winkit/thread.h"

class TFolderWatchThread;

class TRxFolderMonitor {
 public:
  static constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                   FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
  static constexpr UINT kDefaultDelayMs = 1000;

  TRxFolderMonitor(std::string folder, std::function<void()> on_change, UINT delay_ms = kDefaultDelayMs);
  TRxFolderMonitor(const TRxFolderMonitor&) = delete;
  TRxFolderMonitor& operator=(const TRxFolderMonitor&) = delete;
  ~TRxFolderMonitor();

  // Starts watching; a folder that does not exist stays unwatched, without
  // a message. Throws the system's error when an existing folder cannot be
  // watched. Nothing happens when already active.
  void Activate();
  // Ends the waiting thread; a delay already running still ends in a call.
  void Deactivate();
  bool Active() const noexcept { return static_cast<bool>(thread_); }
  bool DelayRunning() const { return handoff_.Waiting(kDelayId); }
  const std::string& Folder() const noexcept { return folder_; }

 private:
  static constexpr UINT_PTR kDelayId = 1;
  void Signalled();

  std::string folder_;
  std::function<void()> on_change_;
  UINT delay_ms_;
  winkit::THandoff handoff_;
  winkit::ThreadOwner<TFolderWatchThread> thread_;
};

// Opens every folder below `folder` once (at most `limit` of them), which
// is what makes Wine watch sub-folders that existed before the watch began.
void TouchSubFolders(const std::string& folder, int limit = 10000);

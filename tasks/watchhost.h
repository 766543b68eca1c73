#pragma once
// What watch mode and the folder run use of the main window, which
// implements this. The folders below the window reach it only through here.
#include <windows.h>

#include <vector>

#include "drivers/pagesetup.h"
#include "engine/printfile.h"
#include "tasks/settings/printaction.h"

class TProgform;

class IWatchHost {
 public:
  virtual ~IWatchHost() = default;

  // The window that owns dialogs, progress windows and timers.
  virtual HWND HostWindow() const = 0;

  // The watch tasks and the current print settings. The watch folder dialog
  // adds and deletes tasks at any time, also while a pass waits inside the
  // print path: a pass holds no reference or iterator into Tasks() across a
  // print, it copies the task it prints (into CurrentAction()) and reads the
  // count afresh before each task.
  virtual std::vector<CPrintAction>& Tasks() = 0;
  virtual CPrintAction& CurrentAction() = 0;

  // Watch mode is on / a watch pass is running.
  virtual bool InWatchMode() const = 0;
  virtual void SetInWatchMode(bool on) = 0;
  virtual bool PassRunning() const = 0;
  virtual void SetPassRunning(bool on) = 0;
  // How the folder run sorts a folder's files: 0 name, 1 last write,
  // 2 creation, 3 last access.
  virtual int FolderSort() const = 0;
  // The user confirmed leaving the program: a run that stops closes the
  // window.
  virtual bool ExitWasConfirmed() const = 0;
  // Where the browser's page setup and the program's own live.
  virtual PageSetupPlace PageSetup() const = 0;
  // Prints one request (PrintDocument).
  virtual bool PrintRequestNow(CPrintFile& request) = 0;

  // The pass timer (about 500 ms after it is switched on, one pass).
  virtual bool PassTimerOn() const = 0;
  virtual void SetPassTimer(bool on) = 0;

  // The notification-area icon.
  virtual void ShowTrayIcon(bool shown) = 0;

  // The open progress window of a run, which the run closes at its end.
  virtual TProgform*& RunProgressWindow() = 0;
};

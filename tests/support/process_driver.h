#pragma once
// Drives the real Quirefeed.exe from a test process, as a user would: start
// it, find its windows on the shared virtual desktop, send it messages, save
// pictures of its windows.
#include <windows.h>

#include <string>

#include "support/waitfor.h"

namespace qftest {

class AppProcess {
 public:
  AppProcess() = default;
  AppProcess(const AppProcess&) = delete;
  AppProcess& operator=(const AppProcess&) = delete;
  ~AppProcess();

  // Starts the program, with `args` after its name; false with the system
  // error in `error` on failure.
  bool Start(const std::string& exe, DWORD* error = nullptr, const std::string& args = "");
  // Waits for the process to end; true when it did within the time.
  bool WaitExit(DWORD timeout_ms, DWORD* exit_code = nullptr);
  bool Running() const;
  void Kill();
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }

 private:
  PROCESS_INFORMATION info_{};
};

// The first top-level window of the given class (and caption, when given)
// that belongs to process `pid` (any process when 0), waiting up to
// timeout_ms for it to appear.
HWND WaitForWindow(const char* window_class, const char* caption, DWORD pid, DWORD timeout_ms);
// The same, for a window that is also visible.
HWND WaitForVisibleWindow(const char* window_class, const char* caption, DWORD pid, DWORD timeout_ms);

// Text of a window, read with WM_GETTEXT (works across processes).
std::string WindowText(HWND wnd);

// Saves what the window shows as a 24-bit BMP; false when nothing could be
// captured.
bool SaveWindowPicture(HWND wnd, const std::string& bmp_path);

// Waits for a message box with this caption (of any process on the desktop),
// returns its text and presses its OK button; "" with `found` false when
// none appeared in time.
std::string AnswerMessageBox(const char* caption, DWORD timeout_ms, bool* found = nullptr, int button = IDOK);

// Waits for a common Open or Save dialog with this caption, types `name`
// into its file-name field and presses OK; true when the dialog then closed.
bool AnswerFileDialog(const char* caption, const std::string& name, DWORD timeout_ms);

// Whether the program's tray icon (window `wnd`, id 0) is in the tray now.
bool TrayIconPresent(HWND wnd);

// "E&xit" as a user chooses it, "Exit Quirefeed?" answered OK (the program
// is not in watch mode); true when the process then ended.
bool ExitThroughTheMenu(AppProcess& app, HWND wnd, DWORD* exit_code = nullptr);

// True when no "Confirm" box of process `pid` follows the one just
// answered: once that box is gone and the window `wnd` took a message sent
// to it, the command that asked has either returned or shown its next box.
bool NoFurtherQuestion(HWND wnd, DWORD pid);

// Clicks button `index` of a tool bar of another process, as the mouse would.
bool ClickToolButton(HWND toolbar, int index);

// The menu tree of another process's window, read from inside that process
// by the hook DLL at `hook_dll`: one item a line, two spaces a level,
// " [grayed]", " [checked]", " [picture]" after the caption where they apply.
std::string ReadForeignMenus(HWND wnd, const std::string& hook_dll);

// Writes the value "StartUp" (watch mode at start) of the program's key.
inline void SetStartUp(DWORD on) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quirefeed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, "StartUp", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
  RegCloseKey(key);
}

}  // namespace qftest

#pragma once
// Base of every window of the program: registers its window class, routes
// messages to a member, keeps exceptions inside, and can run modally.
#include <windows.h>

#include <string>

#include "winkit/handles.h"

namespace winkit {

class TForm {
 public:
  TForm() = default;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;
  virtual ~TForm();

  HWND Handle() const noexcept { return wnd_; }

  // Shows the window modally: disables the owner, pumps messages until
  // SetModalResult is called with a non-zero value or the window goes away,
  // then hides the window and returns the result.
  int ShowModal(HWND owner);
  // Ends the modal loop. The loop may sleep in WaitMessage, which a message
  // sent from another thread does not end: a posted no-op wakes it.
  void SetModalResult(int r) noexcept {
    modal_result_ = r;
    if (wnd_) PostMessageA(wnd_, WM_NULL, 0, 0);
  }
  int ModalResult() const noexcept { return modal_result_; }

 protected:
  struct ClassInfo {
    const char* name;
    HICON icon = nullptr;
    HICON small_icon = nullptr;
    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  };
  struct CreateInfo {
    const char* caption = "";
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD ex_style = 0;
    int client_width = CW_USEDEFAULT;  // client size; the frame is added
    int client_height = CW_USEDEFAULT;
    HWND owner = nullptr;
    HMENU menu = nullptr;
    bool centre = true;
    HWND centre_over = nullptr;  // centred over this window; else on the screen
  };

  // Registers the class once per process and creates the window; false with
  // GetLastError() set on failure.
  bool CreateForm(const ClassInfo& cls, const CreateInfo& info);

  // Messages of this window. The default passes them to DefWindowProc.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(wnd_, msg, wp, lp); }

 private:
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  HWND wnd_ = nullptr;
  int modal_result_ = 0;
};

// The font of a window's controls: `face` at `points` for the window's
// screen resolution.
GdiObject CreateFormFont(HWND wnd, const char* face, int points);

}  // namespace winkit

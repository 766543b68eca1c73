#include "winkit/form.h"

#include "winkit/application.h"

namespace winkit {

TForm::~TForm() {
  if (wnd_ && IsWindow(wnd_)) {
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, 0);
    DestroyWindow(wnd_);
  }
}

bool TForm::CreateForm(const ClassInfo& cls, const CreateInfo& info) {
  HINSTANCE inst = TApplication::Get().Instance();
  WNDCLASSEXA wc{};
  if (!GetClassInfoExA(inst, cls.name, &wc)) {
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = cls.background;
    wc.lpszClassName = cls.name;
    if (!RegisterClassExA(&wc)) return false;
  }
  int w = info.client_width, h = info.client_height;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (w != CW_USEDEFAULT && h != CW_USEDEFAULT) {
    RECT rc{0, 0, w, h};
    AdjustWindowRectEx(&rc, info.style, info.menu != nullptr, info.ex_style);
    w = rc.right - rc.left;
    h = rc.bottom - rc.top;
    if (info.centre) {
      RECT work{};
      if (!info.centre_over || !GetWindowRect(info.centre_over, &work))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
      x = work.left + (work.right - work.left - w) / 2;
      y = work.top + (work.bottom - work.top - h) / 2;
    }
  }
  wnd_ =
      CreateWindowExA(info.ex_style, cls.name, info.caption, info.style, x, y, w, h, info.owner, info.menu, inst, this);
  if (!wnd_) return false;
  // Icons go to each window, not to the class: a class keeps living after
  // the window whose owner frees its icons, and a later window of the class
  // would show freed icons.
  if (cls.icon) SendMessageA(wnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(cls.icon));
  if (cls.small_icon) SendMessageA(wnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(cls.small_icon));
  return true;
}

LRESULT TForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  return Default(msg, wp, lp);
}

LRESULT CALLBACK TForm::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    auto* self = static_cast<TForm*>(cs->lpCreateParams);
    self->wnd_ = wnd;
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TForm*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(wnd, msg, wp, lp);
  LRESULT r = 0;
  try {
    r = self->HandleMessage(msg, wp, lp);
  } catch (...) {
    TApplication::Get().HandleException();
    r = msg == WM_CLOSE ? 0 : DefWindowProcA(wnd, msg, wp, lp);
  }
  // The window is gone whatever its handler did: the form lets go of it.
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    self->wnd_ = nullptr;
  }
  return r;
}

int TForm::ShowModal(HWND owner) {
  modal_result_ = 0;
  const bool owner_was_enabled = owner && IsWindowEnabled(owner);
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(wnd_, SW_SHOW);
  SetForegroundWindow(wnd_);
  auto& app = TApplication::Get();
  MSG msg;
  while (modal_result_ == 0 && wnd_ && IsWindow(wnd_) && !app.Terminated()) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      app.ProcessMessages();
    } else {
      app.DoIdle();
      WaitMessage();
    }
  }
  if (owner) {
    EnableWindow(owner, owner_was_enabled ? TRUE : FALSE);
    SetForegroundWindow(owner);
  }
  if (wnd_) ShowWindow(wnd_, SW_HIDE);
  return modal_result_ ? modal_result_ : IDCANCEL;
}

GdiObject CreateFormFont(HWND wnd, const char* face, int points) {
  HDC dc = GetDC(wnd);
  const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(wnd, dc);
  return GdiObject(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face));
}

}  // namespace winkit

#include "engine/progfrm.h"

#include <commctrl.h>

#include "engine/printfile.h"
#include "winkit/application.h"
#include "winkit/controls.h"

TProgform::TProgform(HWND owner) : owner_(owner) {
  CreateInfo info;
  info.caption = "Print Progress";
  // A tool window without system menu: only Stop closes it.
  info.style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  info.ex_style = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
  info.client_width = 310;
  info.client_height = 110;
  info.owner = owner;
  info.centre_over = owner;
  if (!CreateForm(ClassInfo{"TProgform"}, info)) return;
  font_ = winkit::CreateFormFont(Handle(), "MS Sans Serif", 8);
  animate_ = winkit::CreateControl(Handle(), nullptr, {ANIMATE_CLASSA, "", 0, 0, kAnimate1, 120, 8, 80, 65});
  // Owner-drawn so that its caption can be red.
  button_ = winkit::CreateControl(Handle(), static_cast<HFONT>(font_.get()),
                                  {WC_BUTTONA, "&Stop", WS_TABSTOP | BS_OWNERDRAW, 0, kButton1, 120, 84, 75, 25});
  FormCreate();
}

TProgform::~TProgform() {
  FormClose();
}

void TProgform::FormCreate() {
  // The animation is a resource of the program: type "AVI", name "MYAVI".
  const bool opened =
      SendMessageA(animate_, ACM_OPENA, reinterpret_cast<WPARAM>(winkit::TApplication::Get().Instance()),
                   reinterpret_cast<LPARAM>("MYavi")) != 0;
  playing_ = opened && SendMessageA(animate_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 9)) != 0;
}

void TProgform::FormClose() {
  if (animate_ && IsWindow(animate_)) {
    SendMessageA(animate_, ACM_STOP, 0, 0);
    playing_ = false;
    SendMessageA(animate_, ACM_OPENA, 0, 0);
  }
  animate_ = nullptr;
  if (Handle()) DestroyWindow(Handle());
}

int TProgform::Run() {
  if (!Handle()) return IDCANCEL;
  if (run_) PostMessageA(Handle(), kRunMessage, 0, 0);
  const int result = ShowModal(owner_);
  FormClose();
  return result;
}

void TProgform::Close() {
  if (ModalResult() == 0) SetModalResult(IDCANCEL);
}

void TProgform::Button1Click() {
  StopPrinting = true;
  SetModalResult(IDCANCEL);
}

namespace {

void DrawStopButton(const DRAWITEMSTRUCT& di) {
  RECT rc = di.rcItem;
  const bool pressed = (di.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(di.hDC, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  SetBkMode(di.hDC, TRANSPARENT);
  SetTextColor(di.hDC, RGB(255, 0, 0));
  if (pressed) OffsetRect(&rc, 1, 1);
  DrawTextA(di.hDC, "&Stop", -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (di.itemState & ODS_FOCUS) {
    RECT focus = di.rcItem;
    InflateRect(&focus, -4, -4);
    DrawFocusRect(di.hDC, &focus);
  }
}

}  // namespace

LRESULT TProgform::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kRunMessage:
      if (run_) run_(*this);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kButton1) {
        Button1Click();
        return 0;
      }
      break;
    case WM_DRAWITEM:
      if (wp == static_cast<WPARAM>(kButton1)) {
        DrawStopButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      // Only Stop closes the window.
      return 0;
  }
  return Default(msg, wp, lp);
}

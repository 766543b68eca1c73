#include "drivers/hoptionfrm.h"

#include <commctrl.h>

#include <iterator>

#include "winkit/application.h"

void Edit3KeyPress(const std::string& text, char& key) {
  const auto code = static_cast<unsigned char>(key);
  if (code < 32 || code == 127) return;
  if (key == '.') {
    if (text.find('.') != std::string::npos) key = 0;
    return;
  }
  if (key >= '0' && key <= '9') return;
  key = 0;
}

namespace {

constexpr int kSubclassId = 1;

std::string TextOf(HWND wnd) {
  const int n = GetWindowTextLengthA(wnd);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  GetWindowTextA(wnd, s.data(), n + 1);
  s.resize(static_cast<size_t>(n));
  return s;
}

}  // namespace

LRESULT CALLBACK THOptionform::MarginEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) noexcept {
  if (msg == WM_CHAR && wp <= 0xFF) {
    char key = static_cast<char>(wp);
    Edit3KeyPress(TextOf(wnd), key);
    if (key == 0) return 0;
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

void THOptionform::CreateControls() {
  HWND wnd = Handle();
  HINSTANCE inst = winkit::TApplication::Get().Instance();
  font_ = winkit::CreateFormFont(wnd, "MS Sans Serif", 8);
  auto add = [&](const char* cls, const char* text, DWORD style, DWORD ex, int id, int x, int y, int w, int h) {
    HWND c = CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, wnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return c;
  };
  const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
  add(WC_BUTTONA, "Headers and Footers", BS_GROUPBOX, 0, -1, 8, 6, 433, 76);
  add(WC_STATICA, "Header", 0, 0, -1, 20, 29, 50, 16);
  edits_[0] = add(WC_EDITA, "", edit, WS_EX_CLIENTEDGE, kEdit1, 76, 26, 352, 21);
  add(WC_STATICA, "Footer", 0, 0, -1, 20, 55, 50, 16);
  edits_[1] = add(WC_EDITA, "", edit, WS_EX_CLIENTEDGE, kEdit2, 76, 52, 352, 21);
  add(WC_BUTTONA, "Margins (Millimeters)", BS_GROUPBOX, 0, -1, 8, 88, 433, 56);
  const char* margins[] = {"Left", "Right", "Top", "Bottom"};
  for (int i = 0; i < 4; ++i) {
    const int x = 20 + i * 106;
    add(WC_STATICA, margins[i], 0, 0, -1, x, 112, 40, 16);
    edits_[2 + i] = add(WC_EDITA, "", edit, WS_EX_CLIENTEDGE, kEdit3 + i, x + 42, 109, 52, 21);
    SetWindowSubclass(edits_[2 + i], &THOptionform::MarginEditProc, kSubclassId, 0);
  }
  add(WC_BUTTONA, "&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 282, 156, 75, 25);
  add(WC_BUTTONA, "&Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, 366, 156, 75, 25);
}

bool THOptionform::Execute(HWND owner, PageSetupValues& values) {
  CreateInfo info;
  info.caption = "HTML Print Options";
  info.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  info.ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  info.client_width = 449;
  info.client_height = 189;
  info.owner = owner;
  info.centre_over = owner;
  if (!CreateForm(ClassInfo{"THOptionform"}, info)) return false;
  CreateControls();
  std::string* fields[] = {&values.header,       &values.footer,     &values.margin_left,
                           &values.margin_right, &values.margin_top, &values.margin_bottom};
  for (size_t i = 0; i < std::size(fields); ++i) SetWindowTextA(edits_[i], fields[i]->c_str());
  SetFocus(edits_[0]);
  const bool ok = ShowModal(owner) == IDOK;
  if (ok)
    for (size_t i = 0; i < std::size(fields); ++i) *fields[i] = TextOf(edits_[i]);
  for (HWND e : edits_) RemoveWindowSubclass(e, &THOptionform::MarginEditProc, kSubclassId);
  DestroyWindow(Handle());
  return ok;
}

LRESULT THOptionform::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        SetModalResult(LOWORD(wp));
        return 0;
      }
      break;
    case WM_CLOSE:
      SetModalResult(IDCANCEL);
      return 0;
  }
  return Default(msg, wp, lp);
}

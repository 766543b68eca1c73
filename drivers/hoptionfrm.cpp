#include "drivers/hoptionfrm.h"

#include <commctrl.h>

#include <iterator>


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

}  // namespace

LRESULT CALLBACK THOptionform::MarginEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) noexcept {
  if (msg == WM_CHAR && wp <= 0xFF) {
    char key = static_cast<char>(wp);
    Edit3KeyPress(winkit::TControl(wnd).Text(), key);
    if (key == 0) return 0;
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

namespace {

const winkit::DialogLayout& Layout() {
  static const winkit::DialogLayout layout = [] {
    winkit::DialogLayout l{"THOptionform", "HTML Print Options", 449, 189, {}};
    const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
    l.controls = {
        {WC_BUTTONA, "Headers and Footers", BS_GROUPBOX, 0, -1, 8, 6, 433, 76},
        {WC_STATICA, "Header", 0, 0, -1, 20, 29, 50, 16},
        {WC_EDITA, "", edit, WS_EX_CLIENTEDGE, THOptionform::kEdit1, 76, 26, 352, 21},
        {WC_STATICA, "Footer", 0, 0, -1, 20, 55, 50, 16},
        {WC_EDITA, "", edit, WS_EX_CLIENTEDGE, THOptionform::kEdit2, 76, 52, 352, 21},
        {WC_BUTTONA, "Margins (Millimeters)", BS_GROUPBOX, 0, -1, 8, 88, 433, 56},
    };
    const char* margins[] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) {
      const int x = 20 + i * 106;
      l.controls.push_back({WC_STATICA, margins[i], 0, 0, -1, x, 112, 40, 16});
      l.controls.push_back({WC_EDITA, "", edit, WS_EX_CLIENTEDGE, THOptionform::kEdit3 + i, x + 42, 109, 52, 21});
    }
    l.controls.push_back({WC_BUTTONA, "&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 282, 156, 75, 25});
    l.controls.push_back({WC_BUTTONA, "&Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, 366, 156, 75, 25});
    return l;
  }();
  return layout;
}

}  // namespace

bool THOptionform::Execute(HWND owner, PageSetupValues& values) {
  values_ = &values;
  const bool ok = Run(owner, Layout()) == IDOK;
  values_ = nullptr;
  return ok;
}

std::string* THOptionform::Field(int i) const {
  std::string* fields[] = {&values_->header,       &values_->footer,     &values_->margin_left,
                           &values_->margin_right, &values_->margin_top, &values_->margin_bottom};
  return fields[i];
}

void THOptionform::OnInit() {
  for (int i = 0; i < kFields; ++i) {
    edits_[i] = winkit::TEdit(Control(kEdit1 + i));
    edits_[i].SetText(*Field(i));
  }
  for (int i = 2; i < kFields; ++i) SetWindowSubclass(edits_[i].Handle(), &THOptionform::MarginEditProc, kSubclassId, 0);
  edits_[0].Focus();
}

void THOptionform::OnClose(int result) {
  if (result == IDOK)
    for (int i = 0; i < kFields; ++i) *Field(i) = edits_[i].Text();
  for (int i = 2; i < kFields; ++i) RemoveWindowSubclass(edits_[i].Handle(), &THOptionform::MarginEditProc, kSubclassId);
}

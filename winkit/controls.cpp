#include "winkit/controls.h"

#include "winkit/application.h"

namespace winkit {

HWND CreateControl(HWND parent, HFONT font, const ControlSpec& row) {
  const DWORD style = WS_CHILD | (row.hidden ? 0 : WS_VISIBLE) | row.style;
  HWND c = CreateWindowExA(row.ex_style, row.cls, row.text, style, row.x, row.y,
                           row.w, row.h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                           TApplication::Get().Instance(), nullptr);
  if (c && font) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

std::vector<HWND> CreateControls(HWND parent, HFONT font, std::initializer_list<ControlSpec> layout) {
  return CreateControls(parent, font, std::vector<ControlSpec>(layout));
}

std::vector<HWND> CreateControls(HWND parent, HFONT font, const std::vector<ControlSpec>& layout) {
  std::vector<HWND> made;
  made.reserve(layout.size());
  for (const ControlSpec& row : layout) made.push_back(CreateControl(parent, font, row));
  return made;
}

std::string TControl::Text() const {
  const int n = GetWindowTextLengthA(h_);
  if (n <= 0) return {};
  std::string s(static_cast<size_t>(n) + 1, '\0');
  const int got = GetWindowTextA(h_, s.data(), n + 1);
  s.resize(static_cast<size_t>(got > 0 ? got : 0));
  return s;
}

int TRadioGroup::ItemIndex() const noexcept {
  for (int i = 0; i < Count(); ++i)
    if (SendMessageA(buttons_[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return i;
  return -1;
}

void TRadioGroup::SetItemIndex(int index) const noexcept {
  for (int i = 0; i < Count(); ++i)
    SendMessageA(buttons_[i], BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TRadioGroup::Holds(int id) const noexcept {
  for (HWND b : buttons_)
    if (GetDlgCtrlID(b) == id) return true;
  return false;
}

int TComboBox::Add(const std::string& text) const noexcept {
  return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

std::string TComboBox::Item(int index) const {
  const LRESULT n = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (n == CB_ERR || n <= 0) return {};
  std::string s(static_cast<size_t>(n) + 1, '\0');
  const LRESULT got = Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
  return s;
}

int TComboBox::Find(const std::string& text) const noexcept {
  return static_cast<int>(Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
}

void TListView::AddColumn(const std::string& caption, int width) const {
  std::string text = caption;
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = text.data();
  col.cx = width;
  const auto header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
  const int at = header ? Header_GetItemCount(header) : 0;
  Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&col));
}

int TListView::AddItem(const std::string& text, LPARAM data, int image) const {
  std::string copy = text;
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
  item.iItem = Count();
  item.pszText = copy.data();
  item.lParam = data;
  item.iImage = image;
  return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void TListView::SetCell(int row, int column, const std::string& text) const {
  std::string copy = text;
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = copy.data();
  Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string TListView::Cell(int row, int column) const {
  // The list view cuts a text to the buffer it is given: grow until it fits.
  for (size_t size = 256; size <= 65536; size *= 4) {
    std::string buf(size, '\0');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buf.data();
    item.cchTextMax = static_cast<int>(size);
    const auto n = static_cast<size_t>(Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (n + 1 < size) return buf.substr(0, n);
  }
  return {};
}

LPARAM TListView::Data(int row) const noexcept {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

void TListView::Select(int row) const noexcept {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  Send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace winkit

#pragma once
// Child controls of a form: one way to create them (with the form's font),
// a layout described once as a table, and thin typed wrappers around the
// handles. The wrappers own nothing: a control dies with its parent.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace winkit {

// One control of a layout, in client pixels of its parent. WS_CHILD is
// always added, and WS_VISIBLE unless the control starts hidden.
struct ControlSpec {
  const char* cls;
  const char* text = "";
  DWORD style = 0;
  DWORD ex_style = 0;
  int id = -1;
  int x = 0, y = 0, w = 0, h = 0;
  bool hidden = false;
};

// Creates the control described by `row` on `parent` and gives it `font`
// (when not null); null with GetLastError() set when it failed.
HWND CreateControl(HWND parent, HFONT font, const ControlSpec& row);
// The controls of a layout, in its order.
std::vector<HWND> CreateControls(HWND parent, HFONT font, std::initializer_list<ControlSpec> layout);
std::vector<HWND> CreateControls(HWND parent, HFONT font, const std::vector<ControlSpec>& layout);

// Common to every control.
class TControl {
 public:
  TControl() noexcept = default;
  explicit TControl(HWND h) noexcept : h_(h) {}
  HWND Handle() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != nullptr; }
  int Id() const noexcept { return h_ ? GetDlgCtrlID(h_) : 0; }
  std::string Text() const;
  void SetText(const std::string& text) const noexcept { SetWindowTextA(h_, text.c_str()); }
  bool Enabled() const noexcept { return IsWindowEnabled(h_) != FALSE; }
  void SetEnabled(bool on) const noexcept { EnableWindow(h_, on ? TRUE : FALSE); }
  bool Visible() const noexcept { return IsWindowVisible(h_) != FALSE; }
  void SetVisible(bool on) const noexcept { ShowWindow(h_, on ? SW_SHOW : SW_HIDE); }
  void Focus() const noexcept { SetFocus(h_); }

 protected:
  LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const noexcept { return SendMessageA(h_, msg, wp, lp); }

 private:
  HWND h_ = nullptr;
};

class TEdit : public TControl {
 public:
  using TControl::TControl;
  void SetMaxLength(int chars) const noexcept { Send(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
  void SetReadOnly(bool on) const noexcept { Send(EM_SETREADONLY, on ? TRUE : FALSE); }
  void SelectAll() const noexcept { Send(EM_SETSEL, 0, -1); }
};

// A check box, or one button of a radio group.
class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  bool Checked() const noexcept { return Send(BM_GETCHECK) == BST_CHECKED; }
  void SetChecked(bool on) const noexcept { Send(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
};

using TGroupBox = TControl;

// Radio buttons of which one is chosen; ItemIndex -1 when none is.
class TRadioGroup {
 public:
  TRadioGroup() = default;
  explicit TRadioGroup(std::vector<HWND> buttons) : buttons_(std::move(buttons)) {}
  int Count() const noexcept { return static_cast<int>(buttons_.size()); }
  int ItemIndex() const noexcept;
  void SetItemIndex(int index) const noexcept;
  HWND Button(int index) const noexcept { return index >= 0 && index < Count() ? buttons_[index] : nullptr; }
  // True when `id` is the id of one of the buttons.
  bool Holds(int id) const noexcept;

 private:
  std::vector<HWND> buttons_;
};

// A drop-down list or combo box; ItemIndex -1 when nothing is chosen.
class TComboBox : public TControl {
 public:
  using TControl::TControl;
  void Clear() const noexcept { Send(CB_RESETCONTENT); }
  int Add(const std::string& text) const noexcept;
  int Count() const noexcept { return static_cast<int>(Send(CB_GETCOUNT)); }
  int ItemIndex() const noexcept { return static_cast<int>(Send(CB_GETCURSEL)); }
  void SetItemIndex(int index) const noexcept { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
  std::string Item(int index) const;
  // The index of the item with exactly this text (case ignored), else -1.
  int Find(const std::string& text) const noexcept;
};

// A report-style list view.
class TListView : public TControl {
 public:
  using TControl::TControl;
  void AddColumn(const std::string& caption, int width) const;
  int Count() const noexcept { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
  void Clear() const noexcept { Send(LVM_DELETEALLITEMS); }
  // Appends a row with its first column's text; its index, -1 on failure.
  int AddItem(const std::string& text, LPARAM data = 0, int image = -1) const;
  void SetCell(int row, int column, const std::string& text) const;
  std::string Cell(int row, int column) const;
  LPARAM Data(int row) const noexcept;
  bool Delete(int row) const noexcept { return Send(LVM_DELETEITEM, static_cast<WPARAM>(row)) != 0; }
  // The first selected row, or -1.
  int Selected() const noexcept { return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }
  void Select(int row) const noexcept;
};

}  // namespace winkit

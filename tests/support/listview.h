#pragma once
// A report list view with the document list's two columns, in a hidden
// window of its own, for tests and benchmarks of the list without the main
// window.
#include <windows.h>
#include <commctrl.h>

namespace qftest {

class TestListView {
 public:
  TestListView() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    view_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 400, 300, parent_,
                            nullptr, nullptr, nullptr);
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 100;
    char name[] = "File Name", size[] = "Size";
    col.pszText = name;
    SendMessageA(view_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
    col.pszText = size;
    SendMessageA(view_, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&col));
  }
  TestListView(const TestListView&) = delete;
  TestListView& operator=(const TestListView&) = delete;
  ~TestListView() { DestroyWindow(parent_); }

  HWND Handle() const { return view_; }

 private:
  HWND parent_ = nullptr, view_ = nullptr;
};

}  // namespace qftest

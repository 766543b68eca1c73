// The window kit for dialogs and the tray: controls from a layout table,
// typed wrappers, command dispatch, the modal dialog, the timer, the tray
// icon and the hand-over from worker threads, on real windows.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "support/waitfor.h"
#include "winkit/application.h"
#include "winkit/controls.h"
#include "winkit/dialog.h"
#include "winkit/handoff.h"
#include "winkit/timer.h"
#include "winkit/tray.h"

namespace {

// Waits, with a bound, until `done` while the application's messages run.
template <typename Done>
::testing::AssertionResult PumpUntil(Done done, const std::string& what) {
  return qftest::WaitFor(
      [&] {
        winkit::TApplication::Get().ProcessMessages();
        return done();
      },
      what, qftest::kWaitMs, 5);
}

enum : int { kName = 101, kCheck, kCombo, kRadio1, kRadio2, kRadio3, kList, kGroup, kApply };

// A dialog with one control of each kind; what it saw is kept for the test.
class SampleDialog : public winkit::TDialog {
 public:
  std::string name_in = "first";
  bool allow_ok = true;
  int ok_refused = 0, applied = 0;
  // Read at close.
  std::string name_out, combo_out, list_cell;
  bool check_out = false;
  int radio_out = -2, combo_index = -2, list_rows = -1;
  // Run inside the modal loop, once the controls are filled.
  std::function<void(SampleDialog&)> script;

  static const winkit::DialogLayout& Layout() {
    static const winkit::DialogLayout layout{
        "TSampleDialog",
        "Sample",
        320,
        240,
        {
            {WC_EDITA, "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kName, 8, 8, 200, 21},
            {WC_BUTTONA, "Check", WS_TABSTOP | BS_AUTOCHECKBOX, 0, kCheck, 8, 34, 100, 17},
            {WC_COMBOBOXA, "", WS_TABSTOP | CBS_DROPDOWNLIST, 0, kCombo, 8, 56, 120, 120},
            {WC_BUTTONA, "Options", BS_GROUPBOX, 0, kGroup, 150, 30, 160, 90},
            {WC_BUTTONA, "One", WS_TABSTOP | BS_AUTORADIOBUTTON | WS_GROUP, 0, kRadio1, 160, 46, 100, 17},
            {WC_BUTTONA, "Two", BS_AUTORADIOBUTTON, 0, kRadio2, 160, 66, 100, 17},
            {WC_BUTTONA, "Three", BS_AUTORADIOBUTTON, 0, kRadio3, 160, 86, 100, 17},
            {WC_LISTVIEWA, "", LVS_REPORT | WS_BORDER, 0, kList, 8, 124, 300, 70},
            {WC_BUTTONA, "Apply", WS_TABSTOP, 0, kApply, 8, 204, 75, 25},
            {WC_BUTTONA, "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 150, 204, 75, 25},
            {WC_BUTTONA, "Cancel", WS_TABSTOP, 0, IDCANCEL, 235, 204, 75, 25},
        }};
    return layout;
  }

  winkit::TEdit name;
  winkit::TCheckBox check;
  winkit::TComboBox combo;
  winkit::TRadioGroup radio;
  winkit::TListView list;

 protected:
  void OnInit() override {
    name = winkit::TEdit(Control(kName));
    check = winkit::TCheckBox(Control(kCheck));
    combo = winkit::TComboBox(Control(kCombo));
    radio = winkit::TRadioGroup({Control(kRadio1), Control(kRadio2), Control(kRadio3)});
    list = winkit::TListView(Control(kList));
    name.SetText(name_in);
    for (const char* item : {"Alpha", "Beta", "Gamma"}) combo.Add(item);
    combo.SetItemIndex(combo.Find("beta"));
    radio.SetItemIndex(2);
    list.AddColumn("File", 200);
    list.AddColumn("Size", 80);
    const int row = list.AddItem("C:\\a.txt", 7);
    list.SetCell(row, 1, std::string(300, 'x'));
    Commands().On(kApply, [this] { ++applied; });
    PostMessageA(Handle(), WM_APP, 0, 0);
  }
  bool CanClose() override {
    if (!allow_ok) ++ok_refused;
    return allow_ok;
  }
  void OnClose(int) override {
    name_out = name.Text();
    check_out = check.Checked();
    combo_index = combo.ItemIndex();
    combo_out = combo.Item(combo_index);
    radio_out = radio.ItemIndex();
    list_rows = list.Count();
    list_cell = list.Cell(0, 1);
  }
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_APP) {
      if (script) script(*this);
      return 0;
    }
    return TDialog::HandleMessage(msg, wp, lp);
  }
};

void Click(HWND button) {
  SendMessageA(button, BM_CLICK, 0, 0);
}

TEST(Dialog, ControlsComeFromTheLayoutWithTheFormsFontAndItsIds) {
  SampleDialog dlg;
  dlg.script = [](SampleDialog& d) {
    HWND wnd = d.Handle();
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "TSampleDialog");
    RECT rc{};
    GetClientRect(wnd, &rc);
    EXPECT_EQ(rc.right, 320);
    EXPECT_EQ(rc.bottom, 240);
    const HWND edit = GetDlgItem(wnd, kName);
    ASSERT_NE(edit, nullptr);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "controls must get the form's font";
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    RECT er{};
    GetWindowRect(edit, &er);
    MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&er), 2);
    EXPECT_EQ(er.left, 8);
    EXPECT_EQ(er.top, 8);
    EXPECT_EQ(er.right - er.left, 200);
    EXPECT_EQ(winkit::TControl(edit).Id(), kName);
    d.SetModalResult(IDCANCEL);
  };
  EXPECT_EQ(dlg.Run(nullptr, SampleDialog::Layout()), IDCANCEL);
  EXPECT_EQ(dlg.Handle(), nullptr) << "the window must be gone after Run";
}

TEST(Dialog, TypedWrappersReadWhatTheUserChangedAndOkEndsIt) {
  SampleDialog dlg;
  dlg.script = [](SampleDialog& d) {
    EXPECT_EQ(d.name.Text(), "first");
    EXPECT_EQ(d.combo.Count(), 3);
    EXPECT_EQ(d.combo.ItemIndex(), 1) << "Find ignores case";
    EXPECT_EQ(d.combo.Find("Delta"), -1);
    EXPECT_EQ(d.radio.ItemIndex(), 2);
    EXPECT_TRUE(d.radio.Holds(kRadio2));
    EXPECT_FALSE(d.radio.Holds(kCheck));
    EXPECT_EQ(d.list.Data(0), 7);
    EXPECT_EQ(d.list.Selected(), -1);
    d.list.Select(0);
    EXPECT_EQ(d.list.Selected(), 0);
    // As a user would: typing, clicking.
    d.name.SetText("second name");
    Click(d.check.Handle());
    Click(d.radio.Button(0));
    d.combo.SetItemIndex(2);
    Click(GetDlgItem(d.Handle(), kApply));
    Click(GetDlgItem(d.Handle(), kApply));
    Click(GetDlgItem(d.Handle(), IDOK));
  };
  EXPECT_EQ(dlg.Run(nullptr, SampleDialog::Layout()), IDOK);
  EXPECT_EQ(dlg.applied, 2) << "a registered command runs its handler";
  EXPECT_EQ(dlg.name_out, "second name");
  EXPECT_TRUE(dlg.check_out);
  EXPECT_EQ(dlg.radio_out, 0);
  EXPECT_EQ(dlg.combo_index, 2);
  EXPECT_EQ(dlg.combo_out, "Gamma");
  EXPECT_EQ(dlg.list_rows, 1);
  EXPECT_EQ(dlg.list_cell, std::string(300, 'x')) << "a long cell must come back whole";
}

TEST(Dialog, OkWaitsForCanCloseWhileCancelAndCloseDoNot) {
  SampleDialog dlg;
  dlg.allow_ok = false;
  dlg.script = [](SampleDialog& d) {
    Click(GetDlgItem(d.Handle(), IDOK));
    EXPECT_EQ(d.ModalResult(), 0) << "a refused OK keeps the dialog open";
    SendMessageA(d.Handle(), WM_CLOSE, 0, 0);
  };
  EXPECT_EQ(dlg.Run(nullptr, SampleDialog::Layout()), IDCANCEL);
  EXPECT_EQ(dlg.ok_refused, 1);
}

TEST(CommandMap, CodeSpecificHandlersComeFirstAndUnknownIdsAreLeftAlone) {
  winkit::TCommandMap map;
  int any = 0, changed = 0;
  LRESULT notified = 0;
  map.On(5, [&] { ++any; });
  map.On(5, EN_CHANGE, [&] { ++changed; });
  map.OnNotify(9, LVN_COLUMNCLICK, [&](const NMHDR& nm) { return static_cast<LRESULT>(nm.idFrom * 2); });
  EXPECT_TRUE(map.Command(MAKEWPARAM(5, BN_CLICKED)));
  EXPECT_TRUE(map.Command(MAKEWPARAM(5, EN_CHANGE)));
  EXPECT_FALSE(map.Command(MAKEWPARAM(6, BN_CLICKED)));
  EXPECT_EQ(any, 1);
  EXPECT_EQ(changed, 1);
  NMHDR nm{nullptr, 9, LVN_COLUMNCLICK};
  EXPECT_TRUE(map.Notify(nm, notified));
  EXPECT_EQ(notified, 18);
  nm.code = LVN_ITEMCHANGED;
  EXPECT_FALSE(map.Notify(nm, notified));
}

// A plain top-level window for the timer and the tray icon.
class Host {
 public:
  Host() {
    wnd_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  }
  ~Host() { DestroyWindow(wnd_); }
  HWND get() const { return wnd_; }

 private:
  HWND wnd_;
};

TEST(Timer, TicksOnlyWhileEnabledAndNeedsAWindow) {
  Host host;
  winkit::TTimer timer(7, 30);
  EXPECT_FALSE(timer.SetEnabled(true)) << "no window yet";
  timer.Attach(host.get());
  ASSERT_TRUE(timer.SetEnabled(true));
  EXPECT_TRUE(timer.Enabled());
  MSG msg;
  EXPECT_TRUE(qftest::WaitFor(
      [&] {
        return PeekMessageA(&msg, host.get(), WM_TIMER, WM_TIMER, PM_REMOVE) && timer.Is(msg.message, msg.wParam);
      },
      "a tick", qftest::kWaitMs, 5));
  EXPECT_FALSE(timer.Is(WM_TIMER, 8));
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Enabled());
  // A second timer of the same period goes on: once it ticked three times,
  // the stopped one would have ticked too.
  winkit::TTimer control(8, 30);
  control.Attach(host.get());
  ASSERT_TRUE(control.SetEnabled(true));
  int control_ticks = 0;
  bool stray = false;
  EXPECT_TRUE(qftest::WaitFor(
      [&] {
        while (PeekMessageA(&msg, host.get(), WM_TIMER, WM_TIMER, PM_REMOVE)) {
          stray = stray || timer.Is(msg.message, msg.wParam);
          control_ticks += control.Is(msg.message, msg.wParam);
        }
        return control_ticks >= 3;
      },
      "three ticks of the second timer", qftest::kWaitMs, 5));
  EXPECT_FALSE(stray) << "a stopped timer still ticked";
}

TEST(TrayIcon, AddsDeletesAndComesBackAfterTheShellRestarts) {
  Host host;
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = host.get();
  data.uID = 3;
  data.uFlags = NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = WM_APP + 5;
  lstrcpyA(data.szTip, "kit test");
  {
    winkit::TTrayIcon icon(data);
    ASSERT_TRUE(icon.Added());
    // Modifying an icon that exists succeeds; one that does not, fails.
    NOTIFYICONDATAA probe = data;
    EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &probe));
    EXPECT_FALSE(icon.OnMessage(WM_APP + 6));
    EXPECT_NE(winkit::TTrayIcon::TaskbarCreatedMessage(), 0u);
    // After a restart the shell knows no icons; the owner adds its own again.
    EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &probe));
    EXPECT_TRUE(icon.OnMessage(winkit::TTrayIcon::TaskbarCreatedMessage()));
    EXPECT_TRUE(icon.Added());
    EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &probe));
  }
  NOTIFYICONDATAA probe = data;
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe)) << "the icon outlived its owner";
}

TEST(Handoff, WorkFromAnotherThreadRunsOnTheOwnersThreadInOrder) {
  winkit::THandoff handoff;
  ASSERT_TRUE(handoff.Ready());
  const DWORD main_thread = GetCurrentThreadId();
  std::atomic<int> ran{0};
  std::string order;
  bool all_on_main = true;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) {
      EXPECT_TRUE(handoff.Post([&, i] {
        all_on_main = all_on_main && GetCurrentThreadId() == main_thread;
        order += static_cast<char>('0' + i);
        ++ran;
      }));
    }
  });
  worker.join();
  EXPECT_EQ(ran.load(), 0) << "nothing runs before the owner's messages are handled";
  EXPECT_TRUE(PumpUntil([&] { return ran.load() == 5; }, "five handed-over calls"));
  EXPECT_EQ(order, "01234");
  EXPECT_TRUE(all_on_main);
}

TEST(Handoff, WorkStillQueuedWhenTheHandoffGoesIsDropped) {
  int ran = 0;
  {
    winkit::THandoff handoff;
    std::thread([&] { handoff.Post([&] { ++ran; }); }).join();
  }
  winkit::TApplication::Get().ProcessMessages();
  EXPECT_EQ(ran, 0);
}

}  // namespace

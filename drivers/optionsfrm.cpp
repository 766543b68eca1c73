#include "drivers/optionsfrm.h"

#include <commctrl.h>

#include "drivers/automation.h"

namespace {

const winkit::DialogLayout& Layout() {
  static const winkit::DialogLayout layout = [] {
    winkit::DialogLayout l{"TOptionsForm", "Print", 375, 369, {}};
    l.centre_over_owner = false;
    const DWORD check = WS_TABSTOP | BS_AUTOCHECKBOX;
    const DWORD rule = SS_ETCHEDHORZ;
    auto box = [&](size_t i, const char* caption, int x, int y, int w) {
      l.controls.push_back({WC_BUTTONA, caption, check, 0, TOptionsForm::kFirstCheck + static_cast<int>(i), x, y, w, 20});
    };
    l.controls.push_back({WC_TABCONTROLA, "", 0, 0, TOptionsForm::kTab, 8, 8, 359, 317});
    l.controls.push_back({WC_STATICA, "Print Options", 0, 0, -1, 20, 40, 80, 16});
    l.controls.push_back({WC_STATICA, "", rule, 0, -1, 104, 48, 250, 2});
    box(0, "&Draft output", 28, 62, 150);
    box(1, "&Update fields", 28, 84, 150);
    box(2, "Update &links", 28, 106, 150);
    box(3, "Allow A4/Letter paper r&esizing", 28, 128, 230);
    box(4, "&Background printing", 200, 62, 160);
    box(5, "Print Postscript over text", 200, 84, 160);
    box(6, "Reverse print order", 200, 106, 160);
    l.controls.push_back({WC_STATICA, "Include with document", 0, 0, -1, 20, 156, 140, 16});
    l.controls.push_back({WC_STATICA, "", rule, 0, -1, 164, 164, 190, 2});
    box(7, "Docu&ment properties ", 28, 178, 150);
    box(8, "&Field codes", 28, 200, 150);
    box(9, "&Hidden text", 200, 178, 160);
    box(10, "Drawing &objects", 200, 200, 160);
    l.controls.push_back({WC_STATICA, "", rule, 0, -1, 20, 230, 334, 2});
    l.controls.push_back({WC_STATICA, "Default &tray :", 0, 0, -1, 20, 243, 80, 16});
    l.controls.push_back(
        {WC_COMBOBOXA, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, TOptionsForm::kComboBox1, 104, 240, 180, 120});
    l.controls.push_back({WC_STATICA, "Options for Duplex  Printing", 0, 0, -1, 20, 274, 170, 16});
    l.controls.push_back({WC_STATICA, "", rule, 0, -1, 194, 282, 160, 2});
    box(11, "Front of the sheet", 28, 296, 150);
    box(12, "Back of the sheet", 200, 296, 160);
    l.controls.push_back({WC_BUTTONA, "&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 208, 336, 75, 25});
    l.controls.push_back({WC_BUTTONA, "&Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, 292, 336, 75, 25});
    return l;
  }();
  return layout;
}

// The object an option belongs to, taken afresh for each option.
winkit::Variant OwnerOf(const winkit::Variant& app, size_t option) {
  return PropertyGet(app, option == kPostScriptOverText ? "ActiveDocument" : "Options");
}

// The application's Quit, on every way out of the command.
class QuitsOnExit {
 public:
  explicit QuitsOnExit(winkit::Variant& app) : app_(app) {}
  QuitsOnExit(const QuitsOnExit&) = delete;
  QuitsOnExit& operator=(const QuitsOnExit&) = delete;
  ~QuitsOnExit() {
    try {
      TAutoArgs<0> none;
      CallFunction(app_, "Quit", none);
    } catch (const EOleSysError&) {
      // The instance is gone already; the error that ended the command is
      // the one to report.
    }
    app_.clear();
  }

 private:
  winkit::Variant& app_;
};

}  // namespace

bool TOptionsForm::Execute(HWND owner, WordPrintOptions& options) {
  options_ = &options;
  const bool ok = Run(owner, Layout()) == IDOK;
  options_ = nullptr;
  return ok;
}

void TOptionsForm::OnInit() {
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>("Print");
  SendMessageA(Control(kTab), TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  // The tab is the backdrop of the controls drawn over it.
  SetWindowPos(Control(kTab), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (size_t i = 0; i < options_->checked.size(); ++i)
    SendMessageA(Control(kFirstCheck + static_cast<int>(i)), BM_SETCHECK,
                 options_->checked[i] ? BST_CHECKED : BST_UNCHECKED, 0);
  for (const char* tray : kTrays) SendMessageA(Control(kComboBox1), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(tray));
  FormShow();
}

void TOptionsForm::FormShow() { SendMessageA(Control(kComboBox1), CB_SETCURSEL, 0, 0); }

void TOptionsForm::OnClose(int result) {
  if (result != IDOK) return;
  for (size_t i = 0; i < options_->checked.size(); ++i)
    options_->checked[i] =
        SendMessageA(Control(kFirstCheck + static_cast<int>(i)), BM_GETCHECK, 0, 0) == BST_CHECKED;
  options_->tray = winkit::TControl(Control(kComboBox1)).Text();
}

void OptionActionExecute(HWND owner) {
  winkit::Variant app = CreateServerObject("Word.Application");
  QuitsOnExit quit(app);
  SetBoolProperty(app, "Visible", false);
  TOptionsForm dialog;
  {
    winkit::Variant documents = PropertyGet(app, "Documents");
    TAutoArgs<0> none;
    CallFunction(documents, "Add", none);
  }
  WordPrintOptions options;
  for (size_t i = 0; i < kWordOptionNames.size(); ++i)
    options.checked[i] = GetBoolProperty(OwnerOf(app, i), kWordOptionNames[i]);
  if (!dialog.Execute(owner, options)) return;
  for (size_t i = 0; i < kWordOptionNames.size(); ++i)
    SetBoolProperty(OwnerOf(app, i), kWordOptionNames[i], options.checked[i]);
  SetTextProperty(PropertyGet(app, "Options"), "DefaultTray", options.tray);
}

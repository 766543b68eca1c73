#pragma once
// "Word Print Options": the word processor's own print options, read from a
// hidden instance into the dialog and, on OK, written back into it. The
// program keeps none of them.
#include <windows.h>

#include <array>
#include <string>

#include "winkit/controls.h"
#include "winkit/dialog.h"

// The check boxes of the dialog, in its tab order, each named after the
// option it shows. PrintPostScriptOverText belongs to the active document,
// every other one to the application's Options.
constexpr std::array<const char*, 13> kWordOptionNames = {
    "PrintDraft",         "UpdateFieldsAtPrint",     "UpdateLinksAtPrint", "MapPaperSize",
    "PrintBackground",    "PrintPostScriptOverText", "PrintReverse",       "PrintProperties",
    "PrintFieldCodes",    "PrintHiddenText",         "PrintDrawingObjects",
    "PrintEvenPagesInAscendingOrder", "PrintOddPagesInAscendingOrder"};
constexpr size_t kPostScriptOverText = 5;

struct WordPrintOptions {
  std::array<bool, kWordOptionNames.size()> checked{};
  std::string tray;  // the combo box's text
};

class TOptionsForm : public winkit::TDialog {
 public:
  // Control ids, for tests that drive the window: the check boxes in the
  // order of kWordOptionNames, then the tray.
  enum : int { kFirstCheck = 201, kComboBox1 = 250, kTab = 260 };
  static constexpr const char* kTrays[] = {"Use printer settings", "Auto Sheet Feeder"};

  // Shows the dialog over `owner` with `options` in its check boxes; true
  // with the dialog's values in `options` when it was closed with OK.
  bool Execute(HWND owner, WordPrintOptions& options);

 protected:
  void OnInit() override;
  void OnClose(int result) override;

 private:
  // Each time the dialog is shown the tray starts at its first item.
  void FormShow();

  WordPrintOptions* options_ = nullptr;
};

// The "&Word Print Options" command: a hidden word-processor instance, an
// empty document, the options read one by one into the dialog and, on OK,
// written back; the instance is told to quit on every way out. Errors of
// the automation calls are raised to the caller (EOleSysError).
void OptionActionExecute(HWND owner);

// The list print run: every row of the document list through PrintDocument,
// with the main window's current print settings.
#include <windows.h>
#include <commctrl.h>

#include "app/base/log.h"
#include "app/mainfrm.h"
#include "engine/progfrm.h"

namespace {

// What every way out of a run puts back: the run flag, the progress bar,
// the cursor, an open progress window, and the Print action.
class ListRunEnd {
 public:
  explicit ListRunEnd(Tmainform& form) : form_(form) {}
  ListRunEnd(const ListRunEnd&) = delete;
  ListRunEnd& operator=(const ListRunEnd&) = delete;
  ~ListRunEnd() { form_.EndListRun(); }

 private:
  Tmainform& form_;
};

}  // namespace

void Tmainform::PrintActionExecute() {
  // 1. No second list run can start inside this one.
  printing_ = true;
  actions_.UpdateAll();
  ListRunEnd end(*this);
  // 2. The browser prints with the program's page setup until the run ends
  // (restored before `end` runs, on every way out).
  PageSetupScope page_setup(HtmlPageSetupPlace());
  // 3.
  StopPrinting = false;
  // 4.
  if (documents_.Count() == 0) return;
  SetBusyCursor(true);
  SendMessageA(pbar_, PBM_SETRANGE32, 0, documents_.Count());
  // Rows removed while a file prints (the waits let commands run) shorten
  // the run: the count is read again before every row.
  for (int i = 0; i < documents_.Count(); ++i) {
    const std::string path = documents_.Path(i);
    CPrintFile request;
    // A damaged stored action narrows to "keep", never to "recycle".
    request.SetAction(RequestAction(DefaultAction.Data->Action));
    request.SetMoveToFolder(DefaultAction.Data->MoveToFolder);
    request.SetPrinterName(DefaultAction.Data->PrinterName);
    if (request.SetFileName(path)) {
      PrintRequest(request);
    } else {
      WriteLog(LogStamp() + "Print \t" + path + "\tFailed! The path is longer than 259 characters");
    }
    SendMessageA(pbar_, PBM_SETPOS, static_cast<WPARAM>(i + 1), 0);
    if (StopPrinting) break;
  }
}

void Tmainform::EndListRun() noexcept {
  // 5. Also after an error inside the run: no run is active any more.
  StopPrinting = true;
  SendMessageA(pbar_, PBM_SETPOS, 0, 0);
  SendMessageA(pbar_, PBM_SETRANGE32, 0, 0);
  SetBusyCursor(false);
  // 6.
  if (ProgressWindow) {
    ProgressWindow->Close();
    ProgressWindow = nullptr;
  }
  // 8. (7, the page setup, was put back just before.)
  printing_ = false;
  actions_.UpdateAll();
}

void Tmainform::SetBusyCursor(bool busy) {
  busy_cursor_ = busy;
  SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(busy ? 32514 /* IDC_WAIT */ : 32512 /* IDC_ARROW */)));
}

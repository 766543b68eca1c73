// The list print run: every row of the document list through PrintDocument,
// with the main window's current print settings.
#include <windows.h>
#include <commctrl.h>

#include "app/base/log.h"
#include "app/mainfrm.h"
#include "engine/printrun.h"
#include "engine/progfrm.h"

namespace {

// What every way out of a list run puts back in the window: the progress
// bar, the cursor and the Print action.
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
  // No second list run can start inside this one.
  printing_ = true;
  actions_.UpdateAll();
  ListRunEnd end(*this);
  // The run flag, the browser's page setup and the progress window, put
  // back before `end` runs, on every way out.
  PrintRunScope run(HtmlPageSetupPlace(), ProgressWindow);
  if (documents_.Count() == 0) return;
  SetBusyCursor(true);
  SendMessageA(pbar_, PBM_SETRANGE32, 0, documents_.Count());
  // Rows removed while a file prints (the waits let commands run) shorten
  // the run: the count is read again before every row.
  for (int i = 0; i < documents_.Count(); ++i) {
    CPrintFile request;
    if (MakePrintRequest(DefaultAction, documents_.Path(i), request)) PrintRequest(request);
    SendMessageA(pbar_, PBM_SETPOS, static_cast<WPARAM>(i + 1), 0);
    if (StopPrinting) break;
  }
}

void Tmainform::EndListRun() noexcept {
  SendMessageA(pbar_, PBM_SETPOS, 0, 0);
  SendMessageA(pbar_, PBM_SETRANGE32, 0, 0);
  SetBusyCursor(false);
  printing_ = false;
  actions_.UpdateAll();
}

void Tmainform::SetBusyCursor(bool busy) {
  busy_cursor_ = busy;
  SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(busy ? 32514 /* IDC_WAIT */ : 32512 /* IDC_ARROW */)));
}

// The main window's printer setting: the system's Print Setup dialog on the
// default printer; what the user chooses becomes DefaultAction's printer and
// settings and is applied at once.
#include <windows.h>
#include <commdlg.h>

#include "app/mainfrm.h"
#include "engine/printswitch.h"
#include "winkit/handles.h"

namespace {

// The two handles a print dialog hands back, freed when done.
struct DialogHandles {
  winkit::GlobalHandle devmode, devnames;
};

}  // namespace

void Tmainform::SettingActionExecute() {
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = Handle();
  pd.Flags = PD_RETURNDEFAULT;
  DialogHandles handles;
  PrintDlgA(&pd);
  handles.devmode.reset(pd.hDevMode);
  handles.devnames.reset(pd.hDevNames);

  pd.Flags = PD_PRINTSETUP;
  pd.hDevMode = handles.devmode.release();
  pd.hDevNames = handles.devnames.release();
  const BOOL chosen = PrintDlgA(&pd);
  // The dialog may have replaced the handles: they are ours either way.
  handles.devmode.reset(pd.hDevMode);
  handles.devnames.reset(pd.hDevNames);
  if (!chosen || !handles.devmode) return;

  const auto* dm = static_cast<const DEVMODEA*>(GlobalLock(handles.devmode.get()));
  if (!dm) return;
  DefaultAction.SetDevMode(dm, GlobalSize(handles.devmode.get()));
  DefaultAction.Data->Action = kActionKeep;
  ApplyPrinterSettings(DefaultAction);
  GlobalUnlock(handles.devmode.get());
}

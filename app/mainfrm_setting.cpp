// The main window's printer setting: the system's Print Setup dialog on the
// default printer; what the user chooses becomes DefaultAction's printer and
// settings and is applied at once.
#include <windows.h>

#include "app/mainfrm.h"
#include "engine/printswitch.h"

void Tmainform::SettingActionExecute() {
  if (!ChoosePrinterSettings(Handle(), DefaultAction)) return;
  DefaultAction.Data->Action = kActionKeep;
  ApplyPrinterSettings(DefaultAction);
}

#include <windows.h>
#include <commctrl.h>

#include "app/mainfrm.h"
#include "winkit/application.h"
#include "winkit/handles.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  // One instance at a time: a second one ends at once, silently.
  winkit::KernelHandle mutex(CreateMutexA(nullptr, TRUE, "quirefeed.mutex"));
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  auto& app = winkit::TApplication::Get();
  try {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    app.SetInstance(instance);
    app.SetTitle("Quirefeed");
    Tmainform form;
    mainform = &form;
    if (form.Create()) {
      if (app.ShowMainForm) ShowWindow(form.Handle(), show == SW_HIDE ? SW_SHOWNORMAL : show);
      app.Run();
    }
    mainform = nullptr;
  } catch (...) {
    app.HandleException();
  }
  if (mutex) ReleaseMutex(mutex.get());
  return 0;
}

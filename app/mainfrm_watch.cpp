// Watch mode as the main window runs it: the "&Watch folder" command, the
// print-folder command and the folder print run, over the window's tasks
// and current print settings.
#include <windows.h>

#include "app/base/fixedtext.h"
#include "app/mainfrm.h"
#include "engine/progfrm.h"
#include "tasks/printfolder.h"
#include "tasks/settings/taskfile.h"
#include "tasks/watchfolder.h"
#include "tasks/watchmode.h"
#include "winkit/application.h"

void Tmainform::CreateWatchMode() {
  watch_ = std::make_unique<TWatchMode>(*this, WatchJournalFile());
  // Stopping watch mode from the window removes the monitors (a running
  // pass does that itself as it ends); Restore only pauses them.
  OnWatchStopped = [this] { watch_->DestroyMonitors(); };
  OnWatchPaused = [this] { watch_->DeactivateMonitors(); };
}

std::string Tmainform::WatchJournalFile() const {
  return UserDataFolder.empty() ? std::string() : UserDataFolder + "watched files.txt";
}

void Tmainform::watchactionExecute() {
  const WatchStartupPlace place{paths_.registry_root, paths_.registry_key};
  Tfrmwatchfolder dialog(WatchTasks);
  dialog.TemplateAction = DefaultAction;
  dialog.SortOrder = WatchSort;
  dialog.StartWithWindows = StartUpStored(place);
  if (dialog.Execute(Handle()) != IDOK) {
    WatchMode = false;
    SetTimer1(false);
    return;
  }
  SaveTasks(WatchTasks, IniFileName);
  WatchMode = true;
  watch_->DestroyMonitors();
  watch_->CreateMonitors();
  WatchSort = dialog.SortOrder;
  StoreWatchStartup(place, dialog.StartWithWindows, WatchSort, RunningProgramCommand());
  HideToTray();
  SetTimer1(true);
}

void Tmainform::PrintfolderExecute() {
  TPrintfolderform dialog;
  GetMyDocumentsFolder(dialog.Folder);
  // Watch mode ends here, also when the dialog is cancelled.
  WatchMode = false;
  SetTimer1(false);
  if (dialog.Execute(Handle()) != IDOK) return;
  SetField(DefaultAction.Data->FileExt, dialog.Pattern);
  SetField(DefaultAction.Data->Folder, dialog.Folder);
  winkit::TApplication::Get().ProcessMessages();
  WatchMode = false;
  TProgform progress(Handle());
  ProgressWindow = &progress;
  progress.SetRunCallback([this](TProgform&) { PrintMulFileExecute(); });
  progress.Run();
  ProgressWindow = nullptr;
}

void Tmainform::PrintMulFileExecute() { PrintMulFile(*this); }

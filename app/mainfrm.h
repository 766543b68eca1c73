#pragma once
// The main window: menus, tool bar, the document list, the progress bar and
// the actions, plus the program's start-up and shut-down steps.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "doclist/doclist.h"
#include "drivers/pagesetup.h"
#include "engine/printfile.h"
#include "tasks/settings/printaction.h"
#include "tasks/watchhost.h"
#include "winkit/action.h"
#include "winkit/com.h"
#include "winkit/form.h"
#include "winkit/handles.h"
#include "winkit/timer.h"
#include "winkit/tray.h"

class TProgform;
class TWatchMode;

constexpr UINT WM_TRAYICON = WM_APP + 1;
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Interval = 500;

// Command ids of the actions and the menu items without actions.
enum CommandId : int {
  ID_ADDFILE = 100,
  ID_REMOVEFILE,
  ID_PRINTACTION,
  ID_OPTIONACTION,
  ID_ABOUTACTION,
  ID_VIEWLOGACTION,
  ID_CLEARACTION,
  ID_CLEARLOGACTION,
  ID_HELPACTION,
  ID_PRINTFOLDER,
  ID_WATCHACTION,
  ID_PRINTMULFILE,
  ID_CLEARALLACTION,
  ID_SELECTALLACTION,
  ID_HOPTIONACTION,
  ID_IMPORTFILEACTION,
  ID_SHUTDOWNACTION,
  ID_RESTOREACTION,
  ID_SAVEACTION,
  ID_SETTINGACTION,
  ID_SMALLICON = 200,
  ID_LISTVIEW,
  ID_DETAIL,
  ID_VISITWEBSITE,
  ID_COMMENTS,
  ID_MN0,   // the tray menu's picture strip
  ID_MNU0,  // the tray menu's closing item, of no height
};

// Posted when the window has become visible: FormShow runs then.
constexpr UINT WM_FORMSHOW = WM_APP + 2;

// Where the main window keeps its stored settings.
struct MainFormPaths {
  HKEY registry_root = HKEY_CURRENT_USER;
  const char* registry_key = "SOFTWARE\\Quirefeed";
};

class Tmainform : public winkit::TForm, public IWatchHost {
 public:
  explicit Tmainform(MainFormPaths paths = {});
  ~Tmainform() override;

  // Creates the window and runs FormCreate; false when the window could not
  // be created.
  bool Create();

  // State read and written by the other parts of the program.
  std::string SharedDataFolder;
  std::string UserDataFolder;
  std::string IniFileName;
  int SortColumn = 0;
  bool SortAscending = true;
  bool WatchMode = false;
  bool ExitConfirmed = false;
  bool StartInWatchMode = false;
  bool TimerBusy = false;
  int WatchSort = 0;
  std::vector<CPrintAction> WatchTasks;
  CPrintAction DefaultAction;
  // How a run prints one request: PrintDocument. Replaceable so that a test
  // can make a run end on an error.
  std::function<bool(CPrintFile&)> PrintRequest = PrintDocument;
  // The open progress window, which the run ending closes; null when none.
  TProgform* ProgressWindow = nullptr;

  HWND ListView1() const noexcept { return list_; }
  CDocumentList& Documents() noexcept { return documents_; }
  HWND PBar1() const noexcept { return pbar_; }
  HWND ToolBar() const noexcept { return toolbar_; }
  winkit::TActionList& Actions() noexcept { return actions_; }
  bool Timer1Enabled() const noexcept { return timer1_.Enabled(); }
  void SetTimer1(bool enabled);
  unsigned Timer1Ticks() const noexcept { return timer_ticks_; }
  bool TrayIconAdded() const noexcept { return tray_icon_ && tray_icon_->Added(); }
  const NOTIFYICONDATAA& TrayIconData() const noexcept { return tray_; }

  // What watch mode and the folder run use of the window.
  HWND HostWindow() const override { return Handle(); }
  std::vector<CPrintAction>& Tasks() override { return WatchTasks; }
  CPrintAction& CurrentAction() override { return DefaultAction; }
  bool InWatchMode() const override { return WatchMode; }
  void SetInWatchMode(bool on) override { WatchMode = on; }
  bool PassRunning() const override { return TimerBusy; }
  void SetPassRunning(bool on) override { TimerBusy = on; }
  int FolderSort() const override { return WatchSort; }
  bool ExitWasConfirmed() const override { return ExitConfirmed; }
  PageSetupPlace PageSetup() const override { return HtmlPageSetupPlace(); }
  bool PrintRequestNow(CPrintFile& request) override { return PrintRequest(request); }
  bool PassTimerOn() const override { return Timer1Enabled(); }
  void SetPassTimer(bool on) override { SetTimer1(on); }
  void ShowTrayIcon(bool shown) override;
  TProgform*& RunProgressWindow() override { return ProgressWindow; }

  // Document list commands (also reached through the actions).
  void AddFileExecute();
  void DropFiles(HDROP drop);
  void RemoveFileExecute();
  void ClearActionExecute();
  void SelectAllActionExecute();
  void ListView1ColumnClick(int column);
  void SaveActionExecute();
  void ImportFileActionExecute();
  void HoptionActionExecute();
  // The tray menu's commands and the window's way into and out of the tray.
  void ShutdownActionExecute();
  void RestoreActionExecute();
  bool FormCloseQuery();
  void FormShow();
  HMENU TrayMenu() const noexcept { return popup_tray_.get(); }
  HBITMAP TrayPicture() const noexcept { return static_cast<HBITMAP>(image1_.get()); }
  // What watch mode does with its folder monitors when the window stops it
  // (FormShow) or pauses it (Restore); set by watch mode.
  std::function<void()> OnWatchStopped, OnWatchPaused;

  // Watch mode: the watch folder dialog and what its OK and Cancel do; the
  // print-folder command; the folder print run over DefaultAction.
  void watchactionExecute();
  void PrintfolderExecute();
  void PrintMulFileExecute();
  TWatchMode& Watch() { return *watch_; }
  // Runs a watch pass, as the tick of Timer1 does.
  void Timer1Timer();
  // The file the watch journal is kept in.
  std::string WatchJournalFile() const;

  // The printer setting: Print Setup, then the choice is applied.
  void SettingActionExecute();
  // The About box, modal over the window.
  void AboutActionExecute();
  // The list print run.
  void PrintActionExecute();
  // Puts back what a list run changed; called on every way out of it.
  void EndListRun() noexcept;
  // A list run is active.
  bool Printing() const noexcept { return printing_; }
  // Where the browser's page setup and the program's "Html" section live.
  PageSetupPlace HtmlPageSetupPlace() const;

  // Shows the exception report: a message box and the same text in the
  // error log.
  static void ReportProgramError(const std::string& message, const std::string& class_name);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void FormCreate();
  // The steps of FormCreate.
  void ResetDefaultAction(bool& have_printer);
  void UseSystemImageLists();
  void ResetRunState();
  void OpenDataFoldersAndLogs(bool have_printer);
  void ReadStoredSettings();
  void CreateWatchMode();
  void EnterWatchModeAtStartUp();
  void FormDestroy();
  void CreateActions();
  void CreateMenus();
  void AddMenuImages();
  void CreateControls();
  void CreateCoolBar();
  void CreateSeparatorBand();
  void CreateDocumentList();
  void LayoutControls();
  void AddListHint();
  bool OnNotify(const NMHDR& nm, LRESULT& result);
  void AddTrayIcon();
  void DeleteTrayIcon();
  void CreateTrayMenu();
  void CreateTrayPicture();
  bool MeasureTrayItem(MEASUREITEMSTRUCT& mi) const;
  bool DrawTrayItem(const DRAWITEMSTRUCT& di) const;
  void HideToTray();
  void ShowFromTray();
  void TrayIconMessage(LPARAM event);

  // Handlers of the menu items without actions.
  void Visitourwebsite1Click();
  void commentsorsuggestions1Click();
  void HelpActionExecute();
  void SetView(int command);
  void SetBusyCursor(bool busy);

  MainFormPaths paths_;
  CDocumentList documents_;
  winkit::TActionList actions_;
  winkit::MenuHandle popup_list_;  // PopupMenu2, on the document list
  winkit::MenuHandle popup_tray_;  // PopupMenu1, of the tray icon
  winkit::GdiObject image1_;       // its picture strip
  winkit::MenuHandle built_menu_;  // the main menu until the window takes it
  HMENU main_menu_ = nullptr;      // the main menu, owned by the window once it exists
  winkit::GdiObject font_;
  winkit::ImageListHandle toolbar_images_;
  std::vector<winkit::GdiObject> menu_images_;  // small pictures of main-menu items
  winkit::IconHandle icon_, small_icon_;
  winkit::AcceleratorTable accelerators_;
  HWND rebar_ = nullptr, toolbar_ = nullptr, list_ = nullptr, pbar_ = nullptr;
  HWND separator_band_ = nullptr, list_hint_ = nullptr;
  NOTIFYICONDATAA tray_{};
  std::optional<winkit::TTrayIcon> tray_icon_;
  winkit::TTimer timer1_{kTimer1, kTimer1Interval};
  unsigned timer_ticks_ = 0;
  std::unique_ptr<TWatchMode> watch_;
  std::optional<winkit::OleScope> ole_;
  int idle_token_ = 0;
  bool destroyed_ = false;
  bool printing_ = false;
  bool busy_cursor_ = false;
};

extern Tmainform* mainform;

#include "app/mainfrm.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <windowsx.h>

#include "app/base/log.h"
#include "app/startup.h"
#include "resources/resource.h"
#include "tasks/settings/taskfile.h"
#include "tasks/watchmode.h"
#include "winkit/application.h"
#include "winkit/thread.h"

Tmainform* mainform = nullptr;

Tmainform::Tmainform(MainFormPaths paths) : paths_(paths) {}

Tmainform::~Tmainform() {
  auto& app = winkit::TApplication::Get();
  app.RemoveIdleHandler(idle_token_);
  app.SetAccelerators(nullptr, nullptr);
  if (!destroyed_) FormDestroy();
  if (mainform == this) mainform = nullptr;
}

bool Tmainform::Create() {
  auto& app = winkit::TApplication::Get();
  HINSTANCE inst = app.Instance();
  icon_.reset(static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_APPICON), IMAGE_ICON, 32, 32, 0)));
  small_icon_.reset(static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_APPICON), IMAGE_ICON, 16, 16, 0)));

  CreateActions();
  CreateMenus();
  CreateTrayMenu();
  CreateTrayPicture();
  CreateInfo info;
  info.caption = "Quirefeed";
  // Fixed single border, system menu and minimise box only.
  info.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  info.client_width = 544;
  info.client_height = 338;
  info.menu = main_menu_;
  if (!CreateForm(ClassInfo{"Tmainform", icon_.get(), small_icon_.get()}, info)) return false;
  built_menu_.release();  // the window destroys its menu
  timer1_.Attach(Handle());
  CreateControls();
  documents_.Attach(list_);

  // The tray record is filled once, with the caption of this moment.
  tray_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  tray_.hWnd = Handle();
  tray_.uID = 0;
  tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tray_.uCallbackMessage = WM_TRAYICON;
  tray_.hIcon = small_icon_.get();
  GetWindowTextA(Handle(), tray_.szTip, 64);

  // Held by the thread that runs the message loop, for drag and drop and the
  // document applications.
  ole_.emplace();
  accelerators_.reset(actions_.CreateAccelerators());
  app.SetAccelerators(Handle(), accelerators_.get());
  actions_.BindMenu(main_menu_);
  actions_.BindMenu(popup_list_.get());
  actions_.BindMenu(popup_tray_.get());
  actions_.BindToolBar(toolbar_);
  idle_token_ = app.AddIdleHandler([this] { actions_.UpdateAll(); });

  FormCreate();
  return true;
}

namespace {

// An exception that escaped a worker thread: no message box (no one may be
// there to close it), only the error log.
void ReportThreadError(const std::string& message, const std::string& class_name) {
  WriteErrorLog("Thread Error:" + message + " " + class_name);
}

}  // namespace

void Tmainform::FormCreate() {
  auto& app = winkit::TApplication::Get();
  // Exceptions from handlers and worker threads are reported from now on.
  app.SetExceptionHandler(&Tmainform::ReportProgramError);
  winkit::SetThreadErrorReporter(&ReportThreadError);

  // No update prompts from the PDF reader while printing unattended.
  AdjustPdfReaderUpdates(paths_.registry_root);

  bool have_printer = false;
  ResetDefaultAction(have_printer);
  UseSystemImageLists();
  DragAcceptFiles(Handle(), TRUE);
  ResetRunState();
  OpenDataFoldersAndLogs(have_printer);
  ReadStoredSettings();
  CreateWatchMode();
  if (StartInWatchMode) EnterWatchModeAtStartUp();
}

// Print settings of the default printer; the printed file is kept.
void Tmainform::ResetDefaultAction(bool& have_printer) {
  DefaultAction = CPrintAction();
  std::vector<std::uint8_t> devmode;
  std::string name;
  if (DefaultPrinterSettings(devmode, name)) {
    DefaultAction.SetDevMode(reinterpret_cast<const DEVMODEA*>(devmode.data()), devmode.size());
  }
  have_printer = !devmode.empty();
  DefaultAction.Data->Action = kActionKeep;
}

// The shell's image lists give the document list its file icons.
void Tmainform::UseSystemImageLists() {
  SHFILEINFOA sfi{};
  auto large = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("C:\\", 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX));
  if (large) SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
  auto small =
      reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("C:\\", 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (small) SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
}

// No watch mode, no run, nothing confirmed yet; the plain caption.
void Tmainform::ResetRunState() {
  WatchMode = false;
  SortAscending = true;
  ExitConfirmed = false;
  StopPrinting = true;
  WatchSort = 0;
  SetWindowTextA(Handle(), "Quirefeed");
}

// The shared and per-user data folders, and the two logs in the latter.
void Tmainform::OpenDataFoldersAndLogs(bool have_printer) {
  SharedDataFolder = ProgramDataFolder(CSIDL_COMMON_APPDATA);
  UserDataFolder = ProgramDataFolder(CSIDL_APPDATA);
  LogFileName = UserDataFolder + "Quirefeed.log";
  TrimActivityLog(LogFileName);
  ErrorFileName = UserDataFolder + "Quirefeed.err";
  if (!have_printer) WriteLog(LogStamp() + "No default printer: print settings are empty");
}

// The start-up settings from the registry and the watch tasks from their
// settings file.
void Tmainform::ReadStoredSettings() {
  const StartupSettings settings = ReadStartupSettings(paths_.registry_root, paths_.registry_key);
  StartInWatchMode = settings.StartInWatchMode;
  WatchSort = settings.WatchSort;
  WatchTasks.clear();
  IniFileName = SharedDataFolder + "quirefeed.ini";
  LoadTasks(WatchTasks, IniFileName);
}

// Straight into watch mode, hidden in the tray.
void Tmainform::EnterWatchModeAtStartUp() {
  WatchMode = true;
  watch_->CreateMonitors();
  winkit::TApplication::Get().ShowMainForm = false;
  AddTrayIcon();
  SetTimer1(true);
}

void Tmainform::FormDestroy() {
  destroyed_ = true;
  DefaultAction = CPrintAction();
  documents_.Clear();
  if (Handle()) DragAcceptFiles(Handle(), FALSE);
  DeleteTrayIcon();
  if (watch_) watch_->DestroyMonitors();
  while (!WatchTasks.empty()) WatchTasks.pop_back();
  SetTimer1(false);
}

void Tmainform::AddTrayIcon() {
  if (!TrayIconAdded()) {
    tray_icon_.reset();
    tray_icon_.emplace(tray_);
  }
}

void Tmainform::DeleteTrayIcon() { tray_icon_.reset(); }

void Tmainform::ShowTrayIcon(bool shown) {
  if (shown) {
    AddTrayIcon();
  } else {
    DeleteTrayIcon();
  }
}

void Tmainform::SetTimer1(bool enabled) {
  if (!Handle()) return;
  timer1_.SetEnabled(enabled);
}

void Tmainform::Timer1Timer() {
  ++timer_ticks_;
  if (watch_) watch_->Timer1Timer();
}

void Tmainform::ReportProgramError(const std::string& message, const std::string& class_name) {
  const std::string text = "Program Error:" + message + " " + class_name;
  WriteErrorLog(text);
  MessageBoxA(mainform ? mainform->Handle() : nullptr, text.c_str(), winkit::TApplication::Get().Title().c_str(),
              MB_OK);
}

LRESULT Tmainform::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (tray_icon_ && tray_icon_->OnMessage(msg)) return 0;
  switch (msg) {
    case WM_COMMAND:
      if (actions_.Dispatch(LOWORD(wp))) return 0;
      switch (LOWORD(wp)) {
        case ID_SMALLICON:
        case ID_LISTVIEW:
        case ID_DETAIL:
          SetView(LOWORD(wp));
          return 0;
        case ID_VISITWEBSITE:
          Visitourwebsite1Click();
          return 0;
        case ID_COMMENTS:
          commentsorsuggestions1Click();
          return 0;
      }
      break;
    case WM_NOTIFY: {
      LRESULT r = 0;
      if (OnNotify(*reinterpret_cast<const NMHDR*>(lp), r)) return r;
      break;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wp) == list_) {
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (pt.x == -1 && pt.y == -1) GetCursorPos(&pt);
        actions_.UpdateAll();
        TrackPopupMenu(popup_list_.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, Handle(), nullptr);
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      // Minimising hides the window behind the tray icon.
      if ((wp & 0xFFF0) == SC_MINIMIZE) {
        HideToTray();
        return 0;
      }
      break;
    case WM_TRAYICON:
      TrayIconMessage(lp);
      break;
    case WM_SHOWWINDOW:
      if (wp) PostMessageA(Handle(), WM_FORMSHOW, 0, 0);
      break;
    case WM_FORMSHOW:
      FormShow();
      return 0;
    case WM_CLOSE:
      if (!FormCloseQuery()) return 0;
      break;
    case WM_QUERYENDSESSION:
      return FormCloseQuery() ? TRUE : FALSE;
    case WM_ENDSESSION:
      // Shutdown or log-off: the window closes, whatever wParam says.
      ExitConfirmed = true;
      SendMessageA(Handle(), WM_CLOSE, 0, 0);
      return 0;
    case WM_MEASUREITEM:
      if (MeasureTrayItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
      break;
    case WM_DRAWITEM:
      if (DrawTrayItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
      break;
    case WM_INITMENUPOPUP:
      actions_.UpdateAll();
      break;
    case WM_SETCURSOR:
      if (busy_cursor_ && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
        return TRUE;
      }
      break;
    case WM_SIZE:
      LayoutControls();
      return 0;
    case WM_TIMER:
      if (timer1_.Is(msg, wp)) {
        Timer1Timer();
        return 0;
      }
      break;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_DESTROY:
      if (!destroyed_) FormDestroy();
      PostQuitMessage(0);
      return 0;
  }
  return Default(msg, wp, lp);
}

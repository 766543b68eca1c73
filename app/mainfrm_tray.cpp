// The main window's life in the notification area: minimising and closing
// hide it behind the tray icon, the icon's double-click and its menu bring
// it back or end the program, with the confirmations that stop watch mode
// or a print run on the way.
#include <windows.h>

#include "app/mainfrm.h"
#include "winkit/application.h"

namespace {

constexpr int kStripWidth = 20, kStripHeight = 120;

int Confirm(const char* text, UINT flags = MB_OKCANCEL | MB_ICONQUESTION) {
  return MessageBoxA(GetActiveWindow(), text, "Confirm", flags);
}

}  // namespace

// Image1: a green-to-blue strip with the program's name written upward in
// white, drawn once.
void Tmainform::CreateTrayPicture() {
  winkit::WindowDc screen(nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = kStripWidth;
  bi.bmiHeader.biHeight = -kStripHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  image1_.reset(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!image1_) return;
  winkit::MemoryDc dc(CreateCompatibleDC(screen.get()));
  winkit::SelectGuard picture(dc.get(), image1_.get());
  for (int y = 0; y < kStripHeight; ++y) {
    const int blue = 255 * y / (kStripHeight - 1);
    winkit::GdiObject brush(CreateSolidBrush(RGB(0, 255 - blue, blue)));
    RECT row{0, y, kStripWidth, y + 1};
    FillRect(dc.get(), &row, static_cast<HBRUSH>(brush.get()));
  }
  winkit::GdiObject font(CreateFontA(-13, 0, 900, 900, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
  winkit::SelectGuard text_font(dc.get(), font.get());
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), RGB(255, 255, 255));
  // Written upward from near the middle, so that a menu shorter than the
  // strip still shows the whole word.
  TextOutA(dc.get(), 3, 86, "Quirefeed", 9);
}

// PopupMenu1: the picture strip (mn0) in a column of its own, then About,
// Restore, View Log and Exit; mnu0 closes the second column.
void Tmainform::CreateTrayMenu() {
  popup_tray_.reset(CreatePopupMenu());
  HMENU m = popup_tray_.get();
  auto caption = [this](int id) { return actions_.Find(id)->Caption(); };
  AppendMenuA(m, MF_OWNERDRAW | MF_DISABLED, ID_MN0, nullptr);
  AppendMenuA(m, MF_STRING | MF_MENUBARBREAK, ID_ABOUTACTION, caption(ID_ABOUTACTION).c_str());
  AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(m, MF_STRING, ID_RESTOREACTION, caption(ID_RESTOREACTION).c_str());
  AppendMenuA(m, MF_STRING, ID_VIEWLOGACTION, caption(ID_VIEWLOGACTION).c_str());
  AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(m, MF_STRING, ID_SHUTDOWNACTION, caption(ID_SHUTDOWNACTION).c_str());
  AppendMenuA(m, MF_OWNERDRAW | MF_DISABLED, ID_MNU0, nullptr);
}

bool Tmainform::MeasureTrayItem(MEASUREITEMSTRUCT& mi) const {
  if (mi.CtlType != ODT_MENU) return false;
  if (mi.itemID == ID_MN0) {  // mn0MeasureItem
    mi.itemWidth = 5;
    return true;
  }
  if (mi.itemID == ID_MNU0) {  // mnu0MeasureItem
    mi.itemHeight = 0;
    return true;
  }
  return false;
}

// mn0AdvancedDrawItem, for both items: the whole picture at the menu's
// top-left corner, wherever the item itself lies.
bool Tmainform::DrawTrayItem(const DRAWITEMSTRUCT& di) const {
  if (di.CtlType != ODT_MENU || (di.itemID != ID_MN0 && di.itemID != ID_MNU0)) return false;
  if (!image1_) return true;
  winkit::MemoryDc src(CreateCompatibleDC(di.hDC));
  winkit::SelectGuard picture(src.get(), image1_.get());
  BitBlt(di.hDC, 0, 0, kStripWidth, kStripHeight, src.get(), 0, 0, SRCCOPY);
  return true;
}

void Tmainform::HideToTray() {
  ShowWindow(Handle(), SW_HIDE);
  AddTrayIcon();
}

void Tmainform::ShowFromTray() {
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  DeleteTrayIcon();
}

void Tmainform::TrayIconMessage(LPARAM event) {
  if (event == WM_LBUTTONDBLCLK) {
    ShowFromTray();
  } else if (event == WM_RBUTTONUP) {
    POINT pt{};
    if (GetCursorPos(&pt)) winkit::TTrayIcon::PopupMenu(Handle(), popup_tray_.get(), pt);
  }
}

bool Tmainform::FormCloseQuery() {
  if (ExitConfirmed) return true;
  HideToTray();
  return false;
}

void Tmainform::FormShow() {
  if (!WatchMode) return;
  if (MessageBoxA(GetActiveWindow(), "Now is runing on watch folder mode,stop it?", "Confirm", MB_OKCANCEL) != IDOK)
    return;
  StopPrinting = true;
  WatchMode = false;
  // The folder monitors go with watch mode; a running pass removes them
  // itself as it ends.
  if (!TimerBusy && OnWatchStopped) OnWatchStopped();
}

void Tmainform::ShutdownActionExecute() {
  if (WatchMode) {
    if (Confirm("Now is working in folder watch mode,Stop it?") != IDOK) return;
    StopPrinting = true;
    WatchMode = false;
  }
  if (Confirm("Exit Quirefeed?") != IDOK) return;
  ExitConfirmed = true;
  PostMessageA(Handle(), WM_CLOSE, 0, 0);
}

void Tmainform::RestoreActionExecute() {
  if (!StopPrinting) {
    if (Confirm("Print operation is in progress,Stop it?") != IDOK) return;
    StopPrinting = true;
  }
  WatchMode = false;
  SetTimer1(false);
  if (OnWatchPaused) OnWatchPaused();
  ShowFromTray();
}

// The main window's child controls: cool bar with the tool bar, the document
// list and the progress bar.
#include <windows.h>
#include <commctrl.h>

#include <iterator>

#include "app/mainfrm.h"
#include "resources/resource.h"
#include "winkit/application.h"
#include "winkit/controls.h"

namespace {

constexpr int kCoolBarHeight = 49;
constexpr int kProgressHeight = 16;
constexpr int kButtonWidth = 39, kButtonHeight = 38, kImageSize = 32;
constexpr int kToolBarId = 1001, kListId = 1002, kProgressId = 1003, kCoolBarId = 1004;

struct ToolButton {
  int command;
  int image;
  const char* hint;
};
constexpr ToolButton kToolButtons[] = {
    {ID_ADDFILE, 0, "Add Files"}, {ID_REMOVEFILE, 1, "Remove Files"}, {ID_SETTINGACTION, 2, "Printer Setting"},
    {ID_PRINTACTION, 3, "Print"}, {ID_ABOUTACTION, 4, "About"},
};

HWND Child(const char* cls, DWORD style, DWORD ex_style, HWND parent, int id, const char* text = "") {
  const bool visible = (style & WS_VISIBLE) != 0;
  return winkit::CreateControl(parent, nullptr, {cls, text, style & ~WS_VISIBLE, ex_style, id, 0, 0, 0, 0, !visible});
}

}  // namespace

void Tmainform::CreateControls() {
  font_ = winkit::CreateFormFont(Handle(), "MS Sans Serif", 8);
  CreateCoolBar();
  CreateSeparatorBand();
  CreateDocumentList();
  AddListHint();
  pbar_ = Child(PROGRESS_CLASSA, WS_VISIBLE, 0, Handle(), kProgressId);
  SendMessageA(pbar_, PBM_SETRANGE32, 0, 100);
  SendMessageA(pbar_, PBM_SETPOS, 0, 0);
  AddMenuImages();
  LayoutControls();
}

// The cool bar and, in its first band, the tool bar with its five buttons.
void Tmainform::CreateCoolBar() {
  HINSTANCE inst = winkit::TApplication::Get().Instance();
  rebar_ = Child(
      REBARCLASSNAMEA,
      WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NORESIZE,
      0, Handle(), kCoolBarId);

  toolbar_ = Child(TOOLBARCLASSNAMEA,
                   WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN, 0,
                   rebar_, kToolBarId);
  SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  toolbar_images_.reset(ImageList_Create(kImageSize, kImageSize, ILC_COLOR32, 5, 0));
  if (HBITMAP strip = static_cast<HBITMAP>(
          LoadImageA(inst, MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {
    ImageList_Add(toolbar_images_.get(), strip, nullptr);
    DeleteObject(strip);
  }
  SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbar_images_.get()));
  SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(kImageSize, kImageSize));
  TBBUTTON buttons[std::size(kToolButtons)] = {};
  for (size_t i = 0; i < std::size(kToolButtons); ++i) {
    buttons[i].iBitmap = kToolButtons[i].image;
    buttons[i].idCommand = kToolButtons[i].command;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
  }
  SendMessageA(toolbar_, TB_ADDBUTTONSA, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  SendMessageA(toolbar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(kButtonWidth, kButtonHeight));

  REBARBANDINFOA band{};
  band.cbSize = sizeof band;
  band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_STYLE;
  band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS;
  band.hwndChild = toolbar_;
  band.cxMinChild = static_cast<UINT>(kButtonWidth * std::size(kToolButtons));
  band.cyMinChild = kButtonHeight + 6;
  band.cx = 520;
  SendMessageA(rebar_, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

// The separator-page band is built but never shown.
void Tmainform::CreateSeparatorBand() {
  separator_band_ = Child(WC_STATICA, WS_CLIPSIBLINGS, 0, rebar_, 0);
  const auto font = static_cast<HFONT>(font_.get());
  winkit::CreateControls(separator_band_, font,
                         {{WC_STATICA, "Page Separator ", 0, 0, 0, 2, 6, 90, 16},
                          {WC_EDITA, "", WS_BORDER | ES_AUTOHSCROLL, 0, 0, 94, 3, 300, 21},
                          {WC_BUTTONA, "...", BS_PUSHBUTTON, 0, 0, 398, 2, 24, 23}});
  REBARBANDINFOA band{};
  band.cbSize = sizeof band;
  band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_STYLE;
  band.fStyle = RBBS_HIDDEN | RBBS_BREAK;
  band.hwndChild = separator_band_;
  band.cxMinChild = 430;
  band.cyMinChild = 27;
  band.cx = 520;
  SendMessageA(rebar_, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

// The document list: report view, grid lines, whole-row selection.
void Tmainform::CreateDocumentList() {
  list_ = Child(WC_LISTVIEWA,
                WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_NOLABELWRAP, 0,
                Handle(), kListId);
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
  SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  const winkit::TListView view(list_);
  view.AddColumn(std::string(76, ' ') + "File Name", 380);
  view.AddColumn("Size", 80);
}

// The main menu shows small versions of the tool-bar pictures beside the
// items that have one.
void Tmainform::AddMenuImages() {
  constexpr int kSmall = 16;
  const struct {
    int command;
    int image;
  } items[] = {{ID_ADDFILE, 0}, {ID_ABOUTACTION, 4}};
  winkit::WindowDc screen_dc(nullptr);
  const HDC screen = screen_dc.get();
  for (const auto& item : items) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kSmall;
    bi.bmiHeader.biHeight = kSmall;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    winkit::GdiObject bmp(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp) continue;
    {
      // Drawn full size on the menu colour, then halved.
      winkit::GdiObject big(CreateCompatibleBitmap(screen, kImageSize, kImageSize));
      winkit::MemoryDc src(CreateCompatibleDC(screen)), dst(CreateCompatibleDC(screen));
      winkit::SelectGuard src_bitmap(src.get(), big.get()), dst_bitmap(dst.get(), bmp.get());
      RECT all{0, 0, kImageSize, kImageSize};
      FillRect(src.get(), &all, GetSysColorBrush(COLOR_MENU));
      ImageList_Draw(toolbar_images_.get(), item.image, src.get(), 0, 0, ILD_NORMAL);
      SetStretchBltMode(dst.get(), HALFTONE);
      StretchBlt(dst.get(), 0, 0, kSmall, kSmall, src.get(), 0, 0, kImageSize, kImageSize, SRCCOPY);
    }
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_BITMAP;
    mii.hbmpItem = static_cast<HBITMAP>(bmp.get());
    SetMenuItemInfoA(main_menu_, static_cast<UINT>(item.command), FALSE, &mii);
    menu_images_.push_back(std::move(bmp));
  }
}

// The list's hint, shown while the mouse rests on it.
void Tmainform::AddListHint() {
  list_hint_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                               winkit::TApplication::Get().Instance(), nullptr);
  if (!list_hint_) return;
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(list_);
  char hint[] = "Drag & drop files here.";
  tool.lpszText = hint;
  SendMessageA(list_hint_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void Tmainform::LayoutControls() {
  if (!rebar_) return;
  RECT rc{};
  GetClientRect(Handle(), &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  MoveWindow(rebar_, 0, 0, w, kCoolBarHeight, TRUE);
  MoveWindow(pbar_, 0, h - kProgressHeight, w, kProgressHeight, TRUE);
  MoveWindow(list_, 0, kCoolBarHeight, w, h - kCoolBarHeight - kProgressHeight, TRUE);
}

bool Tmainform::OnNotify(const NMHDR& nm, LRESULT& result) {
  if (nm.hwndFrom == list_ && nm.code == LVN_COLUMNCLICK) {
    ListView1ColumnClick(reinterpret_cast<const NMLISTVIEW&>(nm).iSubItem);
    result = 0;
    return true;
  }
  if (nm.code == TTN_GETDISPINFOA) {
    auto& info = const_cast<NMTTDISPINFOA&>(reinterpret_cast<const NMTTDISPINFOA&>(nm));
    for (const auto& b : kToolButtons) {
      if (static_cast<UINT_PTR>(b.command) == nm.idFrom) {
        info.lpszText = const_cast<char*>(b.hint);
        result = 0;
        return true;
      }
    }
  }
  return false;
}

#include "app/aboutfrm.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "app/base/product.h"
#include "engine/core/osdescription.h"
#include "resources/resource.h"
#include "winkit/application.h"
#include "winkit/controls.h"

std::string VersionText(const std::string& module_path) {
  std::string text = "Version:";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(module_path.c_str(), &ignored);
  if (size == 0) return text;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(module_path.c_str(), 0, size, block.data())) return text;
  struct Translation {
    WORD language, code_page;
  };
  Translation* tr = nullptr;
  UINT tr_size = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &tr_size) || !tr ||
      tr_size < sizeof(Translation))
    return text;
  char query[64];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\%04X%04X\\FileVersion", tr->language, tr->code_page);
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) || !value) return text;
  return text + std::string(value, strnlen(value, length));
}

std::string ProcessorText() {
  SYSTEM_INFO si{};
  GetSystemInfo(&si);
  return "CPU:" + std::to_string(si.dwProcessorType);
}

std::string MemoryText() {
  // The extended call: the plain one stops counting at 4 GiB.
  MEMORYSTATUSEX ms{};
  ms.dwLength = sizeof ms;
  GlobalMemoryStatusEx(&ms);
  return "Memory(Mb):" + std::to_string(ms.ullTotalPhys >> 20);
}

namespace {

constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

const winkit::DialogLayout& Layout() {
  static const winkit::DialogLayout layout = [] {
    winkit::DialogLayout l{
      "TAboutform",
      "About",
      320,
      178,
      {
          {WC_STATICA, "", SS_ETCHEDFRAME, 0, TAboutform::kFrame, 8, 8, 201, 41},
          {WC_STATICA, "Quirefeed", 0, 0, TAboutform::kName, 32, 16, 170, 26},
          {WC_STATICA, "", SS_ICON | SS_CENTERIMAGE, 0, TAboutform::kPicture, 248, 16, 41, 33},
          {WC_STATICA, "Version:", 0, 0, TAboutform::kLabel2, 8, 58, 220, 16},
          {WC_STATICA, "Prints every document the way its own program does.", 0, 0, TAboutform::kNotice, 8, 78, 300,
           34},
          {WC_STATICA, kProductWebsite, SS_NOTIFY, 0, TAboutform::kLabel8, 9, 118, 220, 14},
          {WC_STATICA, "", SS_ETCHEDHORZ, 0, TAboutform::kLine, 2, 136, 219, 2},
          {WC_STATICA, "", 0, 0, TAboutform::kLabel4, 8, 141, 86, 16},
          {WC_STATICA, "", 0, 0, TAboutform::kLabel5, 96, 141, 130, 16},
          {WC_STATICA, "", SS_LEFTNOWORDWRAP, 0, TAboutform::kLabel9, 7, 160, 308, 16},
          {WC_BUTTONA, "&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 237, 133, 75, 25},
      }};
    l.centre_over_owner = false;  // on the desktop
    return l;
  }();
  return layout;
}

winkit::GdiObject MakeFont(int pixels, int weight, bool italic, bool underline) {
  return winkit::GdiObject(CreateFontA(-pixels, 0, 0, 0, weight, italic, underline, FALSE, ANSI_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));
}

}  // namespace

int TAboutform::Execute(HWND owner) { return Run(owner, Layout()); }

void TAboutform::OnInit() {
  name_font_ = MakeFont(19, FW_BOLD, true, false);
  notice_font_ = MakeFont(12, FW_NORMAL, false, false);
  link_font_ = MakeFont(11, FW_NORMAL, false, true);
  SendMessageA(Control(kName), WM_SETFONT, reinterpret_cast<WPARAM>(name_font_.get()), FALSE);
  SendMessageA(Control(kNotice), WM_SETFONT, reinterpret_cast<WPARAM>(notice_font_.get()), FALSE);
  SendMessageA(Control(kLabel8), WM_SETFONT, reinterpret_cast<WPARAM>(link_font_.get()), FALSE);
  icon_.reset(static_cast<HICON>(
      LoadImageA(winkit::TApplication::Get().Instance(), MAKEINTRESOURCEA(IDI_APPICON), IMAGE_ICON, 32, 32, 0)));
  if (icon_) SendMessageA(Control(kPicture), STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
  Commands().On(kLabel8, STN_CLICKED, [this] { Label8Click(); });
  FormCreate();
  FormShow();
}

void TAboutform::FormCreate() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  winkit::TControl(Control(kLabel2)).SetText(VersionText(path));
}

void TAboutform::FormShow() {
  winkit::TControl(Control(kLabel4)).SetText(ProcessorText());
  winkit::TControl(Control(kLabel5)).SetText(MemoryText());
  winkit::TControl(Control(kLabel9)).SetText(OsDescription());
}

void TAboutform::Label8Click() {
  ShellExecuteA(nullptr, "Open", kProductWebsite, nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT TAboutform::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      if (id == kName || id == kLabel8) {
        const auto dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, id == kName ? kTeal : kLinkBlue);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == Control(kLabel8)) {
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        return TRUE;
      }
      break;
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

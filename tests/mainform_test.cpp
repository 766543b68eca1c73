// The main window created in this process, in a Wine prefix of the test's own
// (its data folders and registry key are the program's real ones).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <future>
#include <stdexcept>

#include "app/base/inifile.h"
#include "app/base/log.h"
#include "app/base/registry.h"
#include "doclist/filelist.h"
#include "drivers/hoptionfrm.h"
#include "app/mainfrm.h"
#include "support/mainform_fixture.h"
#include "support/process_driver.h"
#include "support/tempdir.h"
#include "winkit/application.h"
#include "winkit/menu.h"

namespace {

void SetRegistryDword(const char* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quirefeed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

using qftest::PumpFor;

std::string Folder(int csidl) {
  return qftest::ProgramFolder(csidl);
}

class MainFormTest : public qftest::MainFormFixture {};

TEST_F(MainFormTest, StartupMakesTheDataFoldersAndNamesTheFiles) {
  auto form = NewForm();
  EXPECT_EQ(form->SharedDataFolder, Folder(CSIDL_COMMON_APPDATA));
  EXPECT_EQ(form->UserDataFolder, Folder(CSIDL_APPDATA));
  EXPECT_TRUE(qftest::FileExists(form->SharedDataFolder));
  EXPECT_TRUE(qftest::FileExists(form->UserDataFolder));
  EXPECT_EQ(form->IniFileName, form->SharedDataFolder + "quirefeed.ini");
  EXPECT_EQ(LogFileName, form->UserDataFolder + "Quirefeed.log");
  EXPECT_EQ(ErrorFileName, form->UserDataFolder + "Quirefeed.err");
  EXPECT_EQ(qftest::WindowText(form->Handle()), "Quirefeed");
  EXPECT_TRUE(StopPrinting);
  EXPECT_FALSE(form->WatchMode);
  EXPECT_FALSE(form->Timer1Enabled());
  EXPECT_FALSE(form->TrayIconAdded());
  // Default print settings: the default printer, and the file is kept.
  EXPECT_EQ(form->DefaultAction.Data->Action, kActionKeep);
  EXPECT_STRNE(form->DefaultAction.Data->PrinterName, "");
  EXPECT_FALSE(form->DefaultAction.DevMode.empty());
  RECT rc{};
  GetClientRect(form->Handle(), &rc);
  EXPECT_EQ(rc.right, 544);
  EXPECT_EQ(rc.bottom, 338);
  EXPECT_EQ(form->TrayIconData().uCallbackMessage, 0x8001u);
  EXPECT_EQ(form->TrayIconData().uFlags, 7u);
  EXPECT_STREQ(form->TrayIconData().szTip, "Quirefeed");
}

TEST_F(MainFormTest, ActivityLogOverOneMebibyteStartsAfreshErrorLogNeverDoes) {
  struct Case {
    size_t size;
    bool kept;
  } cases[] = {{1048576, true}, {1048577, false}};
  for (const auto& c : cases) {
    CreateDirectoryA(Folder(CSIDL_APPDATA).c_str(), nullptr);
    ASSERT_TRUE(qftest::WriteFileBytes(Folder(CSIDL_APPDATA) + "Quirefeed.log", std::string(c.size, 'x')));
    ASSERT_TRUE(qftest::WriteFileBytes(Folder(CSIDL_APPDATA) + "Quirefeed.err", std::string(3 << 20, 'e')));
    auto form = NewForm();
    EXPECT_EQ(qftest::ReadFileBytes(LogFileName).size(), c.kept ? c.size : 0u) << c.size;
    EXPECT_EQ(qftest::ReadFileBytes(ErrorFileName).size(), size_t{3 << 20});
  }
}

TEST_F(MainFormTest, StartUpValueStartsHiddenInTheTrayWithTheTimerRunning) {
  SetRegistryDword("StartUp", 1);
  SetRegistryDword("Sort", 2);
  auto form = NewForm();
  EXPECT_TRUE(form->StartInWatchMode);
  EXPECT_TRUE(form->WatchMode);
  EXPECT_EQ(form->WatchSort, 2);
  EXPECT_FALSE(winkit::TApplication::Get().ShowMainForm);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_TRUE(form->TrayIconAdded());
  // The shell knows the icon: changing its tip succeeds only for an icon it has.
  NOTIFYICONDATAA probe = form->TrayIconData();
  probe.uFlags = NIF_TIP;
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &probe));
  EXPECT_TRUE(form->Timer1Enabled());
  // The first pass comes about 500 ms after start; a pass switches the
  // timer off, and the next waits for a change notice: with the timer off,
  // no second tick can come.
  ASSERT_TRUE(qftest::PumpAppUntil([&] { return form->Timer1Ticks() >= 1 && !form->TimerBusy; }, "the first pass"));
  EXPECT_FALSE(form->Timer1Enabled());
  EXPECT_EQ(form->Timer1Ticks(), 1u);
  EXPECT_FALSE(form->TimerBusy);
  form.reset();
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe)) << "the icon outlived the window";
}

// Watch mode and the folder run see the window only as an IWatchHost: what
// they do through it must change the window itself.
TEST_F(MainFormTest, TheWatchHostInterfaceWorksOnTheWindowsOwnState) {
  auto form = NewForm();
  IWatchHost& host = *form;
  EXPECT_EQ(host.HostWindow(), form->Handle());
  EXPECT_EQ(&host.Tasks(), &form->WatchTasks);
  EXPECT_EQ(&host.CurrentAction(), &form->DefaultAction);
  EXPECT_EQ(&host.RunProgressWindow(), &form->ProgressWindow);

  host.SetInWatchMode(true);
  host.SetPassRunning(true);
  EXPECT_TRUE(form->WatchMode);
  EXPECT_TRUE(form->TimerBusy);
  form->WatchSort = 3;
  EXPECT_EQ(host.FolderSort(), 3);

  host.SetPassTimer(true);
  EXPECT_TRUE(form->Timer1Enabled());
  EXPECT_TRUE(host.PassTimerOn());
  EXPECT_TRUE(qftest::PumpAppUntil([&] { return form->Timer1Ticks() >= 1; }, "a tick")) << "the pass timer is Timer1";
  host.SetPassTimer(false);
  EXPECT_FALSE(form->Timer1Enabled());

  host.ShowTrayIcon(true);
  ASSERT_TRUE(form->TrayIconAdded());
  host.ShowTrayIcon(true);  // twice is once
  NOTIFYICONDATAA probe = form->TrayIconData();
  probe.uFlags = NIF_TIP;
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &probe));
  // The shell restarted: the window puts its icon back.
  EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &probe));
  SendMessageA(form->Handle(), winkit::TTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &probe)) << "the icon did not come back after the shell restarted";
  host.ShowTrayIcon(false);
  EXPECT_FALSE(form->TrayIconAdded());
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe));
}

TEST_F(MainFormTest, TheTrayMenuHasItsTwoColumnsAndItsPictureStrip) {
  auto form = NewForm();
  HMENU m = form->TrayMenu();
  ASSERT_NE(m, nullptr);
  struct Item {
    UINT id;
    const char* caption;  // nullptr for owner-drawn and separators
    UINT type;
  };
  const Item items[] = {
      {ID_MN0, nullptr, MFT_OWNERDRAW},
      {ID_ABOUTACTION, "&About", MFT_STRING | MFT_MENUBARBREAK},
      {0, nullptr, MFT_SEPARATOR},
      {ID_RESTOREACTION, "Restore", MFT_STRING},
      {ID_VIEWLOGACTION, "View Log", MFT_STRING},
      {0, nullptr, MFT_SEPARATOR},
      {ID_SHUTDOWNACTION, "E&xit", MFT_STRING},
      {ID_MNU0, nullptr, MFT_OWNERDRAW},
  };
  ASSERT_EQ(GetMenuItemCount(m), static_cast<int>(std::size(items)));
  for (int i = 0; i < static_cast<int>(std::size(items)); ++i) {
    char text[64] = {};
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
    mii.dwTypeData = text;
    mii.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(m, static_cast<UINT>(i), TRUE, &mii)) << i;
    EXPECT_EQ(mii.fType & (MFT_OWNERDRAW | MFT_SEPARATOR | MFT_MENUBARBREAK), items[i].type & ~MFT_STRING) << i;
    if (items[i].id) {
      EXPECT_EQ(mii.wID, items[i].id) << i;
    }
    if (items[i].caption) {
      EXPECT_STREQ(text, items[i].caption) << i;
    }
    if (items[i].type == MFT_OWNERDRAW) {
      EXPECT_TRUE(mii.fState & MFS_DISABLED) << i;
    }
  }
  // mn0 is 5 pixels wide, mnu0 of no height.
  MEASUREITEMSTRUCT mi{};
  mi.CtlType = ODT_MENU;
  mi.itemID = ID_MN0;
  SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mi));
  EXPECT_EQ(mi.itemWidth, 5u);
  mi = MEASUREITEMSTRUCT{};
  mi.CtlType = ODT_MENU;
  mi.itemID = ID_MNU0;
  mi.itemHeight = 17;
  SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mi));
  EXPECT_EQ(mi.itemHeight, 0u);
  // Image1: 20 x 120, green at the top, blue at the bottom.
  BITMAP bm{};
  ASSERT_TRUE(GetObjectA(form->TrayPicture(), sizeof bm, &bm));
  EXPECT_EQ(bm.bmWidth, 20);
  EXPECT_EQ(bm.bmHeight, 120);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, form->TrayPicture());
  const COLORREF top = GetPixel(dc, 1, 1), bottom = GetPixel(dc, 1, 118);
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_GT(GetGValue(top), 200);
  EXPECT_LT(GetBValue(top), 40);
  EXPECT_GT(GetBValue(bottom), 200);
  EXPECT_LT(GetGValue(bottom), 40);
}

struct MenuCase {
  const char* menu;
  std::vector<std::string> items;
};

std::vector<std::string> Captions(HMENU menu) {
  std::vector<std::string> out;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) out.push_back(winkit::MenuCaption(menu, i));
  return out;
}

TEST_F(MainFormTest, MenusCarryTheCaptionsOfTheirActions) {
  auto form = NewForm();
  HMENU bar = GetMenu(form->Handle());
  const MenuCase expected[] = {
      {"&File",
       {"&Add Files", "&Clear", "-", "&Save File List", "&Import File List", "-", "View Log", "Clear &Log", "-",
        "E&xit"}},
      {"&View", {"&Small Icon", "&List", "&Detail"}},
      {"&Options", {"&Word Print Options", "&Html Print Options"}},
      {"&Tasks", {"Print folder", "&Watch folder"}},
      {"&Help", {"&Help\tF1", "-", "&Visit Our Website!", "Comments Or Suggestions", "-", "&About..."}},
  };
  ASSERT_EQ(GetMenuItemCount(bar), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(winkit::MenuCaption(bar, i), expected[i].menu);
    EXPECT_EQ(Captions(GetSubMenu(bar, i)), expected[i].items) << expected[i].menu;
  }
  HMENU view = GetSubMenu(bar, 1);
  EXPECT_EQ(GetMenuState(view, ID_DETAIL, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(GetMenuState(view, ID_LISTVIEW, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

TEST_F(MainFormTest, EnablingFollowsTheListAndReachesMenusAndToolBar) {
  auto form = NewForm();
  HWND list = form->ListView1();
  HWND tb = form->ToolBar();
  HMENU file = GetSubMenu(GetMenu(form->Handle()), 0);
  auto enabled = [&](int id) { return form->Actions().Find(id)->Enabled(); };
  auto button = [&](int id) { return SendMessageA(tb, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0; };
  PumpFor(100);
  EXPECT_FALSE(enabled(ID_REMOVEFILE));
  EXPECT_FALSE(enabled(ID_PRINTACTION));
  EXPECT_FALSE(enabled(ID_CLEARALLACTION));
  EXPECT_FALSE(enabled(ID_SELECTALLACTION));
  EXPECT_TRUE(enabled(ID_CLEARACTION));
  EXPECT_TRUE(enabled(ID_ADDFILE));
  EXPECT_FALSE(button(ID_PRINTACTION));
  EXPECT_FALSE(button(ID_REMOVEFILE));
  EXPECT_TRUE(button(ID_ADDFILE));
  EXPECT_EQ(GetMenuState(file, ID_CLEARACTION, MF_BYCOMMAND) & MF_GRAYED, 0u);

  ASSERT_EQ(form->Documents().AddFile("C:\\a.txt"), AddResult::Added);
  PumpFor(100);
  EXPECT_TRUE(enabled(ID_PRINTACTION));
  EXPECT_TRUE(button(ID_PRINTACTION));
  EXPECT_TRUE(enabled(ID_CLEARALLACTION));
  EXPECT_FALSE(enabled(ID_REMOVEFILE));

  form->Documents().Select(0, true);
  PumpFor(100);
  EXPECT_TRUE(enabled(ID_REMOVEFILE));
  EXPECT_TRUE(button(ID_REMOVEFILE));

  // Clear All empties the list and greys itself, Select All and Print.
  SendMessageA(form->Handle(), WM_COMMAND, ID_CLEARALLACTION, 0);
  PumpFor(100);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_FALSE(enabled(ID_CLEARALLACTION));
  EXPECT_FALSE(enabled(ID_SELECTALLACTION));
  EXPECT_FALSE(enabled(ID_PRINTACTION));
  EXPECT_TRUE(enabled(ID_CLEARACTION));
}

TEST_F(MainFormTest, ExceptionInAnActionIsReportedAndTheProgramGoesOn) {
  auto form = NewForm();
  form->Actions().Find(ID_OPTIONACTION)->OnExecute([] { throw std::runtime_error("disk on fire"); });
  auto box = std::async(std::launch::async, [] {
    bool found = false;
    std::string text = qftest::AnswerMessageBox("Quirefeed", qftest::kWaitMs, &found);
    return found ? text : std::string("<no message box>");
  });
  SendMessageA(form->Handle(), WM_COMMAND, ID_OPTIONACTION, 0);
  EXPECT_EQ(box.get(), "Program Error:disk on fire std::runtime_error");
  EXPECT_NE(qftest::ReadFileBytes(ErrorFileName).find("Program Error:disk on fire std::runtime_error\r\n"),
            std::string::npos);
  // Still working: another command runs normally.
  EXPECT_TRUE(IsWindow(form->Handle()));
  WriteLog("x");
  SendMessageA(form->Handle(), WM_COMMAND, ID_CLEARLOGACTION, 0);
  EXPECT_FALSE(qftest::FileExists(LogFileName));
}

TEST_F(MainFormTest, ViewLogOpensTheLogInTheEditorOnlyWhenThereIsOne) {
  auto form = NewForm();
  ClearLog();
  SendMessageA(form->Handle(), WM_COMMAND, ID_VIEWLOGACTION, 0);
  EXPECT_EQ(qftest::WaitForWindow("Notepad", nullptr, 0, 1500), nullptr) << "an editor opened with no log";

  WriteLog(LogStamp() + "something happened");
  SendMessageA(form->Handle(), WM_COMMAND, ID_VIEWLOGACTION, 0);
  HWND editor = qftest::WaitForVisibleWindow("Notepad", nullptr, 0, qftest::kWaitMs);
  ASSERT_NE(editor, nullptr) << "no editor showed the log";
  EXPECT_NE(qftest::WindowText(editor).find("Quirefeed"), std::string::npos) << qftest::WindowText(editor);
  PostMessageA(editor, WM_CLOSE, 0, 0);
}

}  // namespace

namespace {

// Clicks a column header of the list as the mouse would.
void ClickHeader(HWND list, int column) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  RECT rc{};
  SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&rc));
  const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
}

std::vector<std::string> Captions(CDocumentList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Caption(i));
  return out;
}

// What the shell hands a window when files are dropped on it: a DROPFILES
// block with wide names.
HDROP MakeDrop(const std::vector<std::wstring>& names) {
  std::wstring all;
  for (const auto& n : names) all += n + L'\0';
  all += L'\0';
  const size_t bytes = sizeof(DROPFILES) + all.size() * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), all.data(), all.size() * sizeof(wchar_t));
  GlobalUnlock(mem);
  return static_cast<HDROP>(mem);
}

std::wstring Wide(const std::string& s) {
  return std::wstring(s.begin(), s.end());
}

}  // namespace

TEST_F(MainFormTest, HeaderClicksSortWithOneDirectionSharedByBothColumns) {
  auto form = NewForm();
  qftest::TempDir dir;
  const struct {
    const char* name;
    size_t size;
  } files[] = {{"banana.txt", 300}, {"Apple.txt", 100}, {"cherry.txt", 200}};
  for (const auto& f : files) {
    qftest::WriteFileBytes(dir / f.name, std::string(f.size, 'x'));
    form->Documents().AddFile(dir / f.name);
  }
  struct Step {
    int column;
    std::vector<std::string> order;
  } steps[] = {
      {1, {"Apple.txt", "cherry.txt", "banana.txt"}},  // first click: smallest first
      {1, {"banana.txt", "cherry.txt", "Apple.txt"}},  // next click reverses
      {0, {"Apple.txt", "banana.txt", "cherry.txt"}},  // either header: ascending again, a-z folded
      {1, {"banana.txt", "cherry.txt", "Apple.txt"}}, {0, {"Apple.txt", "banana.txt", "cherry.txt"}},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    ClickHeader(form->ListView1(), steps[i].column);
    EXPECT_EQ(form->SortColumn, steps[i].column) << "click " << i;
    EXPECT_EQ(Captions(form->Documents()), steps[i].order) << "click " << i;
  }
  EXPECT_EQ(form->Documents().Path(0), dir / "Apple.txt");
}

TEST_F(MainFormTest, DroppedNamesBecomeRowsInOrderUnchanged) {
  auto form = NewForm();
  qftest::TempDir dir;
  std::vector<std::wstring> names;
  std::vector<std::string> expected;
  for (int i = 0; i < 8; ++i) {
    const std::string name = dir / ("f" + std::to_string(i) + ".xyz");
    qftest::WriteFileBytes(name, "x");
    names.push_back(Wide(name));
    expected.push_back(name);
  }
  CreateDirectoryA((dir / "folder").c_str(), nullptr);
  names.push_back(Wide(dir / "folder"));
  expected.push_back(dir / "folder");
  names.push_back(names.front());
  expected.push_back(expected.front());
  // A name the code page cannot hold: its ANSI form would be another name.
  ASSERT_EQ(GetACP(), 1252u);
  names.push_back(Wide(dir.Path()) + L"\x4E2D\x6587.txt");
  SendMessageA(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names)), 0);
  EXPECT_EQ(form->Documents().Paths(), expected);
  EXPECT_NE(qftest::ReadFileBytes(LogFileName).find("characters the system code page cannot show"), std::string::npos);
}

TEST_F(MainFormTest, AddFilesTakesEveryNameChosenInTheDialog) {
  auto form = NewForm();
  qftest::TempDir dir;
  for (const char* n : {"a.txt", "b.jpg", "c.unknown"}) qftest::WriteFileBytes(dir / n, "x");
  SetCurrentDirectoryA(dir.Path().c_str());
  auto answered = std::async(
      std::launch::async, [] { return qftest::AnswerFileDialog("Open", "\"b.jpg\" \"c.unknown\"", qftest::kWaitMs); });
  SendMessageA(form->Handle(), WM_COMMAND, ID_ADDFILE, 0);
  EXPECT_TRUE(answered.get());
  auto paths = form->Documents().Paths();
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{dir / "b.jpg", dir / "c.unknown"}));

  // Cancelled: nothing changes.
  auto cancelled = std::async(std::launch::async, [] {
    HWND dlg = qftest::WaitForVisibleWindow("#32770", "Open", GetCurrentProcessId(), qftest::kWaitMs);
    if (dlg) PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    return dlg != nullptr;
  });
  SendMessageA(form->Handle(), WM_COMMAND, ID_ADDFILE, 0);
  EXPECT_TRUE(cancelled.get());
  EXPECT_EQ(form->Documents().Count(), 2);
}

TEST_F(MainFormTest, FileListThatCannotBeOpenedOrCreatedIsReportedAsAProgramError) {
  auto form = NewForm();
  qftest::TempDir dir;
  const std::string lst = dir / "busy.lst";
  qftest::WriteFileBytes(lst, dir / "a.txt\r\n");
  qftest::WriteFileBytes(dir / "a.txt", "x");
  // Held by a program that writes it: it can be neither read nor replaced.
  HANDLE writer = CreateFileA(lst.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  struct Case {
    int command;
    const char* dialog;
    std::string message;
  } cases[] = {
      {ID_IMPORTFILEACTION, "Open", "Program Error:Cannot open file " + lst + " EFOpenError"},
      {ID_SAVEACTION, "Save As", "Program Error:Cannot create file " + lst + " EFCreateError"},
  };
  form->Documents().AddFile(dir / "a.txt");
  for (const auto& c : cases) {
    auto box = std::async(std::launch::async, [&] {
      if (!qftest::AnswerFileDialog(c.dialog, lst, qftest::kWaitMs)) return std::string("<no dialog>");
      bool found = false;
      std::string text = qftest::AnswerMessageBox("Quirefeed", qftest::kWaitMs, &found);
      return found ? text : std::string("<no message box>");
    });
    SendMessageA(form->Handle(), WM_COMMAND, static_cast<WPARAM>(c.command), 0);
    EXPECT_EQ(box.get(), c.message);
    EXPECT_EQ(form->Documents().Paths(), std::vector<std::string>{dir / "a.txt"}) << "the list is unchanged";
  }
  CloseHandle(writer);

  // Once free, the list is saved and imported.
  auto saved = std::async(std::launch::async,
                          [&] { return qftest::AnswerFileDialog("Save As", dir / "saved", qftest::kWaitMs); });
  SendMessageA(form->Handle(), WM_COMMAND, ID_SAVEACTION, 0);
  ASSERT_TRUE(saved.get());
  EXPECT_EQ(qftest::ReadFileBytes(dir / "saved.lst"), dir / "a.txt\r\n") << "the extension is added";
  auto imported = std::async(std::launch::async,
                             [&] { return qftest::AnswerFileDialog("Open", dir / "saved.lst", qftest::kWaitMs); });
  SendMessageA(form->Handle(), WM_COMMAND, ID_IMPORTFILEACTION, 0);
  ASSERT_TRUE(imported.get());
  EXPECT_EQ(form->Documents().Paths(), (std::vector<std::string>{dir / "a.txt", dir / "a.txt"}));
}

TEST_F(MainFormTest, HtmlPrintOptionsShowTheBrowsersValuesAndKeepTheEditsOnOk) {
  const char* kBrowserKey = "Software\\Microsoft\\Internet Explorer\\PageSetup";
  {
    CRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(kBrowserKey, true));
    reg.WriteString("header", "&w&bPage &p of &P");
    reg.WriteString("footer", "&u&b&d");
    reg.WriteString("margin_left", "0.750000");
    reg.WriteString("margin_right", "0.5");
    reg.WriteString("margin_top", "0.25");
    reg.WriteString("margin_bottom", "1");
  }
  auto form = NewForm();
  struct Seen {
    std::string edits[6];
    std::string margin_after_typing, header_after_typing;
  };
  auto drive = [](bool ok) {
    return std::async(std::launch::async, [ok] {
      Seen seen;
      HWND dlg =
          qftest::WaitForVisibleWindow("THOptionform", "HTML Print Options", GetCurrentProcessId(), qftest::kWaitMs);
      if (!dlg) return seen;
      for (int i = 0; i < 6; ++i) seen.edits[i] = qftest::WindowText(GetDlgItem(dlg, THOptionform::kEdit1 + i));
      HWND left = GetDlgItem(dlg, THOptionform::kEdit3);
      SendMessageA(left, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
      for (char c : std::string("1a.5.0")) SendMessageA(left, WM_CHAR, static_cast<unsigned char>(c), 0);
      seen.margin_after_typing = qftest::WindowText(left);
      HWND header = GetDlgItem(dlg, THOptionform::kEdit1);
      SendMessageA(header, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
      for (char c : std::string("Q.x.")) SendMessageA(header, WM_CHAR, static_cast<unsigned char>(c), 0);
      seen.header_after_typing = qftest::WindowText(header);
      SendMessageA(GetDlgItem(dlg, ok ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
      return seen;
    });
  };
  auto cancelled = drive(false);
  SendMessageA(form->Handle(), WM_COMMAND, ID_HOPTIONACTION, 0);
  const Seen first = cancelled.get();
  EXPECT_EQ(first.edits[0], "&w&bPage &p of &P");
  EXPECT_EQ(first.edits[1], "&u&b&d");
  EXPECT_EQ(first.edits[2], "0.750000");
  EXPECT_EQ(first.edits[5], "1");
  EXPECT_EQ(first.margin_after_typing, "1.50") << "letters and the second dot refused";
  EXPECT_EQ(first.header_after_typing, "Q.x.") << "the header is not filtered";
  EXPECT_FALSE(qftest::FileExists(form->IniFileName)) << "Cancel writes nothing";

  auto confirmed = drive(true);
  SendMessageA(form->Handle(), WM_COMMAND, ID_HOPTIONACTION, 0);
  confirmed.get();
  CIniFile ini(form->IniFileName);
  EXPECT_EQ(ini.ReadString("Html", "Header", "?"), "Q.x.");
  EXPECT_EQ(ini.ReadString("Html", "Footer", "?"), "&u&b&d");
  EXPECT_EQ(ini.ReadString("Html", "margin_left", "?"), "1.50");
  EXPECT_EQ(ini.ReadString("Html", "margin_right", "?"), "0.5");
  EXPECT_EQ(ini.ReadString("Html", "margin_bottom", "?"), "1");
  // The browser's own values are not touched by the dialog.
  CRegistry reg(HKEY_CURRENT_USER, KEY_READ);
  ASSERT_TRUE(reg.OpenKey(kBrowserKey, false));
  EXPECT_EQ(reg.ReadString("header", ""), "&w&bPage &p of &P");
  EXPECT_EQ(reg.ReadString("margin_left", ""), "0.750000");
}

TEST_F(MainFormTest, ViewMenuSwitchesTheListViewAndMarksItsItem) {
  auto form = NewForm();
  HMENU view = GetSubMenu(GetMenu(form->Handle()), 1);
  const struct {
    int command;
    DWORD list_view;
  } cases[] = {{ID_SMALLICON, LV_VIEW_SMALLICON}, {ID_LISTVIEW, LV_VIEW_LIST}, {ID_DETAIL, LV_VIEW_DETAILS}};
  EXPECT_EQ(SendMessageA(form->ListView1(), LVM_GETVIEW, 0, 0), LV_VIEW_DETAILS) << "report view at start";
  for (const auto& c : cases) {
    SendMessageA(form->Handle(), WM_COMMAND, static_cast<WPARAM>(c.command), 0);
    EXPECT_EQ(static_cast<DWORD>(SendMessageA(form->ListView1(), LVM_GETVIEW, 0, 0)), c.list_view) << c.command;
    for (const auto& other : cases) {
      const bool marked = (GetMenuState(view, static_cast<UINT>(other.command), MF_BYCOMMAND) & MF_CHECKED) != 0;
      EXPECT_EQ(marked, other.command == c.command) << c.command << " " << other.command;
    }
  }
}

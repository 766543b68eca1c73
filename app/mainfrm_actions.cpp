// The main window's actions, menus and the menu handlers without actions.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app/aboutfrm.h"
#include "app/base/log.h"
#include "app/mainfrm.h"
#include "app/base/product.h"
#include "drivers/hoptionfrm.h"
#include "drivers/optionsfrm.h"
#include "winkit/menu.h"

void Tmainform::CreateActions() {
  auto list_count = [this] { return documents_.Count(); };
  auto& a = actions_;
  a.Add(ID_ADDFILE, "AddFile", "&Add Files", "Add Files").OnExecute([this] { AddFileExecute(); });
  a.Add(ID_REMOVEFILE, "RemoveFile", "&Remove", "Remove").OnExecute([this] { RemoveFileExecute(); }).OnUpdate([this] {
    return documents_.SelectedCount() > 0;
  });
  a.Add(ID_PRINTACTION, "PrintAction", "&Print", "Print")
      .OnExecute([this] { PrintActionExecute(); })
      .OnUpdate([this, list_count] { return !printing_ && list_count() > 0; });
  a.Add(ID_OPTIONACTION, "OptionAction", "&Word Print Options").OnExecute([this] { OptionActionExecute(Handle()); });
  a.Add(ID_ABOUTACTION, "AboutAction", "&About").OnExecute([this] { AboutActionExecute(); });
  a.Add(ID_VIEWLOGACTION, "ViewLogAction", "View Log").OnExecute([this] { ViewLog(Handle()); });
  a.Add(ID_CLEARACTION, "ClearAction", "&Clear").OnExecute([this] { ClearActionExecute(); });
  a.Add(ID_CLEARLOGACTION, "ClearLogAction", "Clear &Log").OnExecute([] { ClearLog(); });
  a.Add(ID_HELPACTION, "HelpAction", "&Help").Shortcut(VK_F1, "F1").OnExecute([this] { HelpActionExecute(); });
  a.Add(ID_PRINTFOLDER, "Printfolder", "Print folder").OnExecute([this] { PrintfolderExecute(); });
  a.Add(ID_WATCHACTION, "watchaction", "&Watch folder").OnExecute([this] { watchactionExecute(); });
  a.Add(ID_PRINTMULFILE, "PrintMulFile", "PrintMulFile").OnExecute([this] { PrintMulFileExecute(); });
  a.Add(ID_CLEARALLACTION, "ClearAllAction", "&Clear All")
      .OnExecute([this] { ClearActionExecute(); })
      .OnUpdate([list_count] { return list_count() > 0; });
  a.Add(ID_SELECTALLACTION, "SelectAllAction", "&Select All")
      .OnExecute([this] { SelectAllActionExecute(); })
      .OnUpdate([list_count] { return list_count() > 0; });
  a.Add(ID_HOPTIONACTION, "HoptionAction", "&Html Print Options").OnExecute([this] { HoptionActionExecute(); });
  a.Add(ID_IMPORTFILEACTION, "ImportFileAction", "&Import File List").OnExecute([this] { ImportFileActionExecute(); });
  a.Add(ID_SHUTDOWNACTION, "ShutdownAction", "E&xit").OnExecute([this] { ShutdownActionExecute(); });
  a.Add(ID_RESTOREACTION, "RestoreAction", "Restore").OnExecute([this] { RestoreActionExecute(); });
  a.Add(ID_SAVEACTION, "SaveAction", "&Save File List").OnExecute([this] { SaveActionExecute(); });
  a.Add(ID_SETTINGACTION, "SettingAction", "Setting", "Printer Setting").OnExecute([this] { SettingActionExecute(); });
}

void Tmainform::CreateMenus() {
  using winkit::ActionItem;
  using winkit::MenuItem;
  auto act = [this](int id) { return ActionItem(*actions_.Find(id)); };
  auto view = [](const char* caption, int id, bool checked) {
    MenuItem item = MenuItem::Command(caption, id);
    item.radio = true;
    item.checked = checked;
    return item;
  };
  const std::vector<MenuItem> main = {
      MenuItem::Sub("&File", {act(ID_ADDFILE), act(ID_CLEARACTION), MenuItem::Separator(), act(ID_SAVEACTION),
                              act(ID_IMPORTFILEACTION), MenuItem::Separator(), act(ID_VIEWLOGACTION),
                              act(ID_CLEARLOGACTION), MenuItem::Separator(), act(ID_SHUTDOWNACTION)}),
      MenuItem::Sub("&View", {view("&Small Icon", ID_SMALLICON, false), view("&List", ID_LISTVIEW, false),
                              view("&Detail", ID_DETAIL, true)}),
      MenuItem::Sub("&Options", {act(ID_OPTIONACTION), act(ID_HOPTIONACTION)}),
      MenuItem::Sub("&Tasks", {act(ID_PRINTFOLDER), act(ID_WATCHACTION)}),
      MenuItem::Sub("&Help", {act(ID_HELPACTION), MenuItem::Separator(),
                              MenuItem::Command("&Visit Our Website!", ID_VISITWEBSITE),
                              MenuItem::Command("Comments Or Suggestions", ID_COMMENTS), MenuItem::Separator(),
                              MenuItem::Command("&About...", ID_ABOUTACTION)}),
  };
  built_menu_.reset(winkit::BuildMenu(main, false));
  main_menu_ = built_menu_.get();
  popup_list_.reset(
      winkit::BuildMenu({act(ID_ADDFILE), act(ID_REMOVEFILE), MenuItem::Separator(), act(ID_SELECTALLACTION),
                         act(ID_CLEARALLACTION), MenuItem::Separator(), act(ID_VIEWLOGACTION), act(ID_CLEARLOGACTION)},
                        true));
}

void Tmainform::SetView(int command) {
  DWORD view = LV_VIEW_DETAILS;
  if (command == ID_SMALLICON) view = LV_VIEW_SMALLICON;
  if (command == ID_LISTVIEW) view = LV_VIEW_LIST;
  SendMessageA(list_, LVM_SETVIEW, view, 0);
  CheckMenuRadioItem(main_menu_, ID_SMALLICON, ID_DETAIL, static_cast<UINT>(command), MF_BYCOMMAND);
}

void Tmainform::AboutActionExecute() {
  TAboutform about;
  about.Execute(Handle());
}

void Tmainform::Visitourwebsite1Click() {
  ShellExecuteA(nullptr, "Open", kProductWebsite, nullptr, nullptr, SW_SHOWNORMAL);
}

void Tmainform::commentsorsuggestions1Click() {
  ShellExecuteA(nullptr, "open", (std::string("mailto:") + kSupportEmail).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Tmainform::HelpActionExecute() {
  ShellExecuteA(nullptr, "Open", (SharedDataFolder + "quirefeed.chm").c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

PageSetupPlace Tmainform::HtmlPageSetupPlace() const {
  PageSetupPlace place;
  place.root = paths_.registry_root;
  place.ini_file = IniFileName;
  return place;
}

void Tmainform::HoptionActionExecute() {
  const PageSetupPlace place = HtmlPageSetupPlace();
  PageSetupValues values = ReadHtmlOptions(place, ReadBrowserPageSetup(place));
  THOptionform dialog;
  // Only the program's own section changes; the browser's values stay.
  if (dialog.Execute(Handle(), values)) WriteHtmlOptions(place, values);
}

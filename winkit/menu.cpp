#include "winkit/menu.h"

namespace winkit {

MenuItem ActionItem(const TAction& action) {
  std::string caption = action.Caption();
  if (!action.ShortcutText().empty()) caption += "\t" + action.ShortcutText();
  return MenuItem::Command(std::move(caption), action.Id());
}

HMENU BuildMenu(const std::vector<MenuItem>& items, bool popup) {
  HMENU menu = popup ? CreatePopupMenu() : CreateMenu();
  if (!menu) return nullptr;
  for (const MenuItem& item : items) {
    switch (item.kind) {
      case MenuItem::Kind::Separator:
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        break;
      case MenuItem::Kind::SubMenu: {
        HMENU sub = BuildMenu(item.children, true);
        AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), item.caption.c_str());
        break;
      }
      case MenuItem::Kind::Command: {
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
        mii.fType = MFT_STRING | (item.radio ? MFT_RADIOCHECK : 0u);
        mii.fState = item.checked ? MFS_CHECKED : 0u;
        mii.wID = static_cast<UINT>(item.id);
        mii.dwTypeData = const_cast<char*>(item.caption.c_str());
        InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &mii);
        break;
      }
    }
  }
  return menu;
}

std::string MenuCaption(HMENU menu, int index) {
  char text[256] = {};
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_STRING | MIIM_FTYPE;
  mii.dwTypeData = text;
  mii.cch = sizeof text;
  if (!GetMenuItemInfoA(menu, static_cast<UINT>(index), TRUE, &mii)) return {};
  if (mii.fType & MFT_SEPARATOR) return "-";
  return text;
}

}  // namespace winkit

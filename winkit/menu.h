#pragma once
// Builds menus from a plain description; items bound to an action take its
// caption (and shortcut text) and its command id.
#include <windows.h>

#include <string>
#include <vector>

#include "winkit/action.h"
#include "winkit/handles.h"

namespace winkit {

struct MenuItem {
  enum class Kind { Command, Separator, SubMenu };
  Kind kind = Kind::Command;
  std::string caption;  // for plain commands and sub-menus
  int id = 0;           // command id (an action's id binds the item to it)
  std::vector<MenuItem> children;
  bool radio = false;
  bool checked = false;

  static MenuItem Separator() { return MenuItem{Kind::Separator, {}, 0, {}, false, false}; }
  static MenuItem Sub(std::string caption, std::vector<MenuItem> items) {
    return MenuItem{Kind::SubMenu, std::move(caption), 0, std::move(items), false, false};
  }
  static MenuItem Command(std::string caption, int id) {
    return MenuItem{Kind::Command, std::move(caption), id, {}, false, false};
  }
};

// An item for an action: its caption, with "\t" + shortcut when it has one.
MenuItem ActionItem(const TAction& action);

// A menu bar (popup = false) or a popup menu; the caller owns the result.
HMENU BuildMenu(const std::vector<MenuItem>& items, bool popup);

// The plain caption of item `index` in `menu` (no access-key change).
std::string MenuCaption(HMENU menu, int index);

}  // namespace winkit

#include "winkit/action.h"

#include <commctrl.h>

namespace winkit {

bool TAction::Execute() {
  Update();
  if (!enabled_ || !execute_) return false;
  execute_();
  return true;
}

bool TAction::Update() {
  const bool now = update_ ? update_() : true;
  const bool changed = now != enabled_;
  enabled_ = now;
  return changed;
}

TAction& TActionList::Add(int id, std::string name, std::string caption, std::string hint) {
  actions_.push_back(std::make_unique<TAction>(id, std::move(name), std::move(caption), std::move(hint)));
  return *actions_.back();
}

TAction* TActionList::Find(int id) noexcept {
  for (auto& a : actions_)
    if (a->Id() == id) return a.get();
  return nullptr;
}

TAction* TActionList::Find(const std::string& name) noexcept {
  for (auto& a : actions_)
    if (a->Name() == name) return a.get();
  return nullptr;
}

bool TActionList::Dispatch(int id) {
  TAction* a = Find(id);
  if (!a) return false;
  a->Execute();
  return true;
}

void TActionList::Apply(const TAction& a) const {
  const UINT flags = MF_BYCOMMAND | (a.Enabled() ? MF_ENABLED : MF_GRAYED);
  for (HMENU m : menus_) EnableMenuItem(m, static_cast<UINT>(a.Id()), flags);
  for (HWND tb : toolbars_)
    SendMessageA(tb, TB_ENABLEBUTTON, static_cast<WPARAM>(a.Id()), MAKELPARAM(a.Enabled() ? TRUE : FALSE, 0));
}

void TActionList::UpdateAll() {
  for (auto& a : actions_) {
    a->Update();
    // Applied every time, not only on change: a menu built after the last
    // change must still show the current state.
    Apply(*a);
  }
}

HACCEL TActionList::CreateAccelerators() const {
  std::vector<ACCEL> table;
  for (auto& a : actions_) {
    if (a->ShortcutKey()) table.push_back(ACCEL{FVIRTKEY, a->ShortcutKey(), static_cast<WORD>(a->Id())});
  }
  if (table.empty()) return nullptr;
  return CreateAcceleratorTableA(table.data(), static_cast<int>(table.size()));
}

}  // namespace winkit

#pragma once
// Actions: a command with caption, hint, shortcut, an Execute handler and an
// Update handler that decides whether it is enabled. Menu items and tool-bar
// buttons bound to an action follow its caption and enabling; enabling is
// evaluated again whenever the program goes idle.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace winkit {

class TAction {
 public:
  TAction(int id, std::string name, std::string caption, std::string hint)
      : id_(id), name_(std::move(name)), caption_(std::move(caption)), hint_(std::move(hint)) {}

  int Id() const noexcept { return id_; }
  const std::string& Name() const noexcept { return name_; }
  const std::string& Caption() const noexcept { return caption_; }
  const std::string& Hint() const noexcept { return hint_; }
  // Shortcut shown after a tab in menus, e.g. "F1".
  const std::string& ShortcutText() const noexcept { return shortcut_text_; }
  WORD ShortcutKey() const noexcept { return shortcut_vk_; }
  bool Enabled() const noexcept { return enabled_; }

  TAction& OnExecute(std::function<void()> f) {
    execute_ = std::move(f);
    return *this;
  }
  TAction& OnUpdate(std::function<bool()> f) {
    update_ = std::move(f);
    return *this;
  }
  TAction& Shortcut(WORD vk, std::string text) {
    shortcut_vk_ = vk;
    shortcut_text_ = std::move(text);
    return *this;
  }

  // Runs the Execute handler when the action is enabled; true when it ran.
  bool Execute();
  // Re-evaluates enabling; true when it changed.
  bool Update();

 private:
  int id_;
  std::string name_, caption_, hint_, shortcut_text_;
  WORD shortcut_vk_ = 0;
  bool enabled_ = true;
  std::function<void()> execute_;
  std::function<bool()> update_;
};

class TActionList {
 public:
  TAction& Add(int id, std::string name, std::string caption, std::string hint = {});
  TAction* Find(int id) noexcept;
  TAction* Find(const std::string& name) noexcept;
  const std::vector<std::unique_ptr<TAction>>& Actions() const noexcept { return actions_; }

  // Clients that follow an action's enabling.
  void BindMenu(HMENU menu) { menus_.push_back(menu); }
  void BindToolBar(HWND toolbar) { toolbars_.push_back(toolbar); }

  // WM_COMMAND: runs the action with this id; false when no action has it.
  bool Dispatch(int id);
  // Re-evaluates every action and pushes the result to the bound clients.
  void UpdateAll();
  // Accelerator table of the actions' shortcuts (caller owns it), or null.
  HACCEL CreateAccelerators() const;

 private:
  void Apply(const TAction& a) const;

  std::vector<std::unique_ptr<TAction>> actions_;
  std::vector<HMENU> menus_;
  std::vector<HWND> toolbars_;
};

}  // namespace winkit

#pragma once
// WM_COMMAND and WM_NOTIFY routed to small handlers, registered by control
// id (and notification code), instead of a switch in every form.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <utility>

namespace winkit {

class TCommandMap {
 public:
  using Handler = std::function<void()>;
  using NotifyHandler = std::function<LRESULT(const NMHDR&)>;

  // `id` sent with any notification code (menus, accelerators, clicks).
  void On(int id, Handler h) { any_code_[id] = std::move(h); }
  // `id` with one notification code (EN_CHANGE, CBN_SELCHANGE, ...); taken
  // before a handler for any code.
  void On(int id, WORD code, Handler h) { by_code_[{id, code}] = std::move(h); }
  void OnNotify(int id, UINT code, NotifyHandler h) { notify_[{id, code}] = std::move(h); }

  // True when a handler took the WM_COMMAND.
  bool Command(WPARAM wp) const;
  // True when a handler took the WM_NOTIFY; its answer in `result`.
  bool Notify(const NMHDR& nm, LRESULT& result) const;

 private:
  std::map<int, Handler> any_code_;
  std::map<std::pair<int, WORD>, Handler> by_code_;
  std::map<std::pair<int, UINT>, NotifyHandler> notify_;
};

}  // namespace winkit

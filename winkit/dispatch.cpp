#include "winkit/dispatch.h"

namespace winkit {

bool TCommandMap::Command(WPARAM wp) const {
  const int id = LOWORD(wp);
  const WORD code = HIWORD(wp);
  if (auto it = by_code_.find({id, code}); it != by_code_.end()) {
    it->second();
    return true;
  }
  if (auto it = any_code_.find(id); it != any_code_.end()) {
    it->second();
    return true;
  }
  return false;
}

bool TCommandMap::Notify(const NMHDR& nm, LRESULT& result) const {
  if (auto it = notify_.find({static_cast<int>(nm.idFrom), nm.code}); it != notify_.end()) {
    result = it->second(nm);
    return true;
  }
  return false;
}

}  // namespace winkit

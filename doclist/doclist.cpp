#include "doclist/doclist.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <cstring>

#include "app/base/log.h"
#include "app/base/paths.h"

int CompareText(const std::string& a, const std::string& b) {
  const auto fold = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? u - ('a' - 'A') : u;
  };
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int d = static_cast<int>(fold(a[i])) - static_cast<int>(fold(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int ListView1Compare(const ListItemPath& a, const ListItemPath& b, int sort_column, bool ascending) {
  int result;
  if (sort_column == 0) {
    result = CompareText(NamePart(a.path), NamePart(b.path));
  } else {
    // Compared, not subtracted: sizes of 2 GiB and more do not fit a 32-bit
    // difference.
    result = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
  }
  return ascending ? result : -result;
}

std::string RefusalText(AddResult result, const std::string& path) {
  switch (result) {
    case AddResult::Added:
      return {};
    case AddResult::Empty:
      return "Add File: an empty name was skipped";
    case AddResult::TooLong:
      return "Add File: the path is longer than 259 characters and was not added: " + path;
    case AddResult::LostCharacters:
      return "Add File: the name holds characters the system code page cannot show and was not added: " + path;
  }
  return {};
}

int CDocumentList::Count() const {
  return list_ ? static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int CDocumentList::SelectedCount() const {
  return list_ ? static_cast<int>(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

const ListItemPath* CDocumentList::Item(int row) const {
  if (!list_ || row < 0) return nullptr;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  const auto* data = reinterpret_cast<const ListItemPath*>(item.lParam);
  return items_.count(data) ? data : nullptr;
}

std::string CDocumentList::Path(int row) const {
  const ListItemPath* item = Item(row);
  return item ? item->path : std::string();
}

std::vector<std::string> CDocumentList::Paths() const {
  std::vector<std::string> paths;
  const int n = Count();
  paths.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) paths.push_back(Path(i));
  return paths;
}

namespace {

std::string ItemText(HWND list, int row, int sub_item) {
  char buf[520] = {};
  LVITEMA item{};
  item.iSubItem = sub_item;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buf;
}

// Types whose icon is the file's own (programs, icons, shortcuts): the
// shell must open the file to find it.
bool HasOwnIcon(const std::string& path) {
  static const char* const kOwn[] = {".exe", ".ico", ".lnk", ".cur", ".ani", ".scr", ".cpl", ".dll", ".url"};
  const size_t dot = path.find_last_of(".\\");
  if (dot == std::string::npos || path[dot] != '.') return false;
  for (const char* ext : kOwn)
    if (lstrcmpiA(path.c_str() + dot, ext) == 0) return true;
  return false;
}

int SystemIconIndex(const std::string& path) {
  SHFILEINFOA info{};
  if (HasOwnIcon(path)) {
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX);
  } else {
    // Every other file shows its type's icon, which the shell finds from
    // the name alone: asking it to look at the file costs some 3 ms a file
    // under Wine, half a minute for a list of ten thousand.
    const DWORD attr = GetFileAttributesA(path.c_str());
    const DWORD kind = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) ? FILE_ATTRIBUTE_DIRECTORY
                                                                                            : FILE_ATTRIBUTE_NORMAL;
    SHGetFileInfoA(path.c_str(), kind, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
  }
  return info.iIcon;
}

}  // namespace

std::string CDocumentList::Caption(int row) const {
  return list_ ? ItemText(list_, row, 0) : std::string();
}

std::string CDocumentList::SizeText(int row) const {
  return list_ ? ItemText(list_, row, 1) : std::string();
}

AddResult CDocumentList::AddFile(const std::string& path) {
  AddResult refused = AddResult::Added;
  if (path.empty()) {
    refused = AddResult::Empty;
  } else if (path.size() >= MAX_PATH) {
    refused = AddResult::TooLong;
  } else if (path.find_first_of("?*") != std::string::npos) {
    // A name turned into ANSI with characters the code page lacks carries
    // "?" in their place; no file has it, so the row could never print.
    refused = AddResult::LostCharacters;
  }
  if (refused != AddResult::Added) {
    WriteLog(LogStamp() + RefusalText(refused, path));
    return refused;
  }

  auto data = std::make_unique<ListItemPath>();
  data->path = path;
  struct _stat64 st {};
  if (_stat64(path.c_str(), &st) == 0) data->size = st.st_size;

  std::string caption = NamePart(path);
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
  item.iItem = Count();
  item.pszText = caption.data();
  item.iImage = SystemIconIndex(path);
  item.lParam = reinterpret_cast<LPARAM>(data.get());
  const int row = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return AddResult::Empty;
  std::string size = std::to_string(data->size);
  LVITEMA sub{};
  sub.iSubItem = 1;
  sub.pszText = size.data();
  SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
  const ListItemPath* key = data.get();
  items_.emplace(key, std::move(data));
  return AddResult::Added;
}

void CDocumentList::DeleteRow(int row) {
  const ListItemPath* data = Item(row);
  SendMessageA(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  if (data) items_.erase(data);
}

void CDocumentList::RemoveSelected() {
  if (!list_) return;
  ListUpdateGuard update(*this);
  int row = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  while (row >= 0) {
    const int next = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
    DeleteRow(row);
    // The rows after the deleted one moved up by one.
    row = next >= 0 ? next - 1 : -1;
  }
}

void CDocumentList::Clear() {
  ListUpdateGuard update(*this);
  for (int row = Count() - 1; row >= 0; --row) DeleteRow(row);
  if (list_) SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
  items_.clear();
}

void CDocumentList::Select(int row, bool selected) {
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED;
  state.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

void CDocumentList::SelectAll() {
  if (list_) Select(-1, true);
}

namespace {

struct SortKey {
  int column;
  bool ascending;
};

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM key_param) {
  const auto* key = reinterpret_cast<const SortKey*>(key_param);
  return ListView1Compare(*reinterpret_cast<const ListItemPath*>(a), *reinterpret_cast<const ListItemPath*>(b),
                          key->column, key->ascending);
}

}  // namespace

void CDocumentList::Sort(int sort_column, bool ascending) {
  if (!list_) return;
  SortKey key{sort_column, ascending};
  SendMessageA(list_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&key), reinterpret_cast<LPARAM>(&CompareRows));
}

void CDocumentList::BeginUpdate() {
  if (list_) SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

void CDocumentList::EndUpdate() {
  if (!list_) return;
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

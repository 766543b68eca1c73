#include "winkit/filedialog.h"

#include <commdlg.h>

namespace winkit {

std::string DialogFilter(const std::string& readable) {
  std::string out = readable;
  for (char& c : out)
    if (c == '|') c = '\0';
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

std::vector<std::string> SplitDialogNames(const char* buffer) {
  std::vector<std::string> names;
  if (!buffer || !*buffer) return names;
  const std::string first = buffer;
  const char* p = buffer + first.size() + 1;
  if (!*p) {
    names.push_back(first);
    return names;
  }
  const std::string folder = first.back() == '\\' ? first : first + "\\";
  for (; *p; p += std::string(p).size() + 1) names.push_back(folder + p);
  return names;
}

namespace {

// Room for a few thousand names chosen at once.
constexpr DWORD kNameBuffer = 1u << 18;

OPENFILENAMEA Prepare(HWND owner, const FileDialogOptions& options, const std::string& filter, std::string& names) {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  names.assign(kNameBuffer, '\0');
  ofn.lpstrFile = names.data();
  ofn.nMaxFile = kNameBuffer;
  ofn.lpstrDefExt = options.default_ext.empty() ? nullptr : options.default_ext.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  return ofn;
}

}  // namespace

std::vector<std::string> OpenFileDialog(HWND owner, const FileDialogOptions& options) {
  const std::string filter = DialogFilter(options.filter);
  std::string names;
  OPENFILENAMEA ofn = Prepare(owner, options, filter, names);
  if (options.multi_select) ofn.Flags |= OFN_ALLOWMULTISELECT;
  if (options.must_exist) ofn.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameA(&ofn)) return {};
  return SplitDialogNames(names.c_str());
}

std::string SaveFileDialog(HWND owner, const FileDialogOptions& options) {
  const std::string filter = DialogFilter(options.filter);
  std::string names;
  OPENFILENAMEA ofn = Prepare(owner, options, filter, names);
  if (options.overwrite_prompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameA(&ofn)) return {};
  return names.c_str();
}

}  // namespace winkit

#include "winkit/text.h"

#include <cwchar>

namespace winkit {
namespace {

// UTF-7 and UTF-8 take neither flags nor the "lost a letter" answer.
bool IsUtf(UINT code_page) { return code_page == CP_UTF8 || code_page == CP_UTF7; }

bool Narrow(const wchar_t* w, int length, std::string& out, UINT code_page, bool best_fit = false) {
  out.clear();
  if (length <= 0) return true;
  const DWORD flags = IsUtf(code_page) || best_fit ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lost = FALSE;
  BOOL* lost_ptr = IsUtf(code_page) ? nullptr : &lost;
  const int n = WideCharToMultiByte(code_page, flags, w, length, nullptr, 0, nullptr, lost_ptr);
  if (n <= 0) return false;
  out.assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, w, length, out.data(), n, nullptr, lost_ptr);
  return !lost;
}

}  // namespace

std::wstring ToWide(const std::string& s, UINT code_page) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(code_page, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

bool FromWide(const std::wstring& w, std::string& out, UINT code_page) {
  return Narrow(w.data(), static_cast<int>(w.size()), out, code_page);
}

bool FromWide(const wchar_t* w, std::string& out, UINT code_page) {
  if (!w) {
    out.clear();
    return true;
  }
  return Narrow(w, static_cast<int>(std::wcslen(w)), out, code_page);
}

std::string Recode(const std::string& s, UINT from, UINT to) {
  if (s.empty()) return s;
  const std::wstring w = ToWide(s, from);
  if (w.empty()) return s;
  std::string out;
  Narrow(w.data(), static_cast<int>(w.size()), out, to, true);
  return out;
}

}  // namespace winkit

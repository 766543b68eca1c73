#pragma once
// Conversions between the program's ANSI texts and UTF-16 (or UTF-8): the
// one place where code pages are crossed.
#include <windows.h>

#include <string>

namespace winkit {

// `s` in UTF-16, read in `code_page` (the system code page by default).
std::wstring ToWide(const std::string& s, UINT code_page = CP_ACP);

// `w` in `code_page`. False, with `out` holding the best it could, when the
// code page has no character for some of its letters: a name converted
// that way would name another file.
bool FromWide(const std::wstring& w, std::string& out, UINT code_page = CP_ACP);
// Same, for a text ending in a null character.
bool FromWide(const wchar_t* w, std::string& out, UINT code_page = CP_ACP);

// `s` read in `from` and written in `to`, for display: letters `to` cannot
// hold become their closest match or the default character. `s` as it is
// when it is not valid in `from`.
std::string Recode(const std::string& s, UINT from, UINT to);

}  // namespace winkit

#include "standins/browser/pageformat.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "winkit/handles.h"
#include "winkit/text.h"

namespace standin {

namespace {

constexpr double kDefaultMarginMm = 19.05;
constexpr double kMmPerInch = 25.4;
constexpr double kLargestMarginShare = 0.4;

std::string ReadValue(HKEY key, const char* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return {};
  std::vector<char> buf(size + 1, 0);
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf.data()), &size) != ERROR_SUCCESS)
    return {};
  return std::string(buf.data());
}

std::string Utf8(const std::string& ansi) {
  std::string out;
  winkit::FromWide(winkit::ToWide(ansi), out, CP_UTF8);
  return out;
}

// Text for the template, in UTF-8 with HTML's special characters escaped.
std::string Escaped(const std::string& ansi) {
  std::string out;
  for (char c : Utf8(ansi)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// One part of a line: its codes turned into text and the engine's fields.
std::string PartHtml(const std::string& codes, const Stamp& when) {
  std::string out, text;
  auto flush = [&] {
    out += Escaped(text);
    text.clear();
  };
  for (size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] != '&' || i + 1 == codes.size()) {
      text += codes[i];
      continue;
    }
    const char code = codes[++i];
    const char* field = nullptr;
    switch (code) {
      case 'w': field = "title"; break;
      case 'u': field = "url"; break;
      case 'p': field = "pageNumber"; break;
      case 'P': field = "totalPages"; break;
      case 'd': text += when.short_date; break;
      case 'D': text += when.long_date; break;
      case 't': text += when.time; break;
      case 'T': text += when.time24; break;
      case '&': text += '&'; break;
      case 'b': break;
      default: text += '&', text += code;
    }
    if (field) {
      flush();
      out += std::string("<span class=\"") + field + "\"></span>";
    }
  }
  flush();
  return out;
}

std::string DateText(DWORD flags) {
  char buf[128] = {};
  return GetDateFormatA(LOCALE_USER_DEFAULT, flags, nullptr, nullptr, buf, sizeof buf) ? buf : "";
}

std::string TimeText(DWORD flags, const char* format) {
  char buf[64] = {};
  return GetTimeFormatA(LOCALE_USER_DEFAULT, flags, nullptr, format, buf, sizeof buf) ? buf : "";
}

}  // namespace

PageSetup ReadPageSetup() {
  PageSetup s;
  winkit::RegKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\PageSetup", 0, KEY_READ,
                    key.put()) != ERROR_SUCCESS)
    return s;
  s.header = ReadValue(key.get(), "header");
  s.footer = ReadValue(key.get(), "footer");
  s.margin_left = ReadValue(key.get(), "margin_left");
  s.margin_right = ReadValue(key.get(), "margin_right");
  s.margin_top = ReadValue(key.get(), "margin_top");
  s.margin_bottom = ReadValue(key.get(), "margin_bottom");
  return s;
}

double MarginInches(const std::string& text, double paper_inches) {
  double mm = kDefaultMarginMm;
  if (!text.empty()) {
    // Digits with at most one dot, read the same whatever the user's
    // regional notation is.
    double n = 0, scale = 0;
    bool digits = false, number = true;
    for (size_t i = text[0] == '-' ? 1 : 0; i < text.size() && number; ++i) {
      const char c = text[i];
      if (c >= '0' && c <= '9') {
        digits = true;
        if (scale == 0) n = n * 10 + (c - '0');
        else n += (c - '0') * (scale /= 10);
      } else if (c == '.' && scale == 0) {
        scale = 1;
      } else {
        number = false;
      }
    }
    if (number && digits) mm = text[0] == '-' ? 0 : n;
  }
  const double inches = mm / kMmPerInch, largest = paper_inches * kLargestMarginShare;
  return inches > largest ? largest : inches;
}

Stamp StampNow() {
  return {DateText(DATE_SHORTDATE), DateText(DATE_LONGDATE), TimeText(0, nullptr), TimeText(0, "HH':'mm':'ss")};
}

std::string LineTemplate(const std::string& codes, const Stamp& when, double left_in, double right_in) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == '&' && i + 1 < codes.size()) {
      if (codes[i + 1] == 'b' && parts.size() < 3) {
        parts.emplace_back();
        ++i;
        continue;
      }
      // "&&" and the other codes are the part's own.
      parts.back() += codes[i];
      parts.back() += codes[++i];
      continue;
    }
    parts.back() += codes[i];
  }
  const std::string left = PartHtml(parts[0], when);
  const std::string centre = parts.size() == 3 ? PartHtml(parts[1], when) : std::string();
  const std::string right = parts.size() >= 2 ? PartHtml(parts.back(), when) : std::string();
  // Long texts (an address) wrap inside their part. With a centre the
  // three parts share the width equally, so that it sits in the middle of
  // the page; without one the right part keeps its width (up to half the
  // line) and the left takes the rest.
  const char* const wrap = "min-width:0;overflow-wrap:anywhere;";
  const std::string side = centre.empty() ? "flex:1 1 auto;" : "flex:1 1 0;";
  const std::string middle = centre.empty() ? "flex:0 0 0;" : "flex:1 1 0;";
  const std::string end = centre.empty() ? "flex:0 0 auto;max-width:50%;" : "flex:1 1 0;";
  char box[200];
  std::snprintf(box, sizeof box,
                "<div style=\"font:9pt sans-serif;font-variant-ligatures:none;width:100%%;display:flex;"
                "box-sizing:border-box;padding:0 %.3fin 0 %.3fin\">",
                right_in, left_in);
  return std::string(box) + "<span style=\"" + side + wrap + "text-align:left\">" + left + "</span><span style=\"" +
         middle + wrap + "text-align:center\">" + centre + "</span><span style=\"" + end + wrap +
         "text-align:right\">" + right + "</span></div>";
}

}  // namespace standin

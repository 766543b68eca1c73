#include "drivers/pagesetup.h"

#include "app/base/inifile.h"
#include "app/base/registry.h"

namespace {

struct Field {
  std::string PageSetupValues::*value;
  const char* registry_name;
  const char* ini_key;
  unsigned bit;
};

// In the order the values are written: footer first, as the browser's own
// dialog does.
const Field kFields[] = {
    {&PageSetupValues::footer, "footer", "Footer", 1u << 1},
    {&PageSetupValues::header, "header", "Header", 1u << 0},
    {&PageSetupValues::margin_left, "margin_left", "margin_left", 1u << 2},
    {&PageSetupValues::margin_right, "margin_right", "margin_right", 1u << 3},
    {&PageSetupValues::margin_top, "margin_top", "margin_top", 1u << 4},
    {&PageSetupValues::margin_bottom, "margin_bottom", "margin_bottom", 1u << 5},
};

constexpr const char* kSection = "Html";

void WriteBrowser(const PageSetupPlace& place, const PageSetupValues& values, unsigned remove_missing) {
  CRegistry reg(place.root, KEY_WRITE);
  if (!reg.OpenKey(place.browser_key, false)) return;
  for (const Field& f : kFields) {
    if (remove_missing & f.bit) {
      reg.DeleteValue(f.registry_name);
    } else {
      reg.WriteString(f.registry_name, values.*f.value);
    }
  }
}

}  // namespace

PageSetupValues ReadBrowserPageSetup(const PageSetupPlace& place) {
  PageSetupValues v;
  CRegistry reg(place.root, KEY_READ);
  if (!reg.OpenKey(place.browser_key, false)) return v;
  for (const Field& f : kFields) {
    v.*f.value = reg.ReadString(f.registry_name, "");
    if (reg.ValueExists(f.registry_name)) v.present |= f.bit;
  }
  return v;
}

PageSetupValues ReadHtmlOptions(const PageSetupPlace& place, const PageSetupValues& defaults) {
  PageSetupValues v = defaults;
  const CIniFile ini(place.ini_file);
  for (const Field& f : kFields) v.*f.value = ini.ReadString(kSection, f.ini_key, defaults.*f.value);
  return v;
}

void WriteHtmlOptions(const PageSetupPlace& place, const PageSetupValues& values) {
  CIniFile ini(place.ini_file);
  // Header first: the section reads in the dialog's order.
  ini.WriteString(kSection, "Header", values.header);
  ini.WriteString(kSection, "Footer", values.footer);
  ini.WriteString(kSection, "margin_left", values.margin_left);
  ini.WriteString(kSection, "margin_right", values.margin_right);
  ini.WriteString(kSection, "margin_top", values.margin_top);
  ini.WriteString(kSection, "margin_bottom", values.margin_bottom);
}

void ApplyHtmlPageSetup(const PageSetupPlace& place, PageSetupValues& saved) {
  saved = ReadBrowserPageSetup(place);
  const PageSetupValues ours = ReadHtmlOptions(place, saved);
  // A value the browser lacks and the program would set empty needs no
  // change; writing it would leave an empty value behind.
  unsigned untouched = 0;
  for (const Field& f : kFields)
    if (!(saved.present & f.bit) && (ours.*f.value).empty()) untouched |= f.bit;
  WriteBrowser(place, ours, untouched);
}

void RestoreHtmlPageSetup(const PageSetupPlace& place, const PageSetupValues& saved) {
  // The values that were not there before the run go away again.
  unsigned missing = 0;
  for (const Field& f : kFields)
    if (!(saved.present & f.bit)) missing |= f.bit;
  WriteBrowser(place, saved, missing);
}

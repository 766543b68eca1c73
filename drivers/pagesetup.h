#pragma once
// The web browser's page setup (header, footer, margins) around print runs:
// the user's values are saved, the program's own from the "Html" section
// of its settings file are put in place, and the saved ones go back at the
// end. All six are opaque texts, passed on unchanged.
#include <windows.h>

#include <string>

struct PageSetupValues {
  std::string header, footer, margin_left, margin_right, margin_top, margin_bottom;
  // Which of the browser's values existed when they were read (bit i for
  // value i in the order above): a value that was missing before a run is
  // removed again afterwards rather than left behind empty.
  unsigned present = 0;

  // The six texts alike (where they came from is not compared).
  bool operator==(const PageSetupValues& o) const {
    return header == o.header && footer == o.footer && margin_left == o.margin_left && margin_right == o.margin_right &&
           margin_top == o.margin_top && margin_bottom == o.margin_bottom;
  }
};

// Where the browser keeps its values and where the program keeps its own.
struct PageSetupPlace {
  HKEY root = HKEY_CURRENT_USER;
  std::string browser_key = "Software\\Microsoft\\Internet Explorer\\PageSetup";
  std::string ini_file;  // the settings file with the "Html" section
};

// The browser's current values; empty texts when its key cannot be opened.
PageSetupValues ReadBrowserPageSetup(const PageSetupPlace& place);
// The "Html" section, each value defaulting to the same one of `defaults`.
PageSetupValues ReadHtmlOptions(const PageSetupPlace& place, const PageSetupValues& defaults);
// Writes all six values into the "Html" section.
void WriteHtmlOptions(const PageSetupPlace& place, const PageSetupValues& values);

// Saves the browser's values into `saved` and writes the program's over
// them. The browser's key is never created.
void ApplyHtmlPageSetup(const PageSetupPlace& place, PageSetupValues& saved);
// Writes `saved` back.
void RestoreHtmlPageSetup(const PageSetupPlace& place, const PageSetupValues& saved);

// Restores the saved page setup on every way out of a run.
class PageSetupScope {
 public:
  explicit PageSetupScope(PageSetupPlace place) : place_(std::move(place)) { ApplyHtmlPageSetup(place_, saved_); }
  PageSetupScope(const PageSetupScope&) = delete;
  PageSetupScope& operator=(const PageSetupScope&) = delete;
  ~PageSetupScope() { RestoreHtmlPageSetup(place_, saved_); }

 private:
  PageSetupPlace place_;
  PageSetupValues saved_;
};

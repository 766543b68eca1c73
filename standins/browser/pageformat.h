#pragma once
// What the browser stand-in makes of the page-setup values in the registry
// (HKCU\Software\Microsoft\Internet Explorer\PageSetup), which programs
// store as plain texts:
//  - "margin_left", "margin_right", "margin_top", "margin_bottom": numbers
//    in millimetres, a dot before the decimals ("19.05"). An empty value,
//    or one that is no number, stands for 19.05 mm; a negative one for 0.
//    No margin takes more than 40 % of the paper, so a page always has
//    room left for its content.
//  - "header", "footer": one line each, text with these codes:
//      &w the page's title        &u the page's address
//      &p the page number         &P the number of pages
//      &d the date, short form    &D the date, long form
//      &t the time                &T the time, 24-hour clock
//      &b moves on to the next part of the line: the text before the
//         first &b is aligned left; with one &b the rest is aligned right;
//         with two, the middle part is centred and the last aligned right;
//         a third and later ones are left out
//      && one "&"
//    Any other "&" stays as it is. Date and time are the user's regional
//    formats at the moment the page is laid out. The line is drawn in the
//    margin above (header) or below (footer) the page's content, between
//    the left and right margins.
#include <string>

namespace standin {

struct PageSetup {
  std::string header, footer, margin_left, margin_right, margin_top, margin_bottom;
  bool operator==(const PageSetup& o) const {
    return header == o.header && footer == o.footer && margin_left == o.margin_left &&
           margin_right == o.margin_right && margin_top == o.margin_top && margin_bottom == o.margin_bottom;
  }
  bool operator!=(const PageSetup& o) const { return !(*this == o); }
};

// The six values as the registry holds them now; a missing one is empty.
PageSetup ReadPageSetup();

// A margin text in inches, for paper `paper_inches` long in that
// direction.
double MarginInches(const std::string& text, double paper_inches);

// The moment a page is laid out, as the codes show it.
struct Stamp {
  std::string short_date, long_date, time, time24;
};
Stamp StampNow();

// The HTML (UTF-8) that draws a header or footer line written in the codes
// above (in the system code page), indented by the left and right margins
// (inches).
std::string LineTemplate(const std::string& codes, const Stamp& when, double left_in, double right_in);

}  // namespace standin

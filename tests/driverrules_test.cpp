// Rules of the drivers and of the browser stand-in that need no printer and
// no application: where a picture goes on the page, the picture type of a
// name, and what the stand-in makes of the header, footer and margins.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "drivers/imagedriver.h"
#include "standins/browser/pageformat.h"

namespace {

TEST(ImageDriver, TargetRectangle) {
  struct Case {
    int dpi, w, h;
    RECT expected;
  } cases[] = {
      {300, 2480, 3508, {75, 150, 2480 - 75, 3508 - 150}},
      {600, 4960, 7016, {150, 300, 4960 - 150, 7016 - 300}},
  };
  for (const auto& c : cases) {
    const RECT r = ImageTargetRect(c.dpi, c.dpi, c.w, c.h);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
}

TEST(ImageDriver, TypeFromTheExtension) {
  EXPECT_EQ(ImageTypeOf("C:\\a.JPG"), 3);
  EXPECT_EQ(ImageTypeOf("C:\\a.jpg"), 3);
  EXPECT_EQ(ImageTypeOf("C:\\a.Tif"), 6);
  EXPECT_EQ(ImageTypeOf("C:\\a.png"), 4);
  EXPECT_EQ(ImageTypeOf("C:\\a.bmp"), 1);
  EXPECT_EQ(ImageTypeOf("C:\\a.jpeg"), 0);
  EXPECT_EQ(ImageTypeOf("C:\\a"), 0);
}

// --- What the stand-in makes of the header and footer codes ----------------------

TEST(BrowserPageFormat, CodesBecomeTextFieldsAndAlignedParts) {
  const standin::Stamp when{"12/10/2026", "Thursday, December 10, 2026", "11:48:00 PM", "23:48:00"};
  auto parts = [&](const std::string& codes) {
    // The three parts' contents, between the template's own markup.
    const std::string html = standin::LineTemplate(codes, when, 1, 0.5);
    std::vector<std::string> out;
    size_t at = 0;
    while ((at = html.find("text-align:", at)) != std::string::npos) {
      const size_t from = html.find('>', at) + 1;
      size_t depth = 0, i = from;
      for (; i < html.size(); ++i) {
        if (html.compare(i, 7, "</span>") == 0) {
          if (depth == 0) break;
          --depth;
        } else if (html.compare(i, 5, "<span") == 0) {
          ++depth;
        }
      }
      out.push_back(html.substr(from, i - from));
      at = i;
    }
    return out;
  };
  struct Case {
    const char* codes;
    std::vector<std::string> parts;  // left, centre, right
  } cases[] = {
      {"plain", {"plain", "", ""}},
      {"&w&bPage &p of &P",
       {"<span class=\"title\"></span>", "",
        "Page <span class=\"pageNumber\"></span> of <span class=\"totalPages\"></span>"}},
      {"&u&b&d", {"<span class=\"url\"></span>", "", "12/10/2026"}},
      {"a&bb&bc", {"a", "b", "c"}},
      {"a&bb&bc&bd", {"a", "b", "cd"}},
      {"&D at &t (&T)", {"Thursday, December 10, 2026 at 11:48:00 PM (23:48:00)", "", ""}},
      {"Fish && <chips> \"x\"", {"Fish &amp; &lt;chips&gt; &quot;x&quot;", "", ""}},
      {"&q & end&", {"&amp;q &amp; end&amp;", "", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(parts(c.codes), c.parts) << c.codes;
  // Indented by the margins: right first, as CSS lists them.
  EXPECT_NE(standin::LineTemplate("x", when, 1, 0.5).find("padding:0 0.500in 0 1.000in"), std::string::npos);
}

TEST(BrowserPageFormat, MarginsAreMillimetresWithDefaultsAndBounds) {
  struct Case {
    const char* text;
    double inches;
  } cases[] = {
      {"25.4", 1.0},   {"19.05", 0.75}, {"0", 0.0},         {"", 0.75},   {"abc", 0.75},
      {"1.2.3", 0.75}, {"-5", 0.0},     {".5", 0.5 / 25.4}, {"500", 4.0},
  };
  for (const auto& c : cases) EXPECT_NEAR(standin::MarginInches(c.text, 10.0), c.inches, 1e-9) << c.text;
}

}  // namespace

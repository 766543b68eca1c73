// Stand-in for the program a Windows desktop associates with printing text
// files. Wine has no such program (its Notepad opens a Print dialog), so the
// test and run scripts register this one as the "print" verb of text files.
// Usage: textprint.exe FILE. Prints FILE's text on the default printer in one
// job named after the file, paginated in a fixed-pitch font, then exits
// (0 printed, 1 failed).
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "standins/common/linux.h"
#include "winkit/handles.h"
#include "winkit/printjob.h"

namespace {

std::vector<std::string> Lines(const std::string& text, size_t width) {
  std::vector<std::string> out;
  std::string line;
  auto flush = [&] {
    out.push_back(line);
    line.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      flush();
    } else if (c == '\n') {
      flush();
    } else if (c == '\t') {
      line.append(8 - line.size() % 8, ' ');
    } else if (c == '\f') {
      flush();
      out.push_back("\f");
    } else {
      line += c;
    }
    if (line.size() >= width) flush();
  }
  if (!line.empty()) flush();
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  const std::string path = argv[1];
  std::ifstream in(path, std::ios::binary);
  if (!in) return 1;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  const std::string printer = winkit::DefaultPrinterName();
  if (printer.empty()) return 1;
  winkit::PrinterDc printer_dc = winkit::CreatePrinterDc(printer);
  if (!printer_dc) return 1;
  HDC dc = printer_dc.get();
  const int dpi_x = GetDeviceCaps(dc, LOGPIXELSX), dpi_y = GetDeviceCaps(dc, LOGPIXELSY);
  const int left = dpi_x * 3 / 4, top = dpi_y * 3 / 4;
  const int width = GetDeviceCaps(dc, HORZRES) - 2 * left, height = GetDeviceCaps(dc, VERTRES) - 2 * top;
  winkit::GdiObject font(
      CreateFontA(-MulDiv(10, dpi_y, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New"));
  winkit::SelectGuard selected(dc, font.get());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  const int line_height = tm.tmHeight + tm.tmExternalLeading;
  const size_t columns = static_cast<size_t>(width / (tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 1));
  const int per_page = height / (line_height > 0 ? line_height : 1);

  winkit::PrintJob job(dc, standin::FileNamePart(path));
  const std::vector<std::string> lines = Lines(text, columns ? columns : 80);
  size_t i = 0;
  do {
    if (!job.StartPage()) break;
    for (int row = 0; row < per_page && i < lines.size(); ++i) {
      if (lines[i] == "\f") {
        ++i;
        break;
      }
      TextOutA(dc, left, top + row * line_height, lines[i].c_str(), static_cast<int>(lines[i].size()));
      ++row;
    }
    if (!job.EndPage()) break;
  } while (i < lines.size());
  return job.End() ? 0 : 1;
}

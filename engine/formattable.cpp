#include "engine/formattable.h"

#include <cstring>

// Rows 0 and 24 to 27 carry the descriptions they have always had: the
// dialogs' type lists show them as they are.
const FormatStruct FormatTable[kFormatCount] = {
    {".docx", "DOC Files", PrintWordFile},      {".doc", "DOC Files", PrintWordFile},
    {".rtf", "RTF Files", PrintWordFile},       {".dot", "DOT Files", PrintWordFile},
    {".txt", "TXT Files", PrintTextFile},       {".wk1", "WK1 Files", PrintWordFile},
    {".wk3", "WK3 Files", PrintWordFile},       {".wk4", "WK4 Files", PrintWordFile},
    {".asc", "ASC Files", PrintWordFile},       {".wri", "WRI Files", PrintWordFile},
    {".xls", "XLS Files", PrintExcelFile},      {".xlw", "XLW Files", PrintExcelFile},
    {".xlm", "XLM Files", PrintExcelFile},      {".xlc", "XLC Files", PrintExcelFile},
    {".odc", "ODC Files", PrintExcelFile},      {".csv", "CSV Files", PrintExcelFile},
    {".prn", "PRN Files", PrintExcelFile},      {".slk", "SLK Files", PrintExcelFile},
    {".ppt", "PPT Files", PrintPowerPointFile}, {".pps", "PPS Files", PrintPowerPointFile},
    {".pot", "POT Files", PrintPowerPointFile}, {".sh3", "SH3 Files", PrintPowerPointFile},
    {".ch3", "CH3 Files", PrintPowerPointFile}, {".html", "HTML Files", PrintHtmlFile},
    {".htm", "SHTM Files", PrintHtmlFile},      {".shtm", "SHTML Files", PrintHtmlFile},
    {".shtml", "MHT Files", PrintHtmlFile},     {".mht", "HTML Files", PrintHtmlFile},
    {".pdf", "PDF Files", PrintPdfFile},        {".bmp", "BMP Files", PrintImageFile},
    {".jpg", "JPEG Files", PrintImageFile},     {".tif", "TIFF Files", PrintImageFile},
    {".png", "PNG Files", PrintImageFile},
};

namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(const char* a, const std::string& b) {
  std::size_t i = 0;
  for (; a[i] && i < b.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return a[i] == '\0' && i == b.size();
}

}  // namespace

const FormatStruct* FindFormat(const std::string& ext) {
  for (const FormatStruct& row : FormatTable)
    if (EqualsIgnoringAsciiCase(row.extension, ext)) return &row;
  return nullptr;
}

std::string BuildFileFilter() {
  std::string filter = "All Supported Files|";
  for (const FormatStruct& row : FormatTable) filter += std::string("*") + row.extension + ";";
  for (const FormatStruct& row : FormatTable) filter += std::string("|") + row.description + "|*" + row.extension;
  return filter;
}

void AddFileMasks(std::vector<std::string>& items) {
  items.push_back("All Support Files");
  for (const FormatStruct& row : FormatTable) items.push_back(std::string("*") + row.extension);
}

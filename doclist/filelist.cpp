#include "doclist/filelist.h"

#include <windows.h>

#include "app/base/log.h"
#include "app/base/wholefile.h"
#include "doclist/doclist.h"

std::string FormatFileList(const std::vector<std::string>& paths) {
  std::string text;
  size_t total = 0;
  for (const auto& p : paths) total += p.size() + 2;
  text.reserve(total);
  for (const auto& p : paths) {
    text += p;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> SplitFileList(const std::string& text) {
  std::vector<std::string> lines;
  const size_t end = text.find('\0');
  const size_t n = end == std::string::npos ? text.size() : end;
  size_t start = 0;
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.push_back(text.substr(start, n - start));
  return lines;
}

void SaveFileList(const std::string& file, const std::vector<std::string>& paths) {
  const std::string text = FormatFileList(paths);
  if (!WriteWholeFile(file, Bytes(text.begin(), text.end()))) throw EFCreateError(file);
}

std::vector<std::string> ReadFileList(const std::string& file) {
  Bytes bytes;
  if (!ReadWholeFile(file, bytes, kFileListLimit)) throw EFOpenError(file);
  return SplitFileList(std::string(bytes.begin(), bytes.end()));
}

bool NamesExistingFile(const std::string& line) {
  if (line.empty() || line.size() >= MAX_PATH) return false;
  const DWORD attr = GetFileAttributesA(line.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// A line too long for a path is shown shortened in its log line.
std::string Shortened(const std::string& line) {
  constexpr size_t kShown = 100;
  std::string shown = line.size() <= kShown ? line : line.substr(0, kShown) + "...";
  // A binary file's "line" would put control characters into the log.
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  return shown;
}

}  // namespace

void ImportFileList(CDocumentList& list, const std::string& file) {
  ListUpdateGuard update(list);
  for (const std::string& line : ReadFileList(file)) {
    if (line.size() >= MAX_PATH) {
      WriteLog(LogStamp() + "Import File List: a line of " + std::to_string(line.size()) +
               " characters is longer than a path can be and was skipped: " + Shortened(line));
      continue;
    }
    if (NamesExistingFile(line)) list.AddFile(line);
  }
}

#include "engine/core/sepfile.h"

std::vector<std::string> SeparatorLines(const std::string& file_text, const SeparatorFields& fields) {
  std::vector<std::string> lines(1);
  if (file_text.empty()) return {};
  const char esc = file_text[0];
  size_t i = 1;
  // The rest of the first line is no content.
  while (i < file_text.size() && file_text[i] != '\n') ++i;
  if (i < file_text.size()) ++i;
  bool literal = false;  // inside "\L" text
  while (i < file_text.size()) {
    const char c = file_text[i];
    if (c != esc) {
      if (literal && c != '\r' && c != '\n') lines.back() += c;
      ++i;
      continue;
    }
    literal = false;
    if (++i >= file_text.size()) break;
    const char cmd = file_text[i++];
    switch (cmd) {
      case 'N': lines.back() += fields.user; break;
      case 'D': lines.back() += fields.date; break;
      case 'T': lines.back() += fields.time; break;
      case 'L': literal = true; break;
      case 'E': return lines;
      case 'F': {
        // The file's name runs to the end of the line.
        size_t end = file_text.find_first_of("\r\n", i);
        if (end == std::string::npos) end = file_text.size();
        const std::string included = fields.read_file ? fields.read_file(file_text.substr(i, end - i)) : std::string();
        i = end;
        size_t start = 0;
        while (start <= included.size()) {
          size_t nl = included.find('\n', start);
          if (nl == std::string::npos) nl = included.size();
          std::string line = included.substr(start, nl - start);
          if (!line.empty() && line.back() == '\r') line.pop_back();
          lines.push_back(line);
          start = nl + 1;
        }
        lines.emplace_back();
        break;
      }
      case 'H':  // a printer code: two hex digits
        i += 2;
        break;
      case 'W':  // a width: up to three digits
        while (i < file_text.size() && file_text[i] >= '0' && file_text[i] <= '9') ++i;
        break;
      case 'B':  // block letters, "\B\S" or "\B\M": the same letters here
        if (i + 1 < file_text.size() && file_text[i] == esc) i += 2;
        break;
      default:
        if (cmd >= '0' && cmd <= '9') {
          for (int n = 0; n <= cmd - '0'; ++n) lines.emplace_back();
        }
        break;  // "\U", "\I" and anything unknown print nothing
    }
  }
  return lines;
}

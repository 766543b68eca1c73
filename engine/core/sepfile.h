#pragma once
// What a separator-page file says to print. Plain text handling only (no
// system calls), so that it can be fuzzed on its own.
#include <functional>
#include <string>
#include <vector>

struct SeparatorFields {
  std::string user, date, time;
  // The text of a file named by "\F"; empty when it cannot be read.
  std::function<std::string(const std::string&)> read_file;
};

// The page's lines: "\N" the user, "\D" the date, "\T" the time, "\L" the
// text up to the next escape, "\F" the text of a file, a digit that many
// empty lines, "\E" the end of the page; "\H", "\W", "\B", "\U" and "\I"
// (printer codes, widths, block letters, the job number) print nothing.
// The file's first character is its escape; the rest of its first line is
// no content.
std::vector<std::string> SeparatorLines(const std::string& file_text, const SeparatorFields& fields);

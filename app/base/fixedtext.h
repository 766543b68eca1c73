#pragma once
// Texts in the fixed 260-character buffers that paths and printer names
// travel in: 259 characters and the terminating NUL.
#include <cstddef>
#include <cstring>
#include <string>

constexpr std::size_t kPathChars = 260;

// Copies text into a fixed field; false (and the field left empty) when it
// does not fit, so a long path is never cut into another path.
inline bool SetField(char (&field)[kPathChars], const std::string& text) {
  if (text.size() >= kPathChars) {
    field[0] = '\0';
    return false;
  }
  std::memcpy(field, text.c_str(), text.size() + 1);
  return true;
}

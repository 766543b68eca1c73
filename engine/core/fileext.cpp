#include "engine/core/fileext.h"

#include <cstring>

void GetFileExt(const char* path, char (&ext)[260]) {
  const char* dot = path ? std::strrchr(path, '.') : nullptr;
  if (!dot) {
    ext[0] = ' ';
    ext[1] = '\0';
    return;
  }
  const std::size_t n = strnlen(dot, sizeof ext - 1);
  std::memcpy(ext, dot, n);
  ext[n] = '\0';
}

std::string GetFileExt(const std::string& path) {
  char ext[260] = {};
  GetFileExt(path.c_str(), ext);
  return ext;
}

#pragma once
// A file's extension as the format table looks it up.
#include <string>

// Copies into ext (zero-filled by the caller) the path from its last "." to
// the end, the dot included; " " when the path has no dot at all. A tail that
// does not fit is cut at 259 characters (it then matches no row anyway).
void GetFileExt(const char* path, char (&ext)[260]);
std::string GetFileExt(const std::string& path);

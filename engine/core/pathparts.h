#pragma once
// Folders of files the engine prints, moves and recycles.
#include <cstdint>
#include <string>

#include "app/base/paths.h"

// Size and last-write time (FILETIME) of one file, as one reading.
struct FileStamp {
  std::uint64_t size = 0, written = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` now; false when no file is there.
bool ReadFileStamp(const std::string& path, FileStamp& stamp);

// Whether two folder names lead to the same folder, in any spelling: letter
// case, a trailing backslash, relative parts, or another drive that maps the
// same place (Wine's Z: is the Unix root). Decided by a probe file made in
// `a` and looked for in `b`; false when that cannot be decided.
bool SameFolder(const std::string& a, const std::string& b);

// A name for a short-lived probe file, unique within this machine.
std::string ProbeName();

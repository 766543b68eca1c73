#pragma once
// Folders of files the engine prints, moves and recycles.
#include <string>

#include "app/base/paths.h"

// Whether two folder names lead to the same folder, in any spelling: letter
// case, a trailing backslash, relative parts, or another drive that maps the
// same place (Wine's Z: is the Unix root). Decided by a probe file made in
// `a` and looked for in `b`; false when that cannot be decided.
bool SameFolder(const std::string& a, const std::string& b);

// A name for a short-lived probe file, unique within this machine.
std::string ProbeName();

#pragma once
// Paths of files the engine prints, moves and recycles.
#include <string>

// The file-name part of a path (after its last backslash), and the folder
// part with its trailing backslash ("" when there is none).
std::string NamePart(const std::string& path);
std::string FolderPart(const std::string& path);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Whether two folder names lead to the same folder, in any spelling: letter
// case, a trailing backslash, relative parts, or another drive that maps the
// same place (Wine's Z: is the Unix root). Decided by a probe file made in
// `a` and looked for in `b`; false when that cannot be decided.
bool SameFolder(const std::string& a, const std::string& b);

// A name for a short-lived probe file, unique within this machine.
std::string ProbeName();

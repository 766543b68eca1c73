#pragma once
// The parts of a Windows path, and whether a file or folder is there.
#include <string>

// The file-name part of a path (after its last backslash), and the folder
// part with its trailing backslash ("" when there is none).
std::string NamePart(const std::string& path);
std::string FolderPart(const std::string& path);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

#pragma once
// Where the stand-ins keep the files they make while they work: folders
// under "%TEMP%\Quirefeed stand-ins\", removed when done.
#include <string>

namespace standin {

// The stand-ins' own temporary folder, made when missing; ends with a
// backslash.
std::string WorkRoot();

// Removes a work folder (ending with a backslash) and the files in it.
void RemoveWorkFolder(const std::string& folder);

// Removes the work folders named `prefix` + a process id (+ anything) that
// processes which no longer run left behind.
void RemoveLeftoverWorkFolders(const std::string& prefix);

}  // namespace standin

#pragma once
// Finding and ending document applications by executable name, sending a
// printed file to the recycle bin, and showing the last system error.
#include <string>

// True when a process with this executable name runs (names compared whole,
// ignoring case). True as well when processes cannot be listed at all.
bool IsProcessRunning(const std::string& exe_name);

// Ends the first process with this executable name; true when one was found.
// Uses the process-status library when it loads, else a process snapshot.
bool KillProcess(const std::string& exe_name);
// The two ways, for callers (and tests) that need one of them.
bool KillProcessBySnapshot(const std::string& exe_name);
bool KillProcessByStatus(const std::string& exe_name);

// Sends one file to the recycle bin, silently; true when the shell reports
// success and the file is gone. A path longer than 259 characters is refused,
// never cut, and so is a file the recycle bin cannot take (see below): it is
// never deleted instead. `why`, when given, receives the reason of a refusal.
bool RecycleFile(const std::string& path, std::string* why = nullptr);

// Why the recycle bin cannot take this file now ("" when it can). Creates
// the bin's folders where they are missing.
std::string RecycleBinProblem(const std::string& path);

// Shows the text of GetLastError() in a modal box titled "Error".
void ShowLastError();

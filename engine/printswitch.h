#pragma once
// Printer switching: a task's printer becomes the system default and gets
// the task's settings and separator page before its files print.
#include <string>
#include <vector>

#include "tasks/settings/printaction.h"

// Makes `printer` the default printer and writes the task's settings and
// separator page into the printer's configuration; false when the program
// must not go on and print.
bool ApplyPrinterSettings(CPrintAction& action);

// Makes `printer` the system's default printer; false when it could not.
// Under Wine the choice is also kept as the user's CUPS default, which is
// what the next Wine process takes its default printer from.
bool MakeDefaultPrinter(const std::string& printer);

// The CUPS queue behind a Windows printer ("CUPS:<queue>" port), or "".
std::string CupsQueueOf(const std::string& printer);

// Makes `queue` the default in the CUPS options file `path` (the user's,
// never the system's): the "Default" line names it; an older default keeps
// its options as a "Dest" line; every other line stays. False when the file
// could not be written.
bool WriteCupsUserDefault(const std::string& path, const std::string& queue);

// The user's CUPS options file as a Windows path under Wine, else "".
std::string CupsUserOptionsFile();

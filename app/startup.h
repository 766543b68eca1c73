#pragma once
// Start-up steps of the main window that need no window: data folders, the
// activity-log trim, the stored start-up settings and the PDF reader's
// update settings.
#include <windows.h>

#include <string>

// Largest activity log kept at start; one byte more and it starts afresh.
constexpr long long kLogTrimSize = 0x100000;

// The special folder `csidl` + "\Quirefeed\", created when missing; "" when
// the special folder is unknown.
std::string ProgramDataFolder(int csidl);

// Deletes the activity log when it is larger than kLogTrimSize; true when it
// was deleted.
bool TrimActivityLog(const std::string& path);

struct StartupSettings {
  bool StartInWatchMode = false;
  int WatchSort = 0;
};

// Reads "StartUp" and "Sort" below `root`\`key`, read-only; defaults for a
// missing key or value.
StartupSettings ReadStartupSettings(HKEY root, const char* key);

// Turns off the PDF reader's update prompts in the keys that already exist
// below `root`; creates nothing.
void AdjustPdfReaderUpdates(HKEY root);

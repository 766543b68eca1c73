#pragma once
// The activity log and the error log: plain ANSI text, one line per call,
// CR LF line ends, the file never kept open between lines.
#include <windows.h>

#include <string>

// Set once at start-up (main window creation) and never changed after.
extern std::string LogFileName;
extern std::string ErrorFileName;

// Appends text as one line to the activity log. Safe from any thread.
void WriteLog(const std::string& text);
// Appends text as one line to the error log.
void WriteErrorLog(const std::string& text);
// Appends one line to the file at path; false when the file could not be
// opened or written (callers of the two above ignore that).
bool AppendLogLine(const std::string& path, const std::string& text);

// The user's short date, a tab, the long time, a tab.
std::string LogStamp();
// Stamp + "Error Message:" + the system's text for code; "" for 0.
std::string SystemErrorText(DWORD code);
// Writes SystemErrorText(code) to the error log; nothing for 0.
void LogSystemError(DWORD code);
// The system's own text for an error code, as FormatMessage gives it.
std::string SystemMessage(DWORD code);

// "View Log": opens the activity log in the text editor, when it exists.
void ViewLog(HWND owner);
// "Clear Log": deletes the activity log, when it exists.
void ClearLog();

#pragma once
// The stand-in application's own registry key (under HKEY_CURRENT_USER):
// what it keeps between instances, the fault switches the tests set, and a
// record of the calls it received, for the tests to read.
#include <windows.h>

#include <string>

namespace standin {

// Set once by main(): "WinWord", "Excel" or "POWERPNT".
void SetAppName(const std::string& name);
const std::string& AppName();
// "Software\Quirefeed Stand-ins\<name>"; with a sub-key when given.
std::string AppKeyPath(const std::string& sub = "");

std::string ReadText(const std::string& value, const std::string& sub = "", const std::string& fallback = "");
DWORD ReadNumber(const std::string& value, const std::string& sub = "", DWORD fallback = 0);
void WriteText(const std::string& value, const std::string& text, const std::string& sub = "");
void WriteNumber(const std::string& value, DWORD n, const std::string& sub = "");

// Fault switches (numbers, nonzero when on).
bool Switch(const char* value);
// Whether the switch "Unknown members" (names separated by commas) names
// this member, ignoring case.
bool MemberRefused(const std::string& member);

// Appends one line to the value "Calls", which keeps the latest 16 KB.
void RecordCall(const std::string& line);

}  // namespace standin

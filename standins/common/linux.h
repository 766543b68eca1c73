#pragma once
// What the stand-ins need of the Linux side: Unix paths for Windows ones,
// Linux commands run from a Windows process, and the lp options that carry
// a printer's current settings.
#include <windows.h>

#include <string>

namespace standin {

// The Unix path of a Windows path; "" when Wine cannot map it.
std::string UnixPath(const std::string& windows_path);

// A word for the shell, quoted whole.
std::string Quoted(const std::string& s);

// Runs a Linux command line through the shell and waits for it, at most
// `limit_ms`; its exit code, -1 when it could not start or ran past the
// limit. Wine gives no handle to wait on: the command writes its code to a
// file. Its standard output goes to `output` when given (a Unix path).
int RunLinux(const std::string& command, DWORD limit_ms, const std::string& output = "/dev/null");

// Starts a Linux command line and returns at once; it goes on after this
// process has ended. False when it could not be started.
bool StartLinux(const std::string& command);

// The CUPS queue behind a printer and the lp options (" -n 2 -o ...") for
// its current copies, orientation and paper size; false when the printer
// cannot be opened.
bool PrinterOptions(const std::string& printer, std::string& queue, std::string& options);

// The file-name part of a Windows path (after its last "\\" or "/").
std::string FileNamePart(const std::string& path);

// The folder a module lives in (this executable for null), with a trailing
// backslash.
std::string ModuleFolder(HMODULE module);
inline std::string ExeFolder() { return ModuleFolder(nullptr); }

}  // namespace standin

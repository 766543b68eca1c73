#include "app/base/log.h"
#include "app/base/paths.h"

#include <shellapi.h>

#include <mutex>

#include "winkit/handles.h"

std::string LogFileName;
std::string ErrorFileName;

namespace {

// The print-job monitor's thread writes to the activity log too: one lock
// from open to close keeps every line whole.
std::mutex& LogLock() {
  static std::mutex m;
  return m;
}

// Text mode: every LF goes out as CR LF; a CR already there stays as it is.
std::string TextModeLine(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  out += "\r\n";
  return out;
}

}  // namespace

bool AppendLogLine(const std::string& path, const std::string& text) {
  const std::string line = TextModeLine(text);
  std::lock_guard<std::mutex> hold(LogLock());
  winkit::FileHandle f(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  if (SetFilePointer(f.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
    return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(f.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size();
  FlushFileBuffers(f.get());
  return ok;
}

void WriteLog(const std::string& text) {
  AppendLogLine(LogFileName, text);
}

void WriteErrorLog(const std::string& text) {
  AppendLogLine(ErrorFileName, text);
}

std::string LogStamp() {
  char date[128] = {}, time[128] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  return std::string(date) + "\t" + time + "\t";
}

std::string SystemMessage(DWORD code) {
  char* buffer = nullptr;
  const DWORD len = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = (len && buffer) ? std::string(buffer, len) : std::string();
  if (buffer) LocalFree(buffer);
  return text;
}

std::string SystemErrorText(DWORD code) {
  if (code == 0) return {};
  return LogStamp() + "Error Message:" + SystemMessage(code);
}

void LogSystemError(DWORD code) {
  if (code != 0) WriteErrorLog(SystemErrorText(code));
}

void ViewLog(HWND owner) {
  if (!FileExists(LogFileName)) return;
  char found[MAX_PATH];
  if (SearchPathA(nullptr, "notepad.exe", nullptr, MAX_PATH, found, nullptr)) {
    ShellExecuteA(owner, "Open", "notepad.exe", LogFileName.c_str(), nullptr, SW_SHOWNORMAL);
  } else {
    // No Notepad: whatever the shell opens text files with.
    ShellExecuteA(owner, "open", LogFileName.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
}

void ClearLog() {
  if (FileExists(LogFileName)) DeleteFileA(LogFileName.c_str());
}

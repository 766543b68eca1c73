#include "standins/common/appkey.h"

#include <vector>

#include "winkit/handles.h"

namespace standin {

namespace {

std::string app_name = "Office";

winkit::RegKey Open(const std::string& sub, bool create) {
  winkit::RegKey key;
  const std::string path = AppKeyPath(sub);
  if (create)
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  else
    RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put());
  return key;
}

}  // namespace

void SetAppName(const std::string& name) { app_name = name; }
const std::string& AppName() { return app_name; }

std::string AppKeyPath(const std::string& sub) {
  std::string path = "Software\\Quirefeed Stand-ins\\" + app_name;
  if (!sub.empty()) path += "\\" + sub;
  return path;
}

std::string ReadText(const std::string& value, const std::string& sub, const std::string& fallback) {
  winkit::RegKey key = Open(sub, false);
  if (!key) return fallback;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
    return fallback;
  std::vector<char> buf(size + 1, 0);
  if (RegQueryValueExA(key.get(), value.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buf.data()), &size) !=
      ERROR_SUCCESS)
    return fallback;
  return std::string(buf.data());
}

DWORD ReadNumber(const std::string& value, const std::string& sub, DWORD fallback) {
  winkit::RegKey key = Open(sub, false);
  DWORD n = 0, size = sizeof n, type = 0;
  if (!key || RegQueryValueExA(key.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&n), &size) !=
                  ERROR_SUCCESS || type != REG_DWORD)
    return fallback;
  return n;
}

void WriteText(const std::string& value, const std::string& text, const std::string& sub) {
  winkit::RegKey key = Open(sub, true);
  if (key)
    RegSetValueExA(key.get(), value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

void WriteNumber(const std::string& value, DWORD n, const std::string& sub) {
  winkit::RegKey key = Open(sub, true);
  if (key) RegSetValueExA(key.get(), value.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
}

bool Switch(const char* value) { return ReadNumber(value) != 0; }

bool MemberRefused(const std::string& member) {
  const std::string list = ReadText("Unknown members");
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string name = list.substr(start, comma - start);
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (!name.empty() && lstrcmpiA(name.c_str(), member.c_str()) == 0) return true;
    start = comma + 1;
  }
  return false;
}

void RecordCall(const std::string& line) {
  // The record keeps the latest calls only: an application used for months
  // must not grow its key without end.
  constexpr size_t kKept = 16384;
  std::string calls = ReadText("Calls") + line + "\n";
  if (calls.size() > kKept) {
    const size_t cut = calls.find('\n', calls.size() - kKept);
    calls.erase(0, cut == std::string::npos ? calls.size() : cut + 1);
  }
  WriteText("Calls", calls);
}

}  // namespace standin

#include "app/base/inifile.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>

namespace {

// GetPrivateProfileStringA has no way to ask for a value's length: grow the
// buffer until the value fits.
std::string ReadRaw(const std::string& path, const char* section, const char* key, const char* def) {
  std::string buf(1024, '\0');
  for (;;) {
    const DWORD n =
        GetPrivateProfileStringA(section, key, def, buf.data(), static_cast<DWORD>(buf.size()), path.c_str());
    const DWORD limit = static_cast<DWORD>(buf.size()) - ((section && key) ? 1u : 2u);
    if (n < limit || buf.size() >= (1u << 24)) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 4);
  }
}

}  // namespace

std::string CIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  return ReadRaw(path_, section.c_str(), key.c_str(), def.c_str());
}

bool CIniFile::ValueExists(const std::string& section, const std::string& key) const {
  // Two different defaults tell a missing key from a stored one.
  return ReadRaw(path_, section.c_str(), key.c_str(), "\x01") != "\x01" ||
         ReadRaw(path_, section.c_str(), key.c_str(), "\x02") != "\x02";
}

int CIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  const std::string s = ReadString(section, key, "");
  if (s.empty()) return def;
  const char* begin = s.c_str();
  char* end = nullptr;
  const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  errno = 0;
  const long v = std::strtol(hex ? begin + 2 : begin, &end, hex ? 16 : 10);
  if (errno || end == begin || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return def;
  return static_cast<int>(v);
}

bool CIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool CIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str()) != FALSE;
}

bool CIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool CIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> CIniFile::ReadSections() const {
  const std::string raw = ReadRaw(path_, nullptr, nullptr, "");
  std::vector<std::string> names;
  for (size_t pos = 0; pos < raw.size();) {
    const size_t end = raw.find('\0', pos);
    const size_t stop = end == std::string::npos ? raw.size() : end;
    if (stop > pos) names.push_back(raw.substr(pos, stop - pos));
    pos = stop + 1;
  }
  return names;
}

bool CIniFile::EraseSection(const std::string& section) {
  return WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, path_.c_str()) != FALSE;
}

#pragma once
// A registry tree of a test's own below HKCU, standing for a root key, so
// that tests never write the program's real keys.
#include <windows.h>

#include <string>

#include "winkit/handles.h"

namespace qftest {

class RegistryRoot {
 public:
  RegistryRoot() {
    static int serial = 0;
    path_ = "Software\\QuirefeedTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount()) + "-" + std::to_string(++serial);
    RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
  }
  ~RegistryRoot() {
    key_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  }
  HKEY get() const { return key_.get(); }
  const std::string& Path() const { return path_; }
  void CreateKey(const char* sub) {
    winkit::RegKey k;
    RegCreateKeyExA(key_.get(), sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
  }
  bool Dword(const char* sub, const char* name, DWORD& v) {
    DWORD size = sizeof v, type = 0;
    return RegGetValueA(key_.get(), sub, name, RRF_RT_ANY, &type, &v, &size) == ERROR_SUCCESS && type == REG_DWORD;
  }
  bool KeyExists(const char* sub) {
    winkit::RegKey k;
    return RegOpenKeyExA(key_.get(), sub, 0, KEY_READ, k.put()) == ERROR_SUCCESS;
  }
  DWORD SubKeyCount() {
    DWORD n = 0;
    RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return n;
  }

 private:
  std::string path_;
  winkit::RegKey key_;
};

}  // namespace qftest

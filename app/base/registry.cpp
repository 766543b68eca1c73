#include "app/base/registry.h"

#include <vector>

bool CRegistry::OpenKey(const std::string& path, bool can_create) {
  key_.reset();
  LONG rc;
  if (can_create) {
    rc = RegCreateKeyExA(root_, path.c_str(), 0, nullptr, 0, access_, nullptr, key_.put(), nullptr);
  } else {
    rc = RegOpenKeyExA(root_, path.c_str(), 0, access_, key_.put());
  }
  if (rc != ERROR_SUCCESS) key_.reset();
  return rc == ERROR_SUCCESS;
}

bool CRegistry::KeyExists(const std::string& path) const {
  winkit::RegKey probe;
  return RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, probe.put()) == ERROR_SUCCESS;
}

bool CRegistry::ValueExists(const std::string& name) const {
  return key_ && RegQueryValueExA(key_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

int CRegistry::ReadInteger(const std::string& name, int def) const {
  if (!key_) return def;
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS)
    return def;
  if (type != REG_DWORD || size != sizeof value) return def;
  return static_cast<int>(value);
}

std::string CRegistry::ReadString(const std::string& name, const std::string& def) const {
  if (!key_) return def;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return def;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return def;
  // The value may grow between the two calls: ask again until it fits.
  for (;;) {
    std::vector<char> buf(size + 1, '\0');
    DWORD got = size;
    const LONG rc =
        RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got);
    if (rc == ERROR_MORE_DATA) {
      size = got > size ? got : size * 2 + 16;
      continue;
    }
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return def;
    // Stored strings need not end in a zero; the text ends at the first one.
    buf[got < buf.size() ? got : buf.size() - 1] = '\0';
    return std::string(buf.data());
  }
}

bool CRegistry::WriteInteger(const std::string& name, int value) {
  if (!key_) return false;
  const DWORD v = static_cast<DWORD>(value);
  return RegSetValueExA(key_.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v) ==
         ERROR_SUCCESS;
}

bool CRegistry::WriteString(const std::string& name, const std::string& value) {
  if (!key_) return false;
  return RegSetValueExA(key_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool CRegistry::DeleteValue(const std::string& name) {
  if (!key_) return false;
  const LONG rc = RegDeleteValueA(key_.get(), name.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

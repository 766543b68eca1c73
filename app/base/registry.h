#pragma once
// The registry as the program uses it: one key open at a time below a fixed
// root, values read with defaults. Every read of stored configuration in the
// registry goes through here; the profile-file counterpart is CIniFile.
#include <windows.h>

#include <string>

#include "winkit/handles.h"

class CRegistry {
 public:
  // `access` is the mask every OpenKey asks for (KEY_READ, KEY_WRITE, ...).
  explicit CRegistry(HKEY root = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS) : root_(root), access_(access) {}

  HKEY RootKey() const noexcept { return root_; }
  REGSAM Access() const noexcept { return access_; }
  bool IsOpen() const noexcept { return static_cast<bool>(key_); }

  // Opens `path` below the root, closing the key open before. With
  // `can_create` a missing key is created; otherwise it stays missing and
  // the call fails.
  bool OpenKey(const std::string& path, bool can_create);
  void CloseKey() noexcept { key_.reset(); }

  // A key below the root, whatever key is open; the open key is kept.
  bool KeyExists(const std::string& path) const;
  bool ValueExists(const std::string& name) const;

  // Reads return `def` when no key is open, the value is missing or has
  // another type: a DWORD for integers and booleans, REG_SZ or
  // REG_EXPAND_SZ (unexpanded) for strings.
  int ReadInteger(const std::string& name, int def) const;
  bool ReadBool(const std::string& name, bool def) const { return ReadInteger(name, def ? 1 : 0) != 0; }
  std::string ReadString(const std::string& name, const std::string& def) const;

  bool WriteInteger(const std::string& name, int value);
  bool WriteBool(const std::string& name, bool value) { return WriteInteger(name, value ? 1 : 0); }
  bool WriteString(const std::string& name, const std::string& value);
  // True when the value is gone afterwards, also when it never existed.
  bool DeleteValue(const std::string& name);

 private:
  HKEY root_;
  REGSAM access_;
  winkit::RegKey key_;
};

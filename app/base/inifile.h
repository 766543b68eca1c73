#pragma once
// A Windows profile file ("key=value" lines under "[section]" headers).
// Section and key names match without regard to case; integers are decimal
// text and a value that is no number reads as the default.
#include <string>
#include <vector>

class CIniFile {
 public:
  explicit CIniFile(std::string path) : path_(std::move(path)) {}
  const std::string& FileName() const noexcept { return path_; }

  // The whole value, however long, or def when the key is missing.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);

  std::vector<std::string> ReadSections() const;
  bool EraseSection(const std::string& section);

 private:
  std::string path_;
};

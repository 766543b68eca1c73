#pragma once
// A folder of a test's own, removed with everything in it at the end.
#include <cstdint>
#include <string>
#include <vector>

namespace qftest {

class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  // Ends with a backslash.
  const std::string& Path() const noexcept { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
void RemoveTree(const std::string& path);
// The file name at the end of a Windows path.
inline std::string NamePartOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

}  // namespace qftest

namespace qftest {

// The messages of a log file, one per line, without their stamps (the date,
// a tab, the time and a tab).
std::vector<std::string> LogMessages(const std::string& path);

}  // namespace qftest

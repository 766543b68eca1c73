#include "support/tempdir.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

namespace qftest {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  char tmp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, tmp);
  for (int attempt = 0;; ++attempt) {
    std::ostringstream name;
    name << tmp << "qft-" << GetCurrentProcessId() << "-" << GetTickCount() << "-" << counter++ << "\\";
    if (CreateDirectoryA(name.str().c_str(), nullptr) || attempt > 100) {
      path_ = name.str();
      break;
    }
  }
}

TempDir::~TempDir() {
  RemoveTree(path_);
}

void RemoveTree(const std::string& path) {
  std::string dir = path;
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(dir + name);
      } else {
        SetFileAttributesA((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((dir + name).c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace qftest

namespace qftest {

std::vector<std::string> LogMessages(const std::string& path) {
  std::vector<std::string> out;
  const std::string log = ReadFileBytes(path);
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end = log.find("\r\n", pos);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(pos, end - pos);
    const size_t first = line.find('\t');
    const size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    out.push_back(second == std::string::npos ? line : line.substr(second + 1));
    pos = end + 2;
  }
  return out;
}

}  // namespace qftest

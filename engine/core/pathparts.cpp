#include "engine/core/pathparts.h"

#include <windows.h>

#include <atomic>

#include "winkit/handles.h"

namespace {

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

std::string FullFolder(const std::string& folder) {
  char full[MAX_PATH * 2] = {};
  const DWORD n = GetFullPathNameA(WithSlash(folder).c_str(), sizeof full, full, nullptr);
  return n > 0 && n < sizeof full ? WithSlash(full) : std::string();
}

}  // namespace

bool ReadFileStamp(const std::string& path, FileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp.written = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                  data.ftLastWriteTime.dwLowDateTime;
  return true;
}

std::string ProbeName() {
  static std::atomic<unsigned> counter{0};
  return "~qfprobe-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
         std::to_string(++counter) + ".tmp";
}

bool SameFolder(const std::string& a, const std::string& b) {
  const std::string fa = FullFolder(a), fb = FullFolder(b);
  if (fa.empty() || fb.empty()) return false;
  if (lstrcmpiA(fa.c_str(), fb.c_str()) == 0) return true;
  // Different spellings may still name one folder (drive aliases, links):
  // a file made in one is then seen in the other. The probe vanishes when
  // its handle closes.
  const std::string name = ProbeName();
  winkit::FileHandle probe(CreateFileA((fa + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                       nullptr));
  if (!probe) return false;
  return GetFileAttributesA((fb + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

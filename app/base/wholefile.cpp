#include "app/base/wholefile.h"

#include <windows.h>

#include "winkit/handles.h"

bool ReadWholeFile(const std::string& path, Bytes& out, std::uint64_t limit) {
  winkit::FileHandle f(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.get(), &size)) return false;
  if (static_cast<std::uint64_t>(size.QuadPart) > limit) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  out.resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!out.empty() &&
      (!ReadFile(f.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr) || got != out.size())) {
    if (GetLastError() == NO_ERROR) SetLastError(ERROR_HANDLE_EOF);
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const Bytes& data) {
  winkit::FileHandle f(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return data.empty() || (WriteFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                          written == data.size());
}

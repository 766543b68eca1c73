#include "app/base/wholefile.h"

#include <windows.h>

#include <algorithm>

#include "winkit/handles.h"

bool ReadWholeFile(const std::string& path, Bytes& out, std::uint64_t limit, unsigned long share) {
  out.clear();
  winkit::FileHandle f(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
  if (!f) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.get(), &size)) return false;
  if (static_cast<std::uint64_t>(size.QuadPart) > limit) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  out.resize(static_cast<size_t>(size.QuadPart));
  // In pieces: one read call takes at most a DWORD's worth.
  for (size_t done = 0; done < out.size();) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(out.size() - done, size_t{1} << 24));
    if (!ReadFile(f.get(), out.data() + done, want, &got, nullptr) || got == 0) {
      if (GetLastError() == NO_ERROR) SetLastError(ERROR_HANDLE_EOF);
      out.clear();
      return false;
    }
    done += got;
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

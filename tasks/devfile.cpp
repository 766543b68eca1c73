#include "tasks/devfile.h"

#include <windows.h>

#include "winkit/handles.h"

Bytes EncodeDevText(const Bytes& raw) {
  Bytes out;
  out.reserve(raw.size() + raw.size() / 8);
  for (std::uint8_t b : raw) {
    if (b == 0x0A) out.push_back(0x0D);
    out.push_back(b);
  }
  return out;
}

Bytes DecodeDevText(const Bytes& text) {
  Bytes out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == 0x0D && i + 1 < text.size() && text[i + 1] == 0x0A) continue;  // the LF follows
    out.push_back(text[i]);
  }
  return out;
}

bool ReadWholeFile(const std::string& path, Bytes& out) {
  winkit::FileHandle f(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.get(), &size)) return false;
  // A settings file is a few kilobytes; anything huge is not ours.
  if (size.QuadPart > (16 << 20)) {
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

#include "tasks/settings/devfile.h"

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

#pragma once
// The printer-settings file of a task: the DEVMODE bytes as a text stream.
// Writing turns every 0x0A into 0x0D 0x0A; reading turns every 0x0D 0x0A
// back into 0x0A. No other byte changes, so a round trip is exact.
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

Bytes EncodeDevText(const Bytes& raw);
Bytes DecodeDevText(const Bytes& text);

// Whole-file helpers; false with GetLastError() set on failure.
bool ReadWholeFile(const std::string& path, Bytes& out);
bool WriteWholeFile(const std::string& path, const Bytes& data);

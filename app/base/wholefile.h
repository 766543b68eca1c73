#pragma once
// Whole-file reads and writes; false with GetLastError() set on failure.
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Reads the file, letting others read but not write it meanwhile (or what
// `share` allows). A file larger than `limit` bytes fails with
// ERROR_FILE_TOO_LARGE; on failure `out` is left empty.
bool ReadWholeFile(const std::string& path, Bytes& out, std::uint64_t limit, unsigned long share = 1 /* read */);
// Creates the file anew (an existing one is replaced) and writes `data`.
bool WriteWholeFile(const std::string& path, const Bytes& data);

// Fuzz target: the png decoder reads whatever arrives in a watched folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/image_check.h"
#include "imaging/pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  imaging::Pixels out;
  std::string error;
  const bool ok = imaging::DecodePng(data, size, out, error);
  CheckDecoded(ok, out, error);
  return 0;
}

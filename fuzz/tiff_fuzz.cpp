// Fuzz target: the TIFF decoder, counting pages and decoding the page the
// first byte selects from the rest of the input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/image_check.h"
#include "imaging/pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int page = data[0] % 4;
  int pages = 0;
  std::string error;
  const bool counted = imaging::DecodeTiff(data + 1, size - 1, 0, nullptr, pages, error);
  if (counted && pages < 1) __builtin_trap();
  imaging::Pixels out;
  error.clear();
  const bool ok = imaging::DecodeTiff(data + 1, size - 1, page, &out, pages, error);
  CheckDecoded(ok, out, error);
  return 0;
}

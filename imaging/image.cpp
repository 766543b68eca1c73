#include "imaging/image.h"

#include <algorithm>

#include "app/base/wholefile.h"
#include "imaging/scale.h"

namespace imaging {

namespace {

constexpr std::uint64_t kMaxFileBytes = 1ull << 31;  // 2 GiB

}  // namespace

bool CImage::Load(const std::string& path, int type) {
  pixels_ = Pixels();
  error_.clear();
  std::vector<std::uint8_t> data;
  if (!ReadWholeFile(path, data, kMaxFileBytes, FILE_SHARE_READ | FILE_SHARE_WRITE)) {
    error_ = "cannot read the file (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  switch (type) {
    case kJpeg:
      return DecodeJpeg(data.data(), data.size(), pixels_, error_);
    case kPng:
      return DecodePng(data.data(), data.size(), pixels_, error_);
    case kBitmap:
      return DecodeBmp(data.data(), data.size(), pixels_, error_);
    case kTiff: {
      int pages = 0;
      const bool ok = DecodeTiff(data.data(), data.size(), page_, &pixels_, pages, error_);
      pages_ = pages;
      return ok;
    }
    default:
      error_ = "unknown image type";
      return false;
  }
}

namespace {

// The most a band of scaled rows holds, in bytes.
constexpr std::size_t kBandBytes = 4u << 20;

// Draws `rows` rows of `width` pixels, stretched into the device rectangle
// (x, y, cx, cy).
void DrawRows(HDC dc, int x, int y, int cx, int cy, std::uint32_t width, std::uint32_t rows, const std::uint8_t* bits,
              DWORD rop) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = static_cast<LONG>(width);
  bi.bmiHeader.biHeight = -static_cast<LONG>(rows);  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  StretchDIBits(dc, x, y, cx, cy, 0, 0, static_cast<int>(width), static_cast<int>(rows), bits, &bi, DIB_RGB_COLORS,
                rop);
}

}  // namespace

void CImage::DrawStretched(HDC dc, const RECT& target, DWORD rop) const {
  if (Empty()) return;
  const long tw = target.right - target.left, th = target.bottom - target.top;
  if (tw <= 0 || th <= 0) return;
  SetStretchBltMode(dc, COLORONCOLOR);
  const std::uint32_t sw = std::min<std::uint32_t>(pixels_.width, static_cast<std::uint32_t>(tw));
  const std::uint32_t sh = std::min<std::uint32_t>(pixels_.height, static_cast<std::uint32_t>(th));
  // More pixels than dots: averaged down to the device's resolution; fewer:
  // sent as they are, for the device to enlarge. Either way band by band,
  // so that neither this process nor the printer driver holds more than a
  // band of the page at once.
  const bool shrink = sw < pixels_.width || sh < pixels_.height;
  const BoxScaler scaler(pixels_, sw, sh);
  const std::uint32_t band_rows =
      std::max<std::uint32_t>(1, static_cast<std::uint32_t>(kBandBytes / (std::size_t{sw} * 4)));
  std::vector<std::uint8_t> band;
  for (std::uint32_t r0 = 0; r0 < sh; r0 += band_rows) {
    const std::uint32_t r1 = std::min(sh, r0 + band_rows);
    const std::uint8_t* rows = pixels_.bgrx.data() + std::size_t{r0} * sw * 4;
    if (shrink) {
      scaler.Rows(r0, r1, band);
      rows = band.data();
    }
    // Bands meet exactly: each edge is the same rounding of its row.
    const long y0 = target.top + static_cast<long>(std::uint64_t{r0} * th / sh);
    const long y1 = target.top + static_cast<long>(std::uint64_t{r1} * th / sh);
    DrawRows(dc, target.left, static_cast<int>(y0), static_cast<int>(tw), static_cast<int>(y1 - y0), sw, r1 - r0,
             rows, rop);
  }
}

}  // namespace imaging

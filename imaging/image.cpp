#include "imaging/image.h"

#include "app/base/wholefile.h"

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

void CImage::DrawStretched(HDC dc, const RECT& target, DWORD rop) const {
  if (Empty()) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = static_cast<LONG>(pixels_.width);
  bi.bmiHeader.biHeight = -static_cast<LONG>(pixels_.height);  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                static_cast<int>(pixels_.width), static_cast<int>(pixels_.height), pixels_.bgrx.data(), &bi,
                DIB_RGB_COLORS, rop);
}

}  // namespace imaging

#pragma once
// One image at a time, decoded from a file and drawn stretched onto a device
// context. A file that cannot be decoded leaves the object empty, or holding
// the part that could be decoded; drawing an empty object draws nothing.
#include <windows.h>

#include <string>

#include "imaging/pixels.h"

namespace imaging {

enum ImageType : int { kNone = 0, kBitmap = 1, kJpeg = 3, kPng = 4, kTiff = 6 };

class CImage {
 public:
  // Decodes the file as `type`; for a TIFF file the selected page. False
  // (with LastError() saying why) when nothing could be decoded.
  bool Load(const std::string& path, int type);
  // After a TIFF load: the number of pages in the file.
  int PageCount() const { return pages_; }
  void SelectPage(int page) { page_ = page; }
  bool Empty() const { return pixels_.Empty(); }
  const Pixels& Bits() const { return pixels_; }
  const std::string& LastError() const { return error_; }

  // The whole bitmap stretched into `target` (device units), in bands. A
  // bitmap with more pixels than the rectangle has dots is averaged down to
  // them first; a smaller one is enlarged by the device.
  void DrawStretched(HDC dc, const RECT& target, DWORD rop) const;

 private:
  Pixels pixels_;
  int pages_ = 0;
  int page_ = 0;
  std::string error_;
};


}  // namespace imaging

// Images are drawn by the program itself, one print job per image and one per
// page of a multi-page TIFF file, each titled with the file's full path.
#include "drivers/imagedriver.h"

#include <algorithm>
#include <cctype>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "imaging/image.h"
#include "tasks/settings/printaction.h"
#include "winkit/printjob.h"

RECT ImageTargetRect(int dpi_x, int dpi_y, int physical_width, int physical_height) {
  const int l = static_cast<int>(0.25 * dpi_x), r = static_cast<int>(0.25 * dpi_x);
  const int t = static_cast<int>(0.5 * dpi_y), b = static_cast<int>(0.5 * dpi_y);
  return RECT{l, t, physical_width - r, physical_height - b};
}

int ImageTypeOf(const std::string& path) {
  const size_t dot = path.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return static_cast<char>(toupper(c)); });
  if (ext == ".JPG") return imaging::kJpeg;
  if (ext == ".TIF") return imaging::kTiff;
  if (ext == ".PNG") return imaging::kPng;
  if (ext == ".BMP") return imaging::kBitmap;
  return imaging::kNone;
}

namespace {

// One job on the default printer with the image stretched over one page.
bool PrintOneJob(const std::string& title, const imaging::CImage& image) {
  const std::string printer = winkit::DefaultPrinterName();
  if (printer.empty()) {
    WriteLog(LogStamp() + "Image driver: no default printer to print " + title + " on");
    return false;
  }
  // The printer's settings as stored now: a DC of this process would
  // otherwise keep the settings it saw first, before a task changed them.
  winkit::PrinterDc dc = PrinterDcWithCurrentSettings(printer);
  if (!dc) {
    // The code is taken before the log is written: the log's own file calls
    // would replace it.
    const DWORD error = GetLastError();
    WriteLog(LogStamp() + "Image driver: the printer " + printer + " cannot be used for " + title);
    LogSystemError(error);
    return false;
  }
  winkit::PrintJob job(dc.get(), title);
  if (job.StartPage()) {
    const RECT target = ImageTargetRect(GetDeviceCaps(dc.get(), LOGPIXELSX), GetDeviceCaps(dc.get(), LOGPIXELSY),
                                        GetDeviceCaps(dc.get(), PHYSICALWIDTH), GetDeviceCaps(dc.get(), PHYSICALHEIGHT));
    image.DrawStretched(dc.get(), target, SRCCOPY);
  }
  const bool ok = job.End();
  if (!ok) {
    WriteLog(LogStamp() + "Image driver: the print job of " + title + " could not be spooled");
    LogSystemError(job.Error());
  }
  return ok;
}

}  // namespace

bool PrintImageFile(const std::string& path, winkit::TEvent&) {
  const int type = ImageTypeOf(path);
  imaging::CImage image;
  // A file that cannot be decoded, or only in part, still gives its page
  // (empty, or with what could be decoded) as the visible sign on paper, but
  // it is not reported printed: the file stays where it is.
  bool decoded = image.Load(path, type);
  if (!decoded) WriteErrorLog(LogStamp() + "Image " + path + ": " + image.LastError());
  const int pages = type == imaging::kTiff ? image.PageCount() : 0;
  if (pages > kMaxTiffPages) return false;
  if (type != imaging::kTiff || pages < 2) return PrintOneJob(path, image) && decoded;
  // One decoded page at a time.
  for (int i = 0; i < pages; ++i) {
    image.SelectPage(i);
    if (!image.Load(path, imaging::kTiff)) {
      decoded = false;
      WriteErrorLog(LogStamp() + "Image " + path + ": " + image.LastError());
    }
    if (!PrintOneJob(path, image)) return false;
  }
  return decoded;
}

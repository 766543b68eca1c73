// TIFF through libtiff, any page of a multi-page file, from memory: every
// compression libtiff reads (CCITT, LZW, Deflate, JPEG, PackBits), strips or
// tiles, planar or not, up to 16 bits, turned upright by the orientation
// tag.
#include <tiffio.h>

#include <cstring>
#include <mutex>

#include "imaging/pixels.h"

namespace imaging {

namespace {

struct Memory {
  const std::uint8_t* data;
  toff_t size;
  toff_t pos;
};

tmsize_t Read(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<Memory*>(h);
  if (n < 0) return -1;
  // A directory or strip offset past the end is a damaged file: nothing to
  // read there.
  if (m->pos >= m->size) return 0;
  const toff_t left = m->size - m->pos;
  const toff_t count = static_cast<toff_t>(n) < left ? static_cast<toff_t>(n) : left;
  std::memcpy(buf, m->data + m->pos, static_cast<std::size_t>(count));
  m->pos += count;
  return static_cast<tmsize_t>(count);
}
tmsize_t Write(thandle_t, void*, tmsize_t) {
  return -1;
}
toff_t Seek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<Memory*>(h);
  toff_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size : 0;
  if (off > ~toff_t{0} - base) return static_cast<toff_t>(-1);
  m->pos = base + off;
  return m->pos;
}
int Close(thandle_t) {
  return 0;
}
toff_t Size(thandle_t h) {
  return static_cast<Memory*>(h)->size;
}
int Map(thandle_t, void**, toff_t*) {
  return 0;
}
void Unmap(thandle_t, void*, toff_t) {}

void Quiet() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

// Counts the pages by walking the directories, at most kMaxTiffDirectories
// of them (one more means "too many").
int CountPages(TIFF* tif) {
  int pages = 0;
  do {
    ++pages;
  } while (pages <= kMaxTiffDirectories && TIFFReadDirectory(tif));
  return pages;
}

}  // namespace

bool DecodeTiff(const std::uint8_t* data, std::size_t size, int page, Pixels* out, int& pages, std::string& error) {
  Quiet();
  pages = 0;
  if (out) *out = Pixels();
  Memory mem{data, size, 0};
  TIFF* tif = TIFFClientOpen("image.tif", "rm", &mem, Read, Write, Seek, Close, Size, Map, Unmap);
  if (!tif) {
    error = "TIFF: not a readable TIFF file";
    return false;
  }
  pages = CountPages(tif);
  bool ok = false;
  if (pages > kMaxTiffDirectories) {
    error = "TIFF: more than " + std::to_string(kMaxTiffDirectories) + " pages";
  } else if (!out) {
    ok = pages > 0;
    if (!ok) error = "TIFF: no pages";
  } else if (page < 0 || page >= pages || !TIFFSetDirectory(tif, static_cast<tdir_t>(page))) {
    error = "TIFF: no page " + std::to_string(page);
  } else {
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    char why[1024] = "";
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    // Read as stored; the turn is ours, the same for every orientation.
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (!SizeAllowed(w, h, size)) {
      error = "TIFF: " + SizeRefusal(w, h, size);
    } else if (!TIFFRGBAImageOK(tif, why)) {
      error = std::string("TIFF: ") + why;
    } else {
      out->bgrx.resize(std::size_t{w} * h * 4);
      auto* raster = reinterpret_cast<std::uint32_t*>(out->bgrx.data());
      // A page that breaks off keeps what was read; the rest stays clear,
      // which is white on paper.
      const bool whole = TIFFReadRGBAImageOriented(tif, w, h, raster, ORIENTATION_TOPLEFT, 0) != 0;
      // ABGR words (red in the low byte) to BGRX bytes over white.
      for (std::size_t i = 0; i < std::size_t{w} * h; ++i) {
        const std::uint32_t p = raster[i];
        const unsigned a = TIFFGetA(p);
        const unsigned r = (TIFFGetR(p) * a + 255 * (255 - a)) / 255;
        const unsigned g = (TIFFGetG(p) * a + 255 * (255 - a)) / 255;
        const unsigned b = (TIFFGetB(p) * a + 255 * (255 - a)) / 255;
        std::uint8_t* px = out->bgrx.data() + i * 4;
        px[0] = static_cast<std::uint8_t>(b);
        px[1] = static_cast<std::uint8_t>(g);
        px[2] = static_cast<std::uint8_t>(r);
        px[3] = 0;
      }
      out->width = w;
      out->height = h;
      Reorient(*out, orientation);
      ok = whole;
      if (!whole) error = "TIFF: page " + std::to_string(page) + " is damaged or cut short";
    }
  }
  TIFFClose(tif);
  return ok;
}

}  // namespace imaging

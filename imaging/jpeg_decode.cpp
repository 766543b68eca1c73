// JPEG through libjpeg-turbo: grey, colour, CMYK and YCCK (Adobe's inverted
// convention when its marker says so), turned upright by the EXIF
// orientation. This file must not see <windows.h>: the two disagree on the
// type `boolean`.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "imaging/pixels.h"

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace imaging {

namespace {

// Progressive files are decoded scan by scan; a file with thousands of
// tiny scans makes minutes of work out of a few kilobytes.
constexpr int kMaxScans = 256;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  // The first warning that means the picture's data is missing or bad.
  char damage[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  switch (err->pub.msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
      if (!err->damage[0]) (*cinfo->err->format_message)(cinfo, err->damage);
      break;
    default:
      // Extraneous bytes and the like: many cameras write them and the
      // picture is whole.
      break;
  }
}

extern "C" void OnProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
    std::longjmp(err->jump, 1);
  }
}

std::uint16_t Get16(const std::uint8_t* p, bool little) {
  return static_cast<std::uint16_t>(little ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1]);
}
std::uint32_t Get32(const std::uint8_t* p, bool little) {
  return little ? p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24)
                : (std::uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// The orientation tag of an APP1 "Exif" marker's first directory; 1 when
// there is none or the marker is damaged.
int ExifOrientation(const jpeg_saved_marker_ptr markers) {
  for (jpeg_saved_marker_ptr m = markers; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 1 || m->data_length < 14 || std::memcmp(m->data, "Exif\0\0", 6) != 0) continue;
    const std::uint8_t* t = m->data + 6;
    const std::size_t n = m->data_length - 6;
    const bool little = t[0] == 'I' && t[1] == 'I';
    if (!little && !(t[0] == 'M' && t[1] == 'M')) continue;
    const std::uint32_t ifd = Get32(t + 4, little);
    if (ifd > n - 2 || ifd < 8) continue;
    const unsigned entries = Get16(t + ifd, little);
    for (unsigned i = 0; i < entries; ++i) {
      const std::size_t at = ifd + 2 + std::size_t{i} * 12;
      if (at + 12 > n) break;
      if (Get16(t + at, little) == 0x0112 && Get16(t + at + 2, little) == 3 /* SHORT */) {
        const int v = Get16(t + at + 8, little);
        return v >= 1 && v <= 8 ? v : 1;
      }
    }
  }
  return 1;
}

// One row of CMYK samples to BGRX. Adobe's files store the inks inverted
// (0 is full ink); others store them as they are.
void CmykRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 4) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    out[0] = static_cast<std::uint8_t>(y * k / 255);
    out[1] = static_cast<std::uint8_t>(m * k / 255);
    out[2] = static_cast<std::uint8_t>(c * k / 255);
    out[3] = 0;
  }
}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error) {
  out = Pixels();
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress;
  std::memset(&cinfo, 0, sizeof cinfo);
  std::memset(&progress, 0, sizeof progress);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  err.pub.emit_message = OnJpegMessage;
  err.message[0] = err.damage[0] = '\0';
  progress.progress_monitor = OnProgress;
  // Everything with a destructor lives outside the part that may jump.
  std::vector<std::uint8_t>& bits = out.bgrx;
  std::vector<JSAMPLE> cmyk;
  // Set once the picture's rows are being written: a failure after that
  // keeps what was decoded.
  volatile bool started = false;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    error = std::string("JPEG: ") + err.message;
    if (!started) out = Pixels();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&cinfo, TRUE);
  // Read now: finishing the decompression frees the saved markers.
  const int orientation = ExifOrientation(cinfo.marker_list);
  if (!SizeAllowed(cinfo.image_width, cinfo.image_height, size)) {
    jpeg_destroy_decompress(&cinfo);
    error = "JPEG: " + SizeRefusal(cinfo.image_width, cinfo.image_height, size);
    return false;
  }
  const bool inks = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool inverted = inks && cinfo.saw_Adobe_marker;
  cinfo.out_color_space = inks ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  const std::size_t stride = std::size_t{cinfo.output_width} * 4;
  // White until decoded: a picture that breaks off shows paper below.
  bits.assign(stride * cinfo.output_height, 0xFF);
  out.width = cinfo.output_width;
  out.height = cinfo.output_height;
  if (inks) cmyk.resize(stride);
  started = true;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = bits.data() + stride * cinfo.output_scanline;
    if (!inks) {
      jpeg_read_scanlines(&cinfo, &row, 1);
      continue;
    }
    JSAMPROW ink = cmyk.data();
    if (jpeg_read_scanlines(&cinfo, &ink, 1) == 1) CmykRow(ink, row, cinfo.output_width, inverted);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  Reorient(out, orientation);
  if (err.damage[0]) {
    error = std::string("JPEG: ") + err.damage;
    return false;
  }
  return true;
}

}  // namespace imaging

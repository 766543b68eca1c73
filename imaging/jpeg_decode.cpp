// JPEG through libjpeg-turbo. This file must not see <windows.h>: the two
// disagree on the type `boolean`.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "imaging/pixels.h"

extern "C" {
#include <jpeglib.h>
}

namespace imaging {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr, int) {}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error) {
  out = Pixels();
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  err.pub.emit_message = OnJpegMessage;
  err.message[0] = '\0';
  // Everything with a destructor lives outside the part that may jump.
  std::vector<std::uint8_t>& bits = out.bgrx;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    error = std::string("JPEG: ") + err.message;
    out = Pixels();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!SizeAllowed(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    error = "JPEG: image too large (" + std::to_string(cinfo.image_width) + " x " + std::to_string(cinfo.image_height) +
            ")";
    return false;
  }
  cinfo.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  const std::size_t stride = std::size_t{cinfo.output_width} * 4;
  bits.resize(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = bits.data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  out.width = cinfo.output_width;
  out.height = cinfo.output_height;
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace imaging

// The peer of the JPEG benchmarks: the bare libjpeg compressing RGB rows at a quality, as a program
// calling it directly does, into the destination the caller sets on the fresh compressor.
// Include it after the project's headers: the library's TRUE and FALSE must not replace the
// platform's.
#pragma once
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

template <class SetDestination>
void CompressRgbWithLibrary(const unsigned char* rgb, std::size_t rowBytes, unsigned width, unsigned height,
                            int quality, SetDestination&& setDestination) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  setDestination(cinfo);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, FALSE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb + std::size_t(cinfo.next_scanline) * rowBytes);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
}

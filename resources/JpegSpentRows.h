#pragma once
// Lets a libjpeg encoder keep the whole picture's coefficients (optimised
// Huffman tables need them all before the first byte is written) in the
// bitmap rows it has already read, instead of in memory of its own: the
// coefficients of each band of rows are 3 bytes a pixel with 4:2:0 chroma,
// the band's pixels 4, and a band's coefficients are made only once its
// rows have all been read. Where the bitmap has no such room (very narrow
// or short bitmaps, most of 3 bytes a pixel, zeroed arrays) the arrays are
// allocated as usual. The bitmap's pixels are spent: read nothing from it
// afterwards.

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace JpegSpentRows {

// Call after jpeg_create_compress and before jpeg_start_compress, with the
// rows the encoder will be given (`bytesPerLine` apart, top row first,
// `bytes` in all), for one image. The setup lives in the encoder's memory.
void install(j_compress_ptr info, unsigned char* rows, size_t bytesPerLine, size_t bytes);

} // namespace JpegSpentRows

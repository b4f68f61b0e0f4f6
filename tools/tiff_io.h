// The TIFF codec of pixmill-convert, on top of libtiff, working on files held
// in memory.  Internal to the image I/O library; callers use image_io.h.
#ifndef PIXMILL_TOOLS_TIFF_IO_H
#define PIXMILL_TOOLS_TIFF_IO_H

#include <cstdint>
#include <vector>

#include "image_io.h"

namespace pmtool {

// True when `contents` starts with a TIFF byte-order mark and magic number.
bool looksLikeTiff(const std::vector<std::uint8_t>& contents);

// Decodes the first image of a TIFF: one sample per pixel of 8 or 16 bits,
// unsigned (strips or tiles, any compression libtiff reads).  8-bit frames
// come back in `narrow`, 16-bit ones in `wideFrame`.  Anything else, corrupt
// or truncated data, and sizes beyond the caps throw ImageError.
FrameFile decodeTiff(const std::vector<std::uint8_t>& contents);

// Encodes an image as an uncompressed TIFF: RGB or grey, 8 or 16 bits.
std::vector<std::uint8_t> encodeTiff(const DeepImage& image);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_TIFF_IO_H

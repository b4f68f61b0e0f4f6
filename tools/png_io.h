// The PNG codec of pixmill-convert, on top of libpng.  Internal to the image
// I/O library; callers use image_io.h.
#ifndef PIXMILL_TOOLS_PNG_IO_H
#define PIXMILL_TOOLS_PNG_IO_H

#include <cstdint>
#include <vector>

#include "image_io.h"

namespace pmtool {

// True when `contents` starts with the eight-byte PNG signature.
bool looksLikePng(const std::vector<std::uint8_t>& contents);

// Decodes an 8-bit grey PNG held in memory (interlaced or not).  Any other
// colour type or bit depth, corrupt or truncated data, and sizes beyond the
// caps throw ImageError.
GreyFrame decodePng(const std::vector<std::uint8_t>& contents);

// Throws ImageError unless `image` has positive sizes and exactly
// 3 x width x height bytes.  Defined in image_io.cpp.
void requireConsistentImage(const BgrImage& image);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_PNG_IO_H

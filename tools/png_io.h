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

// Decodes a 16-bit grey PNG held in memory, as decodePng does 8-bit ones.
WideFrame decodeWidePng(const std::vector<std::uint8_t>& contents);

// The bit depth of a grey PNG (1, 2, 4, 8 or 16) read from its header
// chunk; 0 for anything else, which decodePng then explains.
int pngGreyDepth(const std::vector<std::uint8_t>& contents);

// Throws ImageError unless `image` has positive sizes and exactly
// 3 x width x height bytes (channels x width x height values of at most
// 2^depth - 1, with depth 8 or 16).  Defined in image_io.cpp.
void requireConsistentImage(const BgrImage& image);
void requireConsistentImage(const DeepImage& image);

// One row of a deep image as file bytes: channels reordered to red, green,
// blue, 16-bit values big-endian (as PNG and netpbm store them).  Defined in
// image_io.cpp.
void storeFileRow(const DeepImage& image, const std::uint16_t* values, std::uint8_t* out);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_PNG_IO_H

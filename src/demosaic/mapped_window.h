// The body of the mapped forward window, shared by the current build's method
// (which ends with a border of 1) and the 1.5.0.1 build's form (which has no
// border; legacy/).
#ifndef PIXMILL_DEMOSAIC_MAPPED_WINDOW_H
#define PIXMILL_DEMOSAIC_MAPPED_WINDOW_H

#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/vector/vector_paths.h"

namespace pm {

// Image rows 0 to height - 2, every column, of Bayer layout code 1 to 4, each
// sample through its table, with the vector prefix of `path`; null tables
// are taken as the identity.  With `rowEnds` above 0 each computed row gets
// the column step of a border that wide at once (extendRowEnds).  `stores`:
// how rows are written (simd::Stores).  The caller
// has checked the frame (frameAccepted).  Returns false, writing nothing,
// for any other layout code.
bool mappedWindowImage(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                       const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                       bool bottomUp, std::int32_t layout, simd::Path path, std::int32_t rowEnds,
                       simd::Stores stores = simd::Stores::Auto);

}  // namespace pm

#endif

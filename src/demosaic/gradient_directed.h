// Gradient-directed interpolation on the vector path the caller names: the
// method itself passes the best path of the processor, the tests each path
// in turn.
#ifndef PIXMILL_DEMOSAIC_GRADIENT_DIRECTED_H
#define PIXMILL_DEMOSAIC_GRADIENT_DIRECTED_H

#include <cstdint>

#include "demosaic/vector/vector_paths.h"

namespace pm {

std::int32_t gradientDirectedOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);

}  // namespace pm

#endif

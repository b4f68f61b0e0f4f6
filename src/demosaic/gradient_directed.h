// Gradient-directed interpolation with the vector path of its identity-table
// form chosen by the caller: the method itself passes the best path of the
// processor, the tests each path in turn (Scalar, Sse2, Avx2).
#ifndef PIXMILL_DEMOSAIC_GRADIENT_DIRECTED_H
#define PIXMILL_DEMOSAIC_GRADIENT_DIRECTED_H

#include <cstdint>

#include "demosaic/vector/vector_paths.h"

namespace pm {

std::int32_t gradientDirectedOn(simd::Path unmappedPath, const std::uint8_t* src, std::uint8_t* dst,
                                std::int32_t width, std::int32_t height, const std::uint8_t* lutRed,
                                const std::uint8_t* lutGreen, const std::uint8_t* lutBlue, std::uint32_t flip,
                                std::int32_t layout);

}  // namespace pm

#endif

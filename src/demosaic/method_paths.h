// The methods with vector prefixes, on a vector path the caller names.  The
// methods of methods.h call these with the best path of the processor,
// chosen once per call; tests call them to run whole conversions on each
// path the processor has (simd::pathAvailable), with rows written in place
// or streamed past the cache whatever the image size (simd::Stores; the
// turned, the gradient-directed, the green-guided, the Laplacian and the
// median methods always write in place).  Same arguments and results as the
// methods of methods.h.
#ifndef PIXMILL_DEMOSAIC_METHOD_PATHS_H
#define PIXMILL_DEMOSAIC_METHOD_PATHS_H

#include <cstdint>

#include "demosaic/vector/vector_paths.h"

namespace pm {

#define PIXMILL_METHOD_ON(name)                                                                                  \
    std::int32_t name(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,          \
                      std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,             \
                      const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout,                      \
                      simd::Stores stores = simd::Stores::Auto);
PIXMILL_METHOD_ON(bilinearOn)
PIXMILL_METHOD_ON(offsetBilinearOn)
PIXMILL_METHOD_ON(forwardWindowOn)
PIXMILL_METHOD_ON(mappedWindowOn)
PIXMILL_METHOD_ON(rotatedTwoByTwoOn)
PIXMILL_METHOD_ON(gradientDirectedOn)
PIXMILL_METHOD_ON(greenGuidedOn)
PIXMILL_METHOD_ON(laplacianGradientOn)
PIXMILL_METHOD_ON(sortedMedianOn)
PIXMILL_METHOD_ON(countedMedianOn)
#undef PIXMILL_METHOD_ON

}  // namespace pm

#endif

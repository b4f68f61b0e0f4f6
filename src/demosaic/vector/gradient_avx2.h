// The AVX2 forms of the gradient-directed prefixes (gradient_avx2.cpp), for
// the dispatch in gradient_sse2.cpp only: call them after the processor check.
#ifndef PIXMILL_DEMOSAIC_VECTOR_GRADIENT_AVX2_H
#define PIXMILL_DEMOSAIC_VECTOR_GRADIENT_AVX2_H

#include <cstddef>
#include <cstdint>

namespace pm {
namespace simd {

template <typename Row>
std::ptrdiff_t gradientGreenAvx2(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                 std::uint8_t* green);
template <typename Row>
std::ptrdiff_t gradientColourAvx2(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* const* greens,
                                  std::ptrdiff_t count, std::uint8_t* out);

}  // namespace simd
}  // namespace pm

#endif

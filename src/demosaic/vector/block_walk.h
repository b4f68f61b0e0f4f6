// The walk of a row prefix over its blocks, shared by every prefix written
// over a vector type V (V::kPixels pixels per block).
#ifndef PIXMILL_DEMOSAIC_VECTOR_BLOCK_WALK_H
#define PIXMILL_DEMOSAIC_VECTOR_BLOCK_WALK_H

#include <cstddef>

namespace pm {
namespace simd {
namespace {

// Runs block(c) at c = 0, kPixels, 2 kPixels, ... and then, when pixels are
// left over, once more over the last kPixels of the run, moved back to an
// even start: it recomputes a few pixels with the same values and leaves at
// most one pixel to the scalar rules.  Returns the pixels handled.
template <typename V, typename Block>
inline __attribute__((always_inline)) std::ptrdiff_t eachBlock(std::ptrdiff_t count, Block&& block) {
    if (count < V::kPixels) return 0;
    std::ptrdiff_t c = 0;
    for (; c + V::kPixels <= count; c += V::kPixels) block(c);
    if (c == count) return c;
    const std::ptrdiff_t lastStart = (count - V::kPixels) & ~std::ptrdiff_t{1};
    block(lastStart);
    return lastStart + V::kPixels;
}

}  // namespace
}  // namespace simd
}  // namespace pm

#endif

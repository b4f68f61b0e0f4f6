// The block loops of the gradient-directed prefixes, written once over a
// vector type V and compiled by gradient_sse2.cpp (V = 16 pixels in SSE2) and
// gradient_avx2.cpp (V = 32 pixels in AVX2, with that file's target).  They
// live in an anonymous namespace so that each file keeps its own copy, built
// for its own instruction set.
//
// Values are taken apart by column parity into 16-bit lanes: the low bytes
// of each 16-bit lane of a load at column x are columns x, x + 2, ..., the
// high bytes columns x + 1, x + 3, ...  With x even, one half holds the row's
// even-column sites and the other its odd-column sites, so each rule runs
// only on the lanes of its site, in 16 bits, where sums and differences of
// samples cannot overflow.  Packing with unsigned saturation is the clamp to
// 0 ... 255, and the arithmetic right shift of a difference rounds down as
// the colour-difference recipe does.
//
// V provides: Vec, kPixels, load, store (kPixels bytes), lowBytes, highBytes,
// add, sub, max, min, greater (16-bit signed), select(mask, a, b),
// half/quarter (logical shifts), halfDown/quarterDown (arithmetic shifts),
// pack(even, odd) (16-bit lanes back to kPixels interleaved bytes, clamped)
// and storePixels(out, blue, green, red).
#ifndef PIXMILL_DEMOSAIC_VECTOR_GRADIENT_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_GRADIENT_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"

namespace pm {
namespace simd {
namespace {

template <typename V>
struct ByParity {
    typename V::Vec even, odd;
};

template <typename V>
inline __attribute__((always_inline)) ByParity<V> split(const std::uint8_t* p) {
    const typename V::Vec v = V::load(p);
    return {V::lowBytes(v), V::highBytes(v)};
}

// The mean across the smaller difference, or of all four when they are equal.
template <typename V>
inline __attribute__((always_inline)) typename V::Vec directedMean(typename V::Vec west, typename V::Vec east,
                                                                  typename V::Vec north, typename V::Vec south) {
    const auto horizontal = V::sub(V::max(west, east), V::min(west, east));
    const auto vertical = V::sub(V::max(north, south), V::min(north, south));
    const auto across = V::half(V::add(west, east)), along = V::half(V::add(north, south));
    const auto all = V::quarter(V::add(V::add(north, south), V::add(west, east)));
    return V::select(V::greater(vertical, horizontal), across, V::select(V::greater(horizontal, vertical), along, all));
}

template <typename V, typename Row>
inline __attribute__((always_inline)) std::ptrdiff_t greenBlocks(const std::uint8_t* s, std::ptrdiff_t stride,
                                                                 std::ptrdiff_t count, std::uint8_t* green) {
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        const std::uint8_t* p = s + c;
        const auto left = split<V>(p - 1), here = split<V>(p), right = split<V>(p + 1);
        const auto up = split<V>(p - stride), down = split<V>(p + stride);
        typename V::Vec even = here.even, odd = here.odd;
        if constexpr (colourSite(Row::even)) even = directedMean<V>(left.even, here.odd, up.even, down.even);
        if constexpr (colourSite(Row::odd)) odd = directedMean<V>(here.even, right.odd, up.odd, down.odd);
        V::store(green + c, V::pack(even, odd));
    });
}

// green + (colours - greens) >> shift, in 16-bit lanes (clamped by pack).
template <typename V>
inline __attribute__((always_inline)) typename V::Vec twoDifference(typename V::Vec green, typename V::Vec a,
                                                                   typename V::Vec b, typename V::Vec ga,
                                                                   typename V::Vec gb) {
    return V::add(green, V::halfDown(V::sub(V::add(a, b), V::add(ga, gb))));
}

template <typename V, typename Row>
inline __attribute__((always_inline)) std::ptrdiff_t colourBlocks(const std::uint8_t* s, std::ptrdiff_t stride,
                                                                  const std::uint8_t* const* greens,
                                                                  std::ptrdiff_t count, std::uint8_t* out) {
    constexpr bool colourEven = colourSite(Row::even);
    constexpr bool redRow = (colourEven ? Row::even : Row::odd) == Site::Red;
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        const std::uint8_t* p = s + c;
        const std::uint8_t *gu = greens[0] + c, *g = greens[1] + c, *gd = greens[2] + c;
        const auto here = split<V>(p), gHere = split<V>(g);
        const auto cu = split<V>(p - stride), cd = split<V>(p + stride);
        const auto gcu = split<V>(gu), gcd = split<V>(gd);
        typename V::Vec ownPlane, otherPlane;
        if constexpr (colourEven) {
            // Colour sites at x + 2k: diagonals at x + 2k - 1 and x + 2k + 1.
            const auto lu = split<V>(p - stride - 1), ld = split<V>(p + stride - 1), right = split<V>(p + 1);
            const auto glu = split<V>(gu - 1), gld = split<V>(gd - 1), gRight = split<V>(g + 1);
            const auto diagonal = V::add(V::sub(V::add(lu.even, cu.odd), V::add(glu.even, gcu.odd)),
                                         V::sub(V::add(ld.even, cd.odd), V::add(gld.even, gcd.odd)));
            const auto otherAtColour = V::add(gHere.even, V::quarterDown(diagonal));
            const auto ownAtGreen = twoDifference<V>(gHere.odd, here.even, right.odd, gHere.even, gRight.odd);
            const auto otherAtGreen = twoDifference<V>(gHere.odd, cu.odd, cd.odd, gcu.odd, gcd.odd);
            ownPlane = V::pack(here.even, ownAtGreen);
            otherPlane = V::pack(otherAtColour, otherAtGreen);
        } else {
            // Colour sites at x + 2k + 1: diagonals at x + 2k and x + 2k + 2.
            const auto ru = split<V>(p - stride + 1), rd = split<V>(p + stride + 1), left = split<V>(p - 1);
            const auto gru = split<V>(gu + 1), grd = split<V>(gd + 1), gLeft = split<V>(g - 1);
            const auto diagonal = V::add(V::sub(V::add(cu.even, ru.odd), V::add(gcu.even, gru.odd)),
                                         V::sub(V::add(cd.even, rd.odd), V::add(gcd.even, grd.odd)));
            const auto otherAtColour = V::add(gHere.odd, V::quarterDown(diagonal));
            const auto ownAtGreen = twoDifference<V>(gHere.even, left.even, here.odd, gLeft.even, gHere.odd);
            const auto otherAtGreen = twoDifference<V>(gHere.even, cu.even, cd.even, gcu.even, gcd.even);
            ownPlane = V::pack(ownAtGreen, here.odd);
            otherPlane = V::pack(otherAtGreen, otherAtColour);
        }
        const typename V::Vec greenPlane = V::load(g);
        if constexpr (redRow)
            V::storePixels(out + 3 * c, otherPlane, greenPlane, ownPlane);
        else
            V::storePixels(out + 3 * c, ownPlane, greenPlane, otherPlane);
    });
}

}  // namespace
}  // namespace simd
}  // namespace pm

#endif

// The block loops of the gradient-directed prefixes, written once over an
// instruction-set type V (isa_*.h) and compiled with the other blocks of
// each path (pixels_sse2.cpp, pixels_avx.cpp, pixels_avx2.cpp,
// pixels_avx512.cpp).  They live in an anonymous namespace so that each file
// keeps its own copy, built for its own instruction set.
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
// Rows are passed as three pointers at column x (rows r - 1, r, r + 1), so
// the same blocks read the raw frame or rows whose samples were mapped
// through their tables beforehand (kMapped).  Mapped, every sample already
// carries its own colour's table, which is what the rules read; what they
// compute (the green of a red or blue site, the colour of any site but its
// own) then goes through the table once more, as the method prescribes.
//
// Of V these use: Vec, kPixels, load, store (kPixels bytes), lowBytes,
// highBytes, add, sub, max, min, greater (16-bit signed), select(mask, a, b),
// half/quarter (logical shifts), halfDown/quarterDown (arithmetic shifts),
// pack(even, odd) (16-bit lanes back to kPixels interleaved bytes, clamped),
// byParity, storePixels(out, blue, green, red) and, mapped, the look-up of
// table_lookup.h.
#ifndef PIXMILL_DEMOSAIC_VECTOR_GRADIENT_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_GRADIENT_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"
#include "demosaic/vector/table_lookup.h"

namespace pm {
namespace simd {
namespace {

template <typename V>
struct ByParity {
    typename V::Vec even, odd;
};

template <typename V>
PIXMILL_BLOCK_INLINE ByParity<V> split(const std::uint8_t* p) {
    const typename V::Vec v = V::load(p);
    return {V::lowBytes(v), V::highBytes(v)};
}

// The plan's table (0 blue, 1 green, 2 red) of a sample site.
constexpr int tableOf(Site s) { return s == Site::Blue ? 0 : s == Site::Red ? 2 : 1; }

// The mean across the smaller difference, or of all four when they are equal.
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec directedMean(typename V::Vec west, typename V::Vec east, typename V::Vec north,
                                                  typename V::Vec south) {
    const auto horizontal = V::sub(V::max(west, east), V::min(west, east));
    const auto vertical = V::sub(V::max(north, south), V::min(north, south));
    const auto across = V::half(V::add(west, east)), along = V::half(V::add(north, south));
    const auto all = V::quarter(V::add(V::add(north, south), V::add(west, east)));
    return V::select(V::greater(vertical, horizontal), across, V::select(V::greater(horizontal, vertical), along, all));
}

template <typename V, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t greenBlocks(const std::uint8_t* const* rows, std::ptrdiff_t count,
                                                std::uint8_t* green, const RowPlan& plan) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        const std::uint8_t* p = rows[1] + c;
        const auto left = split<V>(p - 1), here = split<V>(p), right = split<V>(p + 1);
        const auto up = split<V>(rows[0] + c), down = split<V>(rows[2] + c);
        typename V::Vec even = here.even, odd = here.odd;
        if constexpr (colourSite(Row::even)) even = directedMean<V>(left.even, here.odd, up.even, down.even);
        if constexpr (colourSite(Row::odd)) odd = directedMean<V>(here.even, right.odd, up.odd, down.odd);
        auto bytes = V::pack(even, odd);
        if constexpr (kMapped) {
            const auto mapped = mapThrough<V>(tables, 1, bytes);
            bytes = colourSite(Row::even) ? V::byParity(mapped, bytes) : V::byParity(bytes, mapped);
        }
        V::store(green + c, bytes);
    });
}

// green + (colours - greens) >> shift, in 16-bit lanes (clamped by pack).
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec twoDifference(typename V::Vec green, typename V::Vec a, typename V::Vec b,
                                                   typename V::Vec ga, typename V::Vec gb) {
    return V::add(green, V::halfDown(V::sub(V::add(a, b), V::add(ga, gb))));
}

template <typename V, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t colourBlocks(const std::uint8_t* const* rows, const std::uint8_t* const* greens,
                                                 std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    constexpr bool colourEven = colourSite(Row::even);
    constexpr Site own = colourEven ? Row::even : Row::odd;
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        const std::uint8_t* p = rows[1] + c;
        const std::uint8_t *pu = rows[0] + c, *pd = rows[2] + c;
        const std::uint8_t *gu = greens[0] + c, *g = greens[1] + c, *gd = greens[2] + c;
        const auto here = split<V>(p), gHere = split<V>(g);
        const auto cu = split<V>(pu), cd = split<V>(pd);
        const auto gcu = split<V>(gu), gcd = split<V>(gd);
        typename V::Vec ownPlane, otherPlane;
        if constexpr (colourEven) {
            // Colour sites at x + 2k: diagonals at x + 2k - 1 and x + 2k + 1.
            const auto lu = split<V>(pu - 1), ld = split<V>(pd - 1), right = split<V>(p + 1);
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
            const auto ru = split<V>(pu + 1), rd = split<V>(pd + 1), left = split<V>(p - 1);
            const auto gru = split<V>(gu + 1), grd = split<V>(gd + 1), gLeft = split<V>(g - 1);
            const auto diagonal = V::add(V::sub(V::add(cu.even, ru.odd), V::add(gcu.even, gru.odd)),
                                         V::sub(V::add(cd.even, rd.odd), V::add(gcd.even, grd.odd)));
            const auto otherAtColour = V::add(gHere.odd, V::quarterDown(diagonal));
            const auto ownAtGreen = twoDifference<V>(gHere.even, left.even, here.odd, gLeft.even, gHere.odd);
            const auto otherAtGreen = twoDifference<V>(gHere.even, cu.even, cd.even, gcu.even, gcd.even);
            ownPlane = V::pack(ownAtGreen, here.odd);
            otherPlane = V::pack(otherAtGreen, otherAtColour);
        }
        if constexpr (kMapped) {
            // The own sample is final as mapped; everything computed takes
            // its colour's table.
            const auto ownMapped = mapThrough<V>(tables, tableOf(own), ownPlane);
            ownPlane = colourEven ? V::byParity(ownPlane, ownMapped) : V::byParity(ownMapped, ownPlane);
            otherPlane = mapThrough<V>(tables, tableOf(own == Site::Red ? Site::Blue : Site::Red), otherPlane);
        }
        const typename V::Vec greenPlane = V::load(g);
        if constexpr (own == Site::Red)
            V::storePixels(out + 3 * c, otherPlane, greenPlane, ownPlane);
        else
            V::storePixels(out + 3 * c, ownPlane, greenPlane, otherPlane);
    });
}

// Samples of a row through their own colour's table (even columns sites
// Row::even, odd columns Row::odd), for the mapped blocks above.
template <typename V, typename Row>
PIXMILL_BLOCK_INLINE std::ptrdiff_t mapSiteBlocks(const std::uint8_t* raw, std::ptrdiff_t count, std::uint8_t* out,
                                                  const RowPlan& plan) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        const auto v = loadOnce<V>(raw + c);
        V::store(out + c, V::byParity(mapThrough<V>(tables, tableOf(Row::even), v),
                                      mapThrough<V>(tables, tableOf(Row::odd), v)));
    });
}

}  // namespace
}  // namespace simd
}  // namespace pm

// The gradient-directed prefixes of one path, named with its suffix, for
// pixel_paths.h.  Without byte shuffles V maps nothing itself.
#define PIXMILL_GRADIENT_BLOCKS(Suffix, V)                                                                         \
    template <typename Row>                                                                                        \
    std::ptrdiff_t gradientGreenBlocks##Suffix(const std::uint8_t* const* rows, std::ptrdiff_t count,              \
                                               std::uint8_t* green, const RowPlan& plan) {                         \
        if (plan.unmapped) return greenBlocks<V, Row, false>(rows, count, green, plan);                            \
        if constexpr (V::kShuffles) return greenBlocks<V, Row, true>(rows, count, green, plan);                    \
        return 0;                                                                                                  \
    }                                                                                                              \
    template <typename Row>                                                                                        \
    std::ptrdiff_t gradientColourBlocks##Suffix(const std::uint8_t* const* rows, const std::uint8_t* const* greens, \
                                                std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan) {    \
        if (plan.unmapped) return colourBlocks<V, Row, false>(rows, greens, count, out, plan);                     \
        if constexpr (V::kShuffles) return colourBlocks<V, Row, true>(rows, greens, count, out, plan);             \
        return 0;                                                                                                  \
    }                                                                                                              \
    template <typename Row>                                                                                        \
    std::ptrdiff_t mapSitesBlocks##Suffix(const std::uint8_t* raw, std::ptrdiff_t count, std::uint8_t* out,        \
                                          const RowPlan& plan) {                                                   \
        if constexpr (V::kShuffles) return mapSiteBlocks<V, Row>(raw, count, out, plan);                           \
        return 0;                                                                                                  \
    }                                                                                                              \
    PIXMILL_GRADIENT_BLOCKS_OF_ROW(Suffix, BlueGreenRow)                                                           \
    PIXMILL_GRADIENT_BLOCKS_OF_ROW(Suffix, GreenRedRow)                                                            \
    PIXMILL_GRADIENT_BLOCKS_OF_ROW(Suffix, GreenBlueRow)                                                           \
    PIXMILL_GRADIENT_BLOCKS_OF_ROW(Suffix, RedGreenRow)

#define PIXMILL_GRADIENT_BLOCKS_OF_ROW(Suffix, Row)                                                                 \
    template std::ptrdiff_t gradientGreenBlocks##Suffix<Row>(const std::uint8_t* const*, std::ptrdiff_t,            \
                                                             std::uint8_t*, const RowPlan&);                        \
    template std::ptrdiff_t gradientColourBlocks##Suffix<Row>(const std::uint8_t* const*, const std::uint8_t* const*, \
                                                              std::ptrdiff_t, std::uint8_t*, const RowPlan&);       \
    template std::ptrdiff_t mapSitesBlocks##Suffix<Row>(const std::uint8_t*, std::ptrdiff_t, std::uint8_t*,         \
                                                        const RowPlan&);

#endif

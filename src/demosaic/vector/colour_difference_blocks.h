// The block loops of the colour-difference prefixes (the 1.1.2.0 build's
// code 5, colour_difference_planes.cpp), written once over an
// instruction-set type V (isa_*.h) and compiled with the other blocks of each
// path (pixels_*.cpp).  The method's lines hold 16-bit entries, one per
// column pair, so a block of V::kPixels columns is one vector per line.
//
// Of V these use: the 16-bit lane operations (add, sub, max, min, greater,
// select, quarterDown, lowBytes), mulLow, wholeQuotient, pack, load, store,
// splat, storePixels and the table look-up of table_lookup.h when V has byte
// shuffles, storeMapped when it has not.
#ifndef PIXMILL_DEMOSAIC_VECTOR_COLOUR_DIFFERENCE_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_COLOUR_DIFFERENCE_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"
#include "demosaic/vector/table_lookup.h"

namespace pm {
namespace simd {
namespace {

namespace difference {

template <typename V>
using Vec = typename V::Vec;

// Entries i to i + kPixels / 2 - 1 of a line.
template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> entries(const std::int16_t* line, std::ptrdiff_t i) {
    return V::load(reinterpret_cast<const std::uint8_t*>(line + i));
}
template <typename V>
PIXMILL_BLOCK_INLINE void storeEntries(std::int16_t* line, std::ptrdiff_t i, Vec<V> v) {
    V::store(reinterpret_cast<std::uint8_t*>(line + i), v);
}

template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> words(std::uint8_t v) {
    return V::lowBytes(V::splat(v));
}

// The sum's quarter, truncated toward zero: a negative sum takes 3 more
// before the arithmetic shift, which rounds down.
template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> quarterTowardZero(Vec<V> sum) {
    return V::quarterDown(V::select(V::greater(V::splat(0), sum), V::add(sum, words<V>(3)), sum));
}

template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> clamped(Vec<V> v) {
    return V::min(V::max(v, V::splat(0)), words<V>(255));
}

}  // namespace difference

// The weighted mean of a and c is the smaller of them plus |c - a| p or
// |c - a| q (a the larger) over p + q, each part below 2^24.
template <typename V>
PIXMILL_BLOCK_INLINE std::ptrdiff_t differenceEstimateRun(const std::int16_t* a, const std::int16_t* c,
                                                          const std::int16_t* g0, const std::int16_t* g2,
                                                          std::ptrdiff_t count, std::int16_t* difference,
                                                          std::int16_t* whole) {
    using namespace difference;
    return eachBlock<V>(count, [&](std::ptrdiff_t column) __attribute__((always_inline)) {
        const std::ptrdiff_t i = column / 2;
        const Vec<V> x = entries<V>(a, i), y = entries<V>(c, i), g = entries<V>(g0, i), h = entries<V>(g2, i);
        const Vec<V> one = words<V>(1), step = V::sub(V::max(x, y), V::min(x, y));
        const Vec<V> greenStep = V::sub(V::max(g, h), V::min(g, h));
        const Vec<V> p = V::add(V::mulLow(step, step), one), q = V::add(V::mulLow(greenStep, greenStep), one);
        Vec<V> exact;
        const Vec<V> part = V::wholeQuotient(step, V::select(V::greater(x, y), q, p), p, q, exact);
        storeEntries<V>(difference, i, V::sub(g, V::add(V::min(x, y), part)));
        storeEntries<V>(whole, i, exact);
    });
}

template <typename V, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t differencePixelRun(const DifferenceLines& l, std::ptrdiff_t count,
                                                       std::uint8_t* out, const RowPlan& plan) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    using namespace difference;
    constexpr bool colourOdd = colourSite(Row::odd);
    constexpr Site own = colourOdd ? Row::odd : Row::even;
    return eachBlock<V>(count, [&](std::ptrdiff_t column) __attribute__((always_inline)) {
        const std::ptrdiff_t i = column / 2;
        // Red or blue sites.
        const Vec<V> colour = entries<V>(l.colour, i);
        const Vec<V> green = clamped<V>(V::add(colour, entries<V>(l.colourOwn, i)));
        const Vec<V> diagonals = V::add(V::add(entries<V>(l.above, i), entries<V>(l.below, i)),
                                        V::add(entries<V>(l.below, i + 1), entries<V>(l.above, i + 1)));
        const Vec<V> other = V::sub(green, quarterTowardZero<V>(diagonals));
        // Green sites; the packs clamp.
        const Vec<V> sample = entries<V>(l.green, i);
        const Vec<V> greenOwn = V::sub(sample, entries<V>(l.greenOwn, i));
        const Vec<V> greenOther = V::sub(sample, entries<V>(l.greenOther, i));
        Vec<V> ownPlane = colourOdd ? V::pack(greenOwn, colour) : V::pack(colour, greenOwn);
        const Vec<V> greenPlane = colourOdd ? V::pack(sample, green) : V::pack(green, sample);
        Vec<V> otherPlane = colourOdd ? V::pack(greenOther, other) : V::pack(other, greenOther);
        std::uint8_t* o = out + 3 * column;
        if constexpr (kMapped && !V::kShuffles) {
            if constexpr (own == Site::Red)
                V::storeMapped(o, otherPlane, greenPlane, ownPlane, plan.tables);
            else
                V::storeMapped(o, ownPlane, greenPlane, otherPlane, plan.tables);
        } else {
            Vec<V> greenMapped = greenPlane;
            if constexpr (kMapped) {
                constexpr int ownTable = own == Site::Red ? 2 : 0, otherTable = 2 - ownTable;
                ownPlane = mapThrough<V>(tables, ownTable, ownPlane);
                greenMapped = mapThrough<V>(tables, 1, greenPlane);
                otherPlane = mapThrough<V>(tables, otherTable, otherPlane);
            }
            if constexpr (own == Site::Red)
                V::storePixels(o, otherPlane, greenMapped, ownPlane);
            else
                V::storePixels(o, ownPlane, greenMapped, otherPlane);
        }
    });
}

}  // namespace
}  // namespace simd
}  // namespace pm

// The colour-difference prefixes of one path, named with its suffix, for
// pixel_paths.h.
#define PIXMILL_COLOUR_DIFFERENCE_BLOCKS(Suffix, V)                                                              \
    std::ptrdiff_t differenceEstimateBlocks##Suffix(const std::int16_t* a, const std::int16_t* c,                \
                                                    const std::int16_t* g0, const std::int16_t* g2,              \
                                                    std::ptrdiff_t count, std::int16_t* difference,              \
                                                    std::int16_t* whole) {                                       \
        return differenceEstimateRun<V>(a, c, g0, g2, count, difference, whole);                                 \
    }                                                                                                            \
    template <typename Row>                                                                                      \
    std::ptrdiff_t differencePixelBlocks##Suffix(const DifferenceLines& lines, std::ptrdiff_t count,             \
                                                 std::uint8_t* out, const RowPlan& plan) {                       \
        if (plan.unmapped) return differencePixelRun<V, Row, false>(lines, count, out, plan);                    \
        return differencePixelRun<V, Row, true>(lines, count, out, plan);                                        \
    }                                                                                                            \
    PIXMILL_COLOUR_DIFFERENCE_BLOCKS_OF_ROW(Suffix, BlueGreenRow)                                                \
    PIXMILL_COLOUR_DIFFERENCE_BLOCKS_OF_ROW(Suffix, GreenRedRow)                                                 \
    PIXMILL_COLOUR_DIFFERENCE_BLOCKS_OF_ROW(Suffix, GreenBlueRow)                                                \
    PIXMILL_COLOUR_DIFFERENCE_BLOCKS_OF_ROW(Suffix, RedGreenRow)

#define PIXMILL_COLOUR_DIFFERENCE_BLOCKS_OF_ROW(Suffix, Row)                                                     \
    template std::ptrdiff_t differencePixelBlocks##Suffix<Row>(const DifferenceLines&, std::ptrdiff_t,           \
                                                               std::uint8_t*, const RowPlan&);

#endif

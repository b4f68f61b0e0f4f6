// The block loops of the green-guided prefixes (green_guided.cpp), written
// once over an instruction-set type V (isa_*.h) and compiled with the other
// blocks of each path (pixels_*.cpp), in 16-bit lanes split by column parity
// as in gradient_blocks.h: each rule runs only on the lanes of its site.
//
// The method computes on samples mapped through the green table: the caller
// hands over rows mapped once per sample (or the raw rows through identity
// tables) and rows of finished greens, which are mapped too; the blocks map
// only the red and blue they compute, and the estimated greens.
//
// Of V these use, besides what gradient_blocks.h uses: quotient (trunc(a b /
// d) in 16-bit lanes) and, when V has no byte shuffle, storeMapped.
#ifndef PIXMILL_DEMOSAIC_VECTOR_GUIDED_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_GUIDED_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"
#include "demosaic/vector/table_lookup.h"

namespace pm {
namespace simd {
namespace {

namespace guided {

template <typename V>
using Vec = typename V::Vec;

// The lanes of one parity (kOdd) of a load at p: columns x + 2k or
// x + 2k + 1 of a run from an even column x.
template <typename V, bool kOdd>
PIXMILL_BLOCK_INLINE Vec<V> lanes(const std::uint8_t* p) {
    const Vec<V> v = V::load(p);
    return kOdd ? V::highBytes(v) : V::lowBytes(v);
}

// A lane's left and right neighbours, for lanes of one parity.
template <typename V>
struct Pair {
    Vec<V> left, right;
};
template <typename V, bool kOdd>
PIXMILL_BLOCK_INLINE Pair<V> beside(const std::uint8_t* p) {
    if constexpr (kOdd) {
        return {V::lowBytes(V::load(p)), V::highBytes(V::load(p + 1))};
    } else {
        return {V::lowBytes(V::load(p - 1)), V::highBytes(V::load(p))};
    }
}

template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> distance(Vec<V> a, Vec<V> b) {
    return V::sub(V::max(a, b), V::min(a, b));
}

// The interpolation rule, before the clamp of the pack: gc strictly between
// g1 and g2 (|2 gc - g1 - g2| < |g1 - g2|) takes x1 plus the proportional
// part of x2 - x1, truncated; otherwise the mean of x1 and x2 plus a quarter
// of the green curvature, which rounded down clamps as truncated does.
template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> guidedRule(Vec<V> gc, Vec<V> g1, Vec<V> g2, Vec<V> x1, Vec<V> x2) {
    const Vec<V> zero = V::splat(0), one = V::lowBytes(V::splat(1));
    const Vec<V> curve = V::sub(V::sub(V::add(gc, gc), g1), g2);
    const auto between = V::greater(distance<V>(g1, g2), V::max(curve, V::sub(zero, curve)));
    // Lanes that take the other rule may have g1 = g2: those divide by 1.
    const Vec<V> span = V::select(between, V::sub(g2, g1), one);
    const Vec<V> proportional = V::add(x1, V::quotient(V::sub(x2, x1), V::sub(gc, g1), span));
    const Vec<V> sum = V::add(x1, x2);
    const Vec<V> mean = V::quarterDown(V::add(curve, V::add(sum, sum)));
    return V::select(between, proportional, mean);
}

}  // namespace guided

// Samples through the green table.
template <typename V>
PIXMILL_BLOCK_INLINE std::ptrdiff_t guidedMapRun(const std::uint8_t* in, std::ptrdiff_t count, std::uint8_t* out,
                                                 const RowPlan& plan) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        V::store(out + c, mapThrough<V>(tables, 1, loadOnce<V>(in + c)));
    });
}

// Greens of row r at columns x to x + count - 1 (x even), mapped: a green
// site's mapped sample; elsewhere three quarters of the green above and one
// of the green below, corrected by the site's own colour two rows up (shift
// arithmetic), through the green table.  `m` point at column x of the
// mapped rows r - 2 to r + 1.
template <typename V, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t guidedGreenRun(const std::uint8_t* const* m, std::ptrdiff_t count,
                                                   std::uint8_t* green, const RowPlan& plan) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    using namespace guided;
    constexpr bool colourOdd = colourSite(Row::odd);
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        const Vec<V> own = V::load(m[2] + c);
        const Vec<V> above = lanes<V, colourOdd>(m[1] + c);
        const Vec<V> sum = V::add(V::add(V::add(above, above), above), lanes<V, colourOdd>(m[3] + c));
        const Vec<V> estimate =
            V::quarterDown(V::sub(V::add(sum, colourOdd ? V::highBytes(own) : V::lowBytes(own)),
                                  lanes<V, colourOdd>(m[0] + c)));
        Vec<V> bytes = colourOdd ? V::pack(V::lowBytes(own), estimate) : V::pack(estimate, V::highBytes(own));
        if constexpr (kMapped) {
            const Vec<V> mapped = mapThrough<V>(tables, 1, bytes);
            bytes = colourOdd ? V::byParity(bytes, mapped) : V::byParity(mapped, bytes);
        }
        V::store(green + c, bytes);
    });
}

// Whole pixels of row r at columns x to x + count - 1 (x even) into `out`:
// red and blue by the rule, guided by the finished greens `g` (rows r - 1 to
// r + 1), on the mapped samples `m` (rows r - 2 to r + 2); a red or blue
// site's own colour is its raw sample `raw` (row r) through its table.  A
// green site takes its neighbours' colours along the row and the column, a
// red or blue one the opposite colour along the diagonal of the smaller
// five-gradient sum (ties NE-SW).
template <typename V, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t guidedColourRun(const std::uint8_t* const* m, const std::uint8_t* raw,
                                                    const std::uint8_t* const* g, std::ptrdiff_t count,
                                                    std::uint8_t* out, const RowPlan& plan) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    using namespace guided;
    constexpr bool colourOdd = colourSite(Row::odd), greenOdd = !colourOdd;
    constexpr Site own = colourOdd ? Row::odd : Row::even;
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        // Red or blue lanes.
        const Vec<V> u = lanes<V, colourOdd>(m[2] + c), gc = lanes<V, colourOdd>(g[1] + c);
        const Pair<V> xAbove = beside<V, colourOdd>(m[1] + c), xBelow = beside<V, colourOdd>(m[3] + c);
        const Pair<V> gAbove = beside<V, colourOdd>(g[0] + c), gBelow = beside<V, colourOdd>(g[2] + c);
        const Vec<V> falling = V::add(
            V::add(V::add(distance<V>(u, lanes<V, colourOdd>(m[4] + c + 2)),
                          distance<V>(lanes<V, colourOdd>(m[0] + c - 2), u)),
                   V::add(distance<V>(gc, gBelow.right), distance<V>(gAbove.left, gc))),
            distance<V>(xAbove.left, xBelow.right));
        const Vec<V> rising = V::add(
            V::add(V::add(distance<V>(u, lanes<V, colourOdd>(m[0] + c + 2)),
                          distance<V>(lanes<V, colourOdd>(m[4] + c - 2), u)),
                   V::add(distance<V>(gc, gAbove.right), distance<V>(gBelow.left, gc))),
            distance<V>(xBelow.left, xAbove.right));
        const auto takeFalling = V::greater(rising, falling);
        const Vec<V> opposite =
            guidedRule<V>(gc, V::select(takeFalling, gAbove.left, gBelow.left),
                          V::select(takeFalling, gBelow.right, gAbove.right),
                          V::select(takeFalling, xAbove.left, xBelow.left),
                          V::select(takeFalling, xBelow.right, xAbove.right));
        // Green lanes: their column's neighbours above and below are the
        // right (colourOdd: left) diagonal neighbours of the colour lanes.
        const Vec<V> gGreen = lanes<V, greenOdd>(g[1] + c);
        const Pair<V> gRow = beside<V, greenOdd>(g[1] + c), xRow = beside<V, greenOdd>(m[2] + c);
        const Vec<V> sideways = guidedRule<V>(gGreen, gRow.left, gRow.right, xRow.left, xRow.right);
        const Vec<V> upDown = greenOdd ? guidedRule<V>(gGreen, gAbove.right, gBelow.right, xAbove.right, xBelow.right)
                                       : guidedRule<V>(gGreen, gAbove.left, gBelow.left, xAbove.left, xBelow.left);
        const Vec<V> ownSample = lanes<V, colourOdd>(raw + c);
        Vec<V> ownPlane = colourOdd ? V::pack(sideways, ownSample) : V::pack(ownSample, sideways);
        Vec<V> otherPlane = colourOdd ? V::pack(upDown, opposite) : V::pack(opposite, upDown);
        const Vec<V> greenPlane = V::load(g[1] + c);
        constexpr int ownTable = own == Site::Red ? 2 : 0, otherTable = 2 - ownTable;
        if constexpr (kMapped && !V::kShuffles) {
            // The greens are mapped already.
            const LookupTables colours{plan.tables.red, identityTable.data(), plan.tables.blue};
            if constexpr (own == Site::Red)
                V::storeMapped(out + 3 * c, otherPlane, greenPlane, ownPlane, colours);
            else
                V::storeMapped(out + 3 * c, ownPlane, greenPlane, otherPlane, colours);
        } else {
            if constexpr (kMapped) {
                ownPlane = mapThrough<V>(tables, ownTable, ownPlane);
                otherPlane = mapThrough<V>(tables, otherTable, otherPlane);
            }
            if constexpr (own == Site::Red)
                V::storePixels(out + 3 * c, otherPlane, greenPlane, ownPlane);
            else
                V::storePixels(out + 3 * c, ownPlane, greenPlane, otherPlane);
        }
    });
}

}  // namespace
}  // namespace simd
}  // namespace pm

// The green-guided prefixes of one path, named with its suffix, for
// pixel_paths.h.  Without byte shuffles V maps no samples or greens itself.
#define PIXMILL_GUIDED_BLOCKS(Suffix, V)                                                                           \
    std::ptrdiff_t guidedMapBlocks##Suffix(const std::uint8_t* in, std::ptrdiff_t count, std::uint8_t* out,        \
                                           const RowPlan& plan) {                                                  \
        if constexpr (V::kShuffles) return guidedMapRun<V>(in, count, out, plan);                                  \
        return 0;                                                                                                  \
    }                                                                                                              \
    template <typename Row>                                                                                        \
    std::ptrdiff_t guidedGreenBlocks##Suffix(const std::uint8_t* const* m, std::ptrdiff_t count,                   \
                                             std::uint8_t* green, const RowPlan& plan) {                           \
        if (plan.unmapped) return guidedGreenRun<V, Row, false>(m, count, green, plan);                            \
        if constexpr (V::kShuffles) return guidedGreenRun<V, Row, true>(m, count, green, plan);                    \
        return 0;                                                                                                  \
    }                                                                                                              \
    template <typename Row>                                                                                        \
    std::ptrdiff_t guidedColourBlocks##Suffix(const std::uint8_t* const* m, const std::uint8_t* raw,               \
                                              const std::uint8_t* const* g, std::ptrdiff_t count, std::uint8_t* out, \
                                              const RowPlan& plan) {                                               \
        if (plan.unmapped) return guidedColourRun<V, Row, false>(m, raw, g, count, out, plan);                     \
        return guidedColourRun<V, Row, true>(m, raw, g, count, out, plan);                                         \
    }                                                                                                              \
    PIXMILL_GUIDED_BLOCKS_OF_ROW(Suffix, BlueGreenRow)                                                             \
    PIXMILL_GUIDED_BLOCKS_OF_ROW(Suffix, GreenRedRow)                                                              \
    PIXMILL_GUIDED_BLOCKS_OF_ROW(Suffix, GreenBlueRow)                                                             \
    PIXMILL_GUIDED_BLOCKS_OF_ROW(Suffix, RedGreenRow)

#define PIXMILL_GUIDED_BLOCKS_OF_ROW(Suffix, Row)                                                                  \
    template std::ptrdiff_t guidedGreenBlocks##Suffix<Row>(const std::uint8_t* const*, std::ptrdiff_t,             \
                                                           std::uint8_t*, const RowPlan&);                         \
    template std::ptrdiff_t guidedColourBlocks##Suffix<Row>(const std::uint8_t* const*, const std::uint8_t*,       \
                                                            const std::uint8_t* const*, std::ptrdiff_t,            \
                                                            std::uint8_t*, const RowPlan&);

#endif

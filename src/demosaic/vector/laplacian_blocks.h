// The block loops of the Laplacian-corrected prefixes (laplacian.cpp),
// written once over an instruction-set type V (isa_*.h) and compiled with
// the other blocks of each path (pixels_*.cpp), in 16-bit lanes split by
// column parity as in gradient_blocks.h: each rule runs only on the lanes of
// its site.
//
// The method's main pass reads the greens of its neighbours as they stand
// when it reaches a pixel: mapped above and to the left (finished), unmapped
// estimates to the right and below.  The caller keeps both kinds of green
// rows (estimates and, through tables, their mapped copies), so the blocks
// read each neighbour from the row it stands in and need no order: every
// pixel depends on the rows handed over only.
//
// Of V these use, besides what gradient_blocks.h uses: splat(0) as the zero
// of 16-bit lanes, and storeMapped when V has no byte shuffle.
#ifndef PIXMILL_DEMOSAIC_VECTOR_LAPLACIAN_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_LAPLACIAN_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"
#include "demosaic/vector/table_lookup.h"

namespace pm {
namespace simd {
namespace {

namespace laplacian {

template <typename V>
using Vec = typename V::Vec;

// The lanes of one parity (kOdd) of a load at p: columns x + 2k or
// x + 2k + 1 of a run from an even column x.
template <typename V, bool kOdd>
PIXMILL_BLOCK_INLINE Vec<V> lanes(const std::uint8_t* p) {
    const Vec<V> v = V::load(p);
    return kOdd ? V::highBytes(v) : V::lowBytes(v);
}

// A lane's column and its neighbours to the left and right, for lanes of one
// parity: two loads serve all three.
template <typename V>
struct Across {
    Vec<V> left, centre, right;
};
template <typename V, bool kOdd>
PIXMILL_BLOCK_INLINE Across<V> across(const std::uint8_t* p) {
    const Vec<V> v = V::load(p);
    if constexpr (kOdd)
        return {V::lowBytes(v), V::highBytes(v), V::highBytes(V::load(p + 1))};
    else
        return {V::lowBytes(V::load(p - 1)), V::lowBytes(v), V::highBytes(v)};
}

template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> absolute(Vec<V> v) {
    return V::max(v, V::sub(V::splat(0), v));
}
template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> distance(Vec<V> a, Vec<V> b) {
    return V::sub(V::max(a, b), V::min(a, b));
}

// The green estimate of the red or blue lanes: along the flatter axis (ties
// horizontal), corrected by the second difference of the site's own colour,
// a quarter rounded down; the pack clamps.
template <typename V, bool kOdd>
PIXMILL_BLOCK_INLINE Vec<V> estimate(const std::uint8_t* const* rows, std::ptrdiff_t c) {
    const std::uint8_t* p = rows[2] + c;
    const Across<V> row = across<V, kOdd>(p);
    const Vec<V> x2 = V::add(row.centre, row.centre);
    const Vec<V> horizontalCurve = V::sub(V::sub(x2, lanes<V, kOdd>(p - 2)), lanes<V, kOdd>(p + 2));
    const Vec<V> up = lanes<V, kOdd>(rows[1] + c), down = lanes<V, kOdd>(rows[3] + c);
    const Vec<V> verticalCurve = V::sub(V::sub(x2, lanes<V, kOdd>(rows[0] + c)), lanes<V, kOdd>(rows[4] + c));
    const Vec<V> horizontal = V::add(distance<V>(row.left, row.right), absolute<V>(horizontalCurve));
    const Vec<V> vertical = V::add(distance<V>(up, down), absolute<V>(verticalCurve));
    const Vec<V> sideways = V::add(row.left, row.right), upDown = V::add(up, down);
    const Vec<V> alongRow = V::add(V::add(sideways, sideways), horizontalCurve);
    const Vec<V> alongColumn = V::add(V::add(upDown, upDown), verticalCurve);
    return V::quarterDown(V::select(V::greater(horizontal, vertical), alongColumn, alongRow));
}

// (s1 + s2 + d) / 2 with d = 2 g - g1 - g2, before the clamp of the pack (a
// negative sum clamps to 0 rounded either way).
template <typename V>
PIXMILL_BLOCK_INLINE Vec<V> colourDifference(Vec<V> s1, Vec<V> s2, Vec<V> d) {
    return V::halfDown(V::add(V::add(s1, s2), d));
}

}  // namespace laplacian

// Greens of row r at columns x to x + count - 1 (x even): a green site's
// sample, the estimate elsewhere.  `rows` point at column x of rows r - 2 to
// r + 2.  kMapped: `mapped` takes the same greens through the green table.
template <typename V, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t laplacianGreenRun(const std::uint8_t* const* rows, std::ptrdiff_t count,
                                                      std::uint8_t* green, std::uint8_t* mapped,
                                                      const RowPlan& plan) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    using namespace laplacian;
    constexpr bool colourOdd = colourSite(Row::odd);
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        const Vec<V> own = V::load(rows[2] + c);
        const Vec<V> estimates = estimate<V, colourOdd>(rows, c);
        const Vec<V> bytes = colourOdd ? V::pack(V::lowBytes(own), estimates) : V::pack(estimates, V::highBytes(own));
        V::store(green + c, bytes);
        if constexpr (kMapped) V::store(mapped + c, mapThrough<V>(tables, 1, bytes));
    });
}

// Whole pixels of row r at columns x to x + count - 1 (x even) into `out`,
// as the main pass finishes them.  `rows` point at column x of the samples
// of rows r - 1 to r + 1; `greens` at column x of the greens the pass reads:
// [0] row r - 1 finished, [1] row r's estimates, [2] row r finished (the
// left neighbours'), [3] row r + 1's estimates.  Through tables (kMapped)
// the finished rows are mapped, and the block maps what it computes; with V
// lacking byte shuffles it maps as it stores.  Diagonal ties go to the
// diagonal from upper left to lower right as stored: falling top-down,
// rising bottom-up.
template <typename V, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t laplacianFinishRun(const std::uint8_t* const* rows,
                                                       const std::uint8_t* const* greens, std::ptrdiff_t count,
                                                       std::uint8_t* out, const RowPlan& plan, bool bottomUp) {
    const ReadyPlan<V> tables = readyPlan<V>(plan);
    using namespace laplacian;
    constexpr bool colourOdd = colourSite(Row::odd), greenOdd = !colourOdd;
    constexpr Site own = colourOdd ? Row::odd : Row::even;
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        // Red or blue lanes: the diagonals.
        const Across<V> sAbove = across<V, colourOdd>(rows[0] + c), sBelow = across<V, colourOdd>(rows[2] + c);
        const Across<V> gAbove = across<V, colourOdd>(greens[0] + c), gBelow = across<V, colourOdd>(greens[3] + c);
        const Vec<V> g = lanes<V, colourOdd>(greens[1] + c), g2 = V::add(g, g);
        const Vec<V> risingGreens = V::sub(V::sub(g2, gBelow.left), gAbove.right);
        const Vec<V> fallingGreens = V::sub(V::sub(g2, gBelow.right), gAbove.left);
        const Vec<V> rising = V::add(distance<V>(sAbove.right, sBelow.left), absolute<V>(risingGreens));
        const Vec<V> falling = V::add(distance<V>(sAbove.left, sBelow.right), absolute<V>(fallingGreens));
        const Vec<V> risingValue = colourDifference<V>(sAbove.right, sBelow.left, risingGreens);
        const Vec<V> fallingValue = colourDifference<V>(sAbove.left, sBelow.right, fallingGreens);
        const Vec<V> opposite = bottomUp ? V::select(V::greater(rising, falling), fallingValue, risingValue)
                                         : V::select(V::greater(falling, rising), risingValue, fallingValue);
        // Green lanes: across the row and up and down.  The sample above and
        // below a green lane is the right (colourOdd: left) diagonal of its
        // neighbouring colour lane, loaded above already.
        const Across<V> here = across<V, greenOdd>(rows[1] + c);
        const Vec<V> gc = lanes<V, greenOdd>(greens[1] + c), gc2 = V::add(gc, gc);
        const Vec<V> gLeft = greenOdd ? lanes<V, false>(greens[2] + c) : lanes<V, false>(greens[2] + c - 1);
        const Vec<V> gRight = greenOdd ? lanes<V, true>(greens[1] + c + 1) : lanes<V, true>(greens[1] + c);
        const Vec<V> sUp = greenOdd ? sAbove.right : sAbove.left, sDown = greenOdd ? sBelow.right : sBelow.left;
        const Vec<V> gUp = greenOdd ? gAbove.right : gAbove.left, gDown = greenOdd ? gBelow.right : gBelow.left;
        const Vec<V> sideways = colourDifference<V>(here.left, here.right, V::sub(V::sub(gc2, gLeft), gRight));
        const Vec<V> upDown = colourDifference<V>(sUp, sDown, V::sub(V::sub(gc2, gUp), gDown));
        // The row's own colour: the sample at its sites, the sideways value
        // at green ones; the opposite colour: the diagonal value, up-down.
        const Vec<V> ownSample = lanes<V, colourOdd>(rows[1] + c);
        Vec<V> ownPlane = colourOdd ? V::pack(sideways, ownSample) : V::pack(ownSample, sideways);
        Vec<V> otherPlane = colourOdd ? V::pack(upDown, opposite) : V::pack(opposite, upDown);
        constexpr int ownTable = own == Site::Red ? 2 : 0, otherTable = 2 - ownTable;
        if constexpr (kMapped && !V::kShuffles) {
            const Vec<V> greenPlane = V::load(greens[1] + c);
            if constexpr (own == Site::Red)
                V::storeMapped(out + 3 * c, otherPlane, greenPlane, ownPlane, plan.tables);
            else
                V::storeMapped(out + 3 * c, ownPlane, greenPlane, otherPlane, plan.tables);
        } else {
            if constexpr (kMapped) {
                ownPlane = mapThrough<V>(tables, ownTable, ownPlane);
                otherPlane = mapThrough<V>(tables, otherTable, otherPlane);
            }
            // The finished greens of row r are the green bytes.
            const Vec<V> greenPlane = V::load(greens[2] + c);
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

// The Laplacian-corrected prefixes of one path, named with its suffix, for
// pixel_paths.h.  Without byte shuffles V maps no green rows itself.
#define PIXMILL_LAPLACIAN_BLOCKS(Suffix, V)                                                                        \
    template <typename Row>                                                                                        \
    std::ptrdiff_t laplacianGreenBlocks##Suffix(const std::uint8_t* const* rows, std::ptrdiff_t count,             \
                                                std::uint8_t* green, std::uint8_t* mapped, const RowPlan& plan) {  \
        if (plan.unmapped) return laplacianGreenRun<V, Row, false>(rows, count, green, mapped, plan);              \
        if constexpr (V::kShuffles) return laplacianGreenRun<V, Row, true>(rows, count, green, mapped, plan);      \
        return 0;                                                                                                  \
    }                                                                                                              \
    template <typename Row>                                                                                        \
    std::ptrdiff_t laplacianFinishBlocks##Suffix(const std::uint8_t* const* rows, const std::uint8_t* const* greens, \
                                                 std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan,     \
                                                 bool bottomUp) {                                                  \
        if (plan.unmapped) return laplacianFinishRun<V, Row, false>(rows, greens, count, out, plan, bottomUp);     \
        return laplacianFinishRun<V, Row, true>(rows, greens, count, out, plan, bottomUp);                         \
    }                                                                                                              \
    PIXMILL_LAPLACIAN_BLOCKS_OF_ROW(Suffix, BlueGreenRow)                                                          \
    PIXMILL_LAPLACIAN_BLOCKS_OF_ROW(Suffix, GreenRedRow)                                                           \
    PIXMILL_LAPLACIAN_BLOCKS_OF_ROW(Suffix, GreenBlueRow)                                                          \
    PIXMILL_LAPLACIAN_BLOCKS_OF_ROW(Suffix, RedGreenRow)

#define PIXMILL_LAPLACIAN_BLOCKS_OF_ROW(Suffix, Row)                                                               \
    template std::ptrdiff_t laplacianGreenBlocks##Suffix<Row>(const std::uint8_t* const*, std::ptrdiff_t,          \
                                                              std::uint8_t*, std::uint8_t*, const RowPlan&);       \
    template std::ptrdiff_t laplacianFinishBlocks##Suffix<Row>(const std::uint8_t* const*,                         \
                                                               const std::uint8_t* const*, std::ptrdiff_t,         \
                                                               std::uint8_t*, const RowPlan&, bool);

#endif

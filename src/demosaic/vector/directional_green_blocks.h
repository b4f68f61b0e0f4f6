// The block loop of the directional-green prefix (the 1.1.2.0 build's code
// 6, directional_green_guided.cpp), written once over an instruction-set
// type V (isa_*.h) and compiled with the other blocks of each path
// (pixels_*.cpp), in 16-bit lanes split by column parity as in
// guided_blocks.h, whose lane helpers it shares; the method's red and blue
// are the green-guided colour blocks themselves.
//
// Of V these use the 16-bit lane operations (add, sub, max, min, greater,
// select, quarterDown, lowBytes, highBytes), pack, byParity, load, store and
// the table look-up of table_lookup.h, so without byte shuffles it handles
// only frames whose tables are all the identity.
#ifndef PIXMILL_DEMOSAIC_VECTOR_DIRECTIONAL_GREEN_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_DIRECTIONAL_GREEN_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"
#include "demosaic/vector/guided_blocks.h"
#include "demosaic/vector/table_lookup.h"

namespace pm {
namespace simd {
namespace {

namespace directional {

template <typename V>
PIXMILL_BLOCK_INLINE guided::Vec<V> twice(guided::Vec<V> v) {
    return V::add(v, v);
}

// The sum of one side: three times its near neighbour, the neighbour
// opposite and the site z, less the far neighbour.
template <typename V>
PIXMILL_BLOCK_INLINE guided::Vec<V> sideSum(guided::Vec<V> near, guided::Vec<V> opposite, guided::Vec<V> z,
                                            guided::Vec<V> far) {
    return V::sub(V::add(V::add(twice<V>(near), V::add(near, opposite)), z), far);
}

// A later side replaces the one chosen so far only where its gradient is
// strictly smaller.
template <typename V>
PIXMILL_BLOCK_INLINE void consider(guided::Vec<V> gradient, guided::Vec<V> sum, guided::Vec<V>& best,
                                   guided::Vec<V>& chosen) {
    const auto smaller = V::greater(best, gradient);
    best = V::min(best, gradient);
    chosen = V::select(smaller, sum, chosen);
}

}  // namespace directional

// Greens of row r at columns x to x + count - 1 (x even), mapped: a green
// site's mapped sample; at a red or blue site z the gradients north, east,
// west and south (the row's or column's step across z plus twice the step
// from z to the sample two away on that side), the first smallest winning,
// pick the sum of three times the near neighbour on that side, the one
// opposite and z less the far one, whose quarter (rounded down by the shift)
// the pack clamps for the green table.  `m` point at column x of the mapped
// rows r - 2 to r + 2.
template <typename V, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t directionalGreenRun(const std::uint8_t* const* m, std::ptrdiff_t count,
                                                        std::uint8_t* green, const RowPlan& plan) {
    using namespace guided;
    using namespace directional;
    constexpr bool colourOdd = colourSite(Row::odd);
    const ReadyTable<V> greenTable = readyTable<V>(plan, 1);
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        const Vec<V> own = V::load(m[2] + c);
        const Vec<V> z = colourOdd ? V::highBytes(own) : V::lowBytes(own);
        const Vec<V> n1 = lanes<V, colourOdd>(m[1] + c), n2 = lanes<V, colourOdd>(m[0] + c);
        const Vec<V> s1 = lanes<V, colourOdd>(m[3] + c), s2 = lanes<V, colourOdd>(m[4] + c);
        const Pair<V> near = beside<V, colourOdd>(m[2] + c);
        const Vec<V> w2 = lanes<V, colourOdd>(m[2] + c - 2), e2 = lanes<V, colourOdd>(m[2] + c + 2);
        const Vec<V> across = distance<V>(near.left, near.right), along = distance<V>(n1, s1);
        Vec<V> best = V::add(along, twice<V>(distance<V>(n2, z)));
        Vec<V> chosen = sideSum<V>(n1, s1, z, n2);
        consider<V>(V::add(across, twice<V>(distance<V>(z, e2))), sideSum<V>(near.right, near.left, z, e2), best,
                    chosen);
        consider<V>(V::add(across, twice<V>(distance<V>(w2, z))), sideSum<V>(near.left, near.right, z, w2), best,
                    chosen);
        consider<V>(V::add(along, twice<V>(distance<V>(z, s2))), sideSum<V>(s1, n1, z, s2), best, chosen);
        const Vec<V> estimate = V::quarterDown(chosen);
        Vec<V> bytes = colourOdd ? V::pack(V::lowBytes(own), estimate) : V::pack(estimate, V::highBytes(own));
        if constexpr (kMapped) {
            const Vec<V> mapped = greenTable.at(bytes);
            bytes = colourOdd ? V::byParity(bytes, mapped) : V::byParity(mapped, bytes);
        }
        V::store(green + c, bytes);
    });
}

}  // namespace
}  // namespace simd
}  // namespace pm

// The directional-green prefix of one path, named with its suffix, for
// pixel_paths.h.  Without byte shuffles V maps no greens itself.
#define PIXMILL_DIRECTIONAL_GREEN_BLOCKS(Suffix, V)                                                              \
    template <typename Row>                                                                                      \
    std::ptrdiff_t directionalGreenBlocks##Suffix(const std::uint8_t* const* m, std::ptrdiff_t count,            \
                                                  std::uint8_t* green, const RowPlan& plan) {                    \
        if (plan.unmapped) return directionalGreenRun<V, Row, false>(m, count, green, plan);                     \
        if constexpr (V::kShuffles) return directionalGreenRun<V, Row, true>(m, count, green, plan);             \
        return 0;                                                                                                \
    }                                                                                                            \
    PIXMILL_DIRECTIONAL_GREEN_BLOCKS_OF_ROW(Suffix, BlueGreenRow)                                                \
    PIXMILL_DIRECTIONAL_GREEN_BLOCKS_OF_ROW(Suffix, GreenRedRow)                                                 \
    PIXMILL_DIRECTIONAL_GREEN_BLOCKS_OF_ROW(Suffix, GreenBlueRow)                                                \
    PIXMILL_DIRECTIONAL_GREEN_BLOCKS_OF_ROW(Suffix, RedGreenRow)

#define PIXMILL_DIRECTIONAL_GREEN_BLOCKS_OF_ROW(Suffix, Row)                                                     \
    template std::ptrdiff_t directionalGreenBlocks##Suffix<Row>(const std::uint8_t* const*, std::ptrdiff_t,      \
                                                                std::uint8_t*, const RowPlan&);

#endif

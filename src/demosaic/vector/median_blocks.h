// The block loops of the staged median prefixes (median_stages.h), written
// once over an instruction-set type V (isa_*.h) and compiled with the other
// blocks of each path (pixels_sse2.cpp, pixels_avx.cpp, pixels_avx2.cpp,
// pixels_avx512.cpp).  They give whole pixels: green by the sorted or the
// counted rule, red and blue bilinear.  The three stages are fused: no stage
// reads the image, so computing a pixel's three bytes together gives what
// the passes give.
//
// A row alternates colour sites (red or blue), whose green is estimated, and
// green sites.  A load of a row at an even column, split into its low and
// high bytes, gives 16-bit lanes of one column parity (as in
// gradient_blocks.h), so the colour sites of a block get their neighbours,
// rings, sorting network and counts in 16-bit lanes without any shuffle, and
// join puts the bytes back in column order.  Red and blue are the means of
// the bilinear blocks (pixel_blocks.h), in byte lanes.
//
// The green rule reads its samples through the green table: from rows
// mapped beforehand (mapTableColumns, once per row) or, through identity
// tables, from the raw rows.  What the blocks compute then goes through the
// tables as the stages prescribe: the green of every site (a green site's
// own sample, a colour site's estimate) through the green table, red and
// blue through theirs.  Without byte shuffles V looks the tables up as it
// stores (storeMapped).
//
// Of V these use, besides what pixel_blocks.h uses: lowBytes, highBytes,
// add, sub, max, min, greater (giving a Mask), maskAnd, maskOr, maskAndNot,
// select(mask, a, b), half, quarter, eighth (logical shifts) and join(even,
// odd) (16-bit lanes of 0-255 back to bytes in column order).
#ifndef PIXMILL_DEMOSAIC_VECTOR_MEDIAN_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_MEDIAN_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"
#include "demosaic/vector/pixel_blocks.h"
#include "demosaic/vector/table_lookup.h"

namespace pm {
namespace simd {
namespace {

// The four green neighbours of the block's lanes as loaded: rows -1 and +1
// at the block's column, row 0 one column either side.
template <typename V>
struct Cross {
    typename V::Vec north, east, south, west;
};

template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec add4(typename V::Vec a, typename V::Vec b, typename V::Vec c,
                                          typename V::Vec d) {
    return V::add(V::add(a, b), V::add(c, d));
}

template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec times4(typename V::Vec v) {
    return V::add(V::add(v, v), V::add(v, v));
}

// The bytes of the even (kOdd false) or odd (kOdd true) columns of `v` as
// 16-bit lanes.
template <typename V, bool kOdd>
PIXMILL_BLOCK_INLINE typename V::Vec parityLanes(typename V::Vec v) {
    return kOdd ? V::highBytes(v) : V::lowBytes(v);
}

// Green samples of row dr (-2 to 2), column dc, as parityLanes.
template <typename V, bool kOdd>
PIXMILL_BLOCK_INLINE typename V::Vec greenLanes(const std::uint8_t* const* green, int dr, std::ptrdiff_t dc) {
    return parityLanes<V, kOdd>(V::load(green[dr + 2] + dc));
}

// Twice the mean less the ring's mean, kept between the middle pair.
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec corrected(typename V::Vec mean, typename V::Vec ringMean, typename V::Vec s1,
                                               typename V::Vec s2) {
    return V::min(V::max(V::sub(V::add(mean, mean), ringMean), s1), s2);
}

// Green of the colour sites of a block (column parity kOdd), before the
// green table's second pass, from the cross and rows -2 to +2 of green
// samples (`green`, at the block's column).  The scalar rules count the
// sorted values against the mean.  Since the smallest never exceeds the
// mean and the largest never falls below it, each count follows from
// comparing the middle pair with the mean (and, for the counted rule, one
// extreme), which is what the lanes do.
template <typename V, MedianRule Rule, Site Colour, bool kOdd>
PIXMILL_BLOCK_INLINE typename V::Vec estimatedGreen(const Cross<V>& cross, const std::uint8_t* const* green) {
    using Vec = typename V::Vec;
    const Vec north = parityLanes<V, kOdd>(cross.north), east = parityLanes<V, kOdd>(cross.east);
    const Vec south = parityLanes<V, kOdd>(cross.south), west = parityLanes<V, kOdd>(cross.west);
    const Vec mean = V::quarter(add4<V>(north, east, south, west));
    // The scalar rule's five compare-exchange steps.
    const Vec lowNE = V::min(north, east), highNE = V::max(north, east);
    const Vec lowSW = V::min(south, west), highSW = V::max(south, west);
    const Vec middleA = V::min(highNE, highSW), middleB = V::max(lowNE, lowSW);
    const Vec s1 = V::min(middleA, middleB), s2 = V::max(middleA, middleB);
    const Vec middle = V::half(V::add(s1, s2));

    // The knight's-move ring: its upper-right to lower-left half, then all.
    const Vec diagonalRing = add4<V>(greenLanes<V, kOdd>(green, -2, 1), greenLanes<V, kOdd>(green, -1, 2),
                                     greenLanes<V, kOdd>(green, 1, -2), greenLanes<V, kOdd>(green, 2, -1));
    const Vec otherHalf = add4<V>(greenLanes<V, kOdd>(green, -2, -1), greenLanes<V, kOdd>(green, -1, -2),
                                  greenLanes<V, kOdd>(green, 1, 2), greenLanes<V, kOdd>(green, 2, 1));
    const Vec ring = V::add(diagonalRing, otherHalf);

    if constexpr (Rule == MedianRule::ExactMeanCounted) {
        // Against the exact mean M = sum / 4, in whole numbers: v > M is
        // 4v > sum.  The smallest never counts, so the count is that of
        // s1, s2 and the largest.  Two above: 2M less an eighth of the ring
        // (edge) or a quarter of its diagonal half (corner) is
        // (4 sum - term) / 8, term the ring or twice the half; kept between
        // s1 and s2 and truncated, that is the floor of the larger of it and
        // 8 s1 (no longer negative), then at most s2.
        const Vec sum = add4<V>(north, east, south, west);
        const auto above = [&](Vec v) { return V::greater(times4<V>(v), sum); };
        const auto two = V::maskAndNot(above(s2), above(s1));
        const auto edge = V::maskOr(V::maskAnd(above(north), above(south)), V::maskAnd(above(east), above(west)));
        const Vec term = V::select(edge, ring, V::add(diagonalRing, diagonalRing));
        const Vec low = times4<V>(V::add(s1, s1));
        const Vec estimate =
            V::select(two, V::min(V::eighth(V::max(V::sub(times4<V>(sum), term), low)), s2), middle);
        // None above: all four equal.
        return V::select(above(V::max(highNE, highSW)), estimate, north);
    } else if constexpr (Rule == MedianRule::Sorted) {
        // At or below the mean: two (s1 <= mean < s2), one (mean < s1), three
        // or four (s2 <= mean).
        const Vec estimate = V::select(V::greater(s1, mean), corrected<V>(mean, V::eighth(ring), s1, s2), middle);
        return V::select(V::greater(s2, mean), estimate, north);
    } else {
        // A red site counts the neighbours above the mean, a blue site those
        // at or above it (not below it); two exactly when s2 counts and s1
        // does not.
        const auto two = Colour == Site::Red ? V::maskAndNot(V::greater(s2, mean), V::greater(s1, mean))
                                             : V::maskAndNot(V::greater(mean, s1), V::greater(mean, s2));
        const auto edge = V::maskOr(V::maskAnd(V::greater(north, mean), V::greater(south, mean)),
                                    V::maskAnd(V::greater(east, mean), V::greater(west, mean)));
        const Vec ringMean = V::select(edge, V::eighth(ring), V::quarter(diagonalRing));
        const Vec estimate = V::select(two, corrected<V>(mean, ringMean, s1, s2), middle);
        if constexpr (Colour == Site::Red) {
            // None above (all four equal): the upper neighbour.
            return V::select(V::greater(V::max(highNE, highSW), mean), estimate, north);
        } else {
            // All four at or above (the smallest at the mean): the upper one.
            return V::select(V::greater(mean, V::min(lowNE, lowSW)), estimate, north);
        }
    }
}

// The V::kPixels pixels of a block from an even column `s` of a row of kind
// Row, from green rows -2 to +2 (`green`, at the block's column), before the
// tables.
template <typename V, MedianRule Rule, typename Row>
PIXMILL_BLOCK_INLINE Px<V> medianBlock(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* const* green,
                                       bool rawGreen) {
    constexpr bool odd = colourSite(Row::odd);  // colour sites in odd columns
    constexpr Site colour = odd ? Row::odd : Row::even;
    const auto self = loadOnce<V>(s), up = loadOnce<V>(s - stride), down = loadOnce<V>(s + stride);
    const auto left = loadOnce<V>(s - 1), right = loadOnce<V>(s + 1);
    // The row's own colour: the sample at its sites, the left-right mean at
    // green sites.  The other colour: the diagonal mean at colour sites, the
    // up-down mean at green sites.
    const auto beside = meanDown<V>(left, right), across = meanDown<V>(up, down);
    const auto diagonal = quarterOfSum<V>(loadOnce<V>(s - stride - 1), loadOnce<V>(s - stride + 1),
                                          loadOnce<V>(s + stride - 1), loadOnce<V>(s + stride + 1));
    const auto own = odd ? V::byParity(beside, self) : V::byParity(self, beside);
    const auto other = odd ? V::byParity(across, diagonal) : V::byParity(diagonal, across);

    // Green rows that are the raw rows share the cross loaded already.
    const Cross<V> cross = rawGreen ? Cross<V>{up, right, down, left}
                                    : Cross<V>{loadOnce<V>(green[1]), loadOnce<V>(green[2] + 1),
                                               loadOnce<V>(green[3]), loadOnce<V>(green[2] - 1)};
    const auto estimate = estimatedGreen<V, Rule, colour, odd>(cross, green);
    const auto greenPlane = odd ? V::join(V::lowBytes(self), estimate) : V::join(estimate, V::highBytes(self));
    if constexpr (colour == Site::Blue)
        return {own, greenPlane, other};
    else
        return {other, greenPlane, own};
}

// The blocks of a run.  Mapped, the green rows are `mappedGreen` and the
// pixels go through the tables; otherwise the green rows are the raw rows,
// addressed as the block addresses them so that the shared loads are made
// once.
template <typename V, MedianRule Rule, typename Row, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t medianRun(const std::uint8_t* s, std::ptrdiff_t stride,
                                              const std::uint8_t* const* mappedGreen, std::ptrdiff_t count,
                                              std::uint8_t* out, const RowPlan& plan) {
    if constexpr (!kMapped) {
        return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
            const std::uint8_t* const x = s + c;
            const std::uint8_t* const green[5] = {x - 2 * stride, x - stride, x, x + stride, x + 2 * stride};
            const Px<V> p = medianBlock<V, Rule, Row>(x, stride, green, true);
            V::storePixels(out + 3 * c, p.blue, p.green, p.red);
        });
    } else {
        auto block = [&](std::ptrdiff_t c) __attribute__((always_inline)) {
            const std::uint8_t* const green[5] = {mappedGreen[0] + c, mappedGreen[1] + c, mappedGreen[2] + c,
                                                  mappedGreen[3] + c, mappedGreen[4] + c};
            return medianBlock<V, Rule, Row>(s + c, stride, green, false);
        };
        if constexpr (V::kShuffles) {
            const auto blue = readyTable<V>(plan, 0), green = readyTable<V>(plan, 1), red = readyTable<V>(plan, 2);
            return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
                const Px<V> p = block(c);
                V::storePixels(out + 3 * c, blue.at(p.blue), green.at(p.green), red.at(p.red));
            });
        } else {
            return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
                const Px<V> p = block(c);
                V::storeMapped(out + 3 * c, p.blue, p.green, p.red, plan.tables);
            });
        }
    }
}

// `count` samples from `in` through table k of the plan into `out`.
template <typename V>
PIXMILL_BLOCK_INLINE std::ptrdiff_t mapTableRun(const std::uint8_t* in, std::ptrdiff_t count, std::uint8_t* out,
                                                const RowPlan& plan, int k) {
    const auto table = readyTable<V>(plan, k);
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        V::store(out + c, table.at(loadOnce<V>(in + c)));
    });
}

}  // namespace
}  // namespace simd
}  // namespace pm

// The median prefixes of one path, named with its suffix, for pixel_paths.h.
// Without byte shuffles V maps no samples itself.
#define PIXMILL_MEDIAN_BLOCKS(Suffix, V)                                                                          \
    template <MedianRule Rule, typename Row>                                                                      \
    std::ptrdiff_t medianBlocks##Suffix(const std::uint8_t* s, std::ptrdiff_t stride,                             \
                                        const std::uint8_t* const* mappedGreen, std::ptrdiff_t count,             \
                                        std::uint8_t* out, const RowPlan& plan) {                                 \
        if (plan.unmapped) return medianRun<V, Rule, Row, false>(s, stride, mappedGreen, count, out, plan);       \
        return medianRun<V, Rule, Row, true>(s, stride, mappedGreen, count, out, plan);                           \
    }                                                                                                             \
    std::ptrdiff_t mapTableBlocks##Suffix(const std::uint8_t* in, std::ptrdiff_t count, std::uint8_t* out,        \
                                          const RowPlan& plan, int k) {                                           \
        if constexpr (V::kShuffles) return mapTableRun<V>(in, count, out, plan, k);                               \
        return 0;                                                                                                 \
    }                                                                                                             \
    PIXMILL_MEDIAN_BLOCKS_OF_RULE(Suffix, MedianRule::Sorted)                                                     \
    PIXMILL_MEDIAN_BLOCKS_OF_RULE(Suffix, MedianRule::Counted)                                                    \
    PIXMILL_MEDIAN_BLOCKS_OF_RULE(Suffix, MedianRule::ExactMeanCounted)

#define PIXMILL_MEDIAN_BLOCKS_OF_RULE(Suffix, Rule)            \
    PIXMILL_MEDIAN_BLOCKS_OF_ROW(Suffix, Rule, BlueGreenRow)   \
    PIXMILL_MEDIAN_BLOCKS_OF_ROW(Suffix, Rule, GreenRedRow)    \
    PIXMILL_MEDIAN_BLOCKS_OF_ROW(Suffix, Rule, GreenBlueRow)   \
    PIXMILL_MEDIAN_BLOCKS_OF_ROW(Suffix, Rule, RedGreenRow)

#define PIXMILL_MEDIAN_BLOCKS_OF_ROW(Suffix, Rule, Row)                                                          \
    template std::ptrdiff_t medianBlocks##Suffix<Rule, Row>(const std::uint8_t*, std::ptrdiff_t,                \
                                                            const std::uint8_t* const*, std::ptrdiff_t,          \
                                                            std::uint8_t*, const RowPlan&);

#endif

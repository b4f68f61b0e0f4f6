// What the staged median methods share (sorted-neighbour median, code 3 of
// ConvertBayer2Rgb; counted-neighbour median, code 3 of ConvertBayer2RgbEx;
// the 1.1.2.0 build's counted median against the exact mean, its code 3):
// the four mapped green neighbours of a red or blue site in ascending order,
// the knight's-move rings that correct an estimate, the green stage that
// applies a method's rule, and the method itself (argument checks, green
// stage, red and blue stages, border of 3).
//
// The methods compute the window of rows and columns 2 to size - 4: the
// green estimate reaches two rows and columns from its site, and the window
// keeps three clear of the last row and column.
#ifndef PIXMILL_DEMOSAIC_MEDIAN_STAGES_H
#define PIXMILL_DEMOSAIC_MEDIAN_STAGES_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "demosaic/bayer.h"
#include "demosaic/bilinear_stages.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/vector_paths.h"
#include "frame/border.h"

namespace pm {

// The four green neighbours of a red or blue site (r, c), each mapped through
// the green table, their mean and the same four in ascending order.
struct GreenNeighbours {
    int north, east, south, west;
    int mean;
    int sorted[4];
};

// Minimum and maximum by value, which compilers turn into conditional moves
// rather than branches that random samples would mispredict.
constexpr int lower(int a, int b) { return b < a ? b : a; }
constexpr int higher(int a, int b) { return a < b ? b : a; }

inline GreenNeighbours greenNeighbours(const RawView& raw, std::int64_t r, std::int64_t c,
                                       const std::uint8_t* green) {
    GreenNeighbours n;
    n.north = green[raw(r - 1, c)];
    n.east = green[raw(r, c + 1)];
    n.south = green[raw(r + 1, c)];
    n.west = green[raw(r, c - 1)];
    n.mean = (n.north + n.east + n.south + n.west) >> 2;
    // Five compare-exchange steps: order north with east and south with west;
    // the smaller of the two larger values and the larger of the two smaller
    // ones are the middle pair, ordered last.
    const int lowNE = lower(n.north, n.east), highNE = higher(n.north, n.east);
    const int lowSW = lower(n.south, n.west), highSW = higher(n.south, n.west);
    const int middleA = lower(highNE, highSW), middleB = higher(lowNE, lowSW);
    n.sorted[0] = lower(lowNE, lowSW);
    n.sorted[1] = lower(middleA, middleB);
    n.sorted[2] = higher(middleA, middleB);
    n.sorted[3] = higher(highNE, highSW);
    return n;
}

// Sum of the green-table values of the eight green samples a knight's move
// from (r, c).
inline int knightRing(const RawView& raw, std::int64_t r, std::int64_t c, const std::uint8_t* green) {
    return green[raw(r - 2, c - 1)] + green[raw(r - 2, c + 1)] + green[raw(r - 1, c - 2)] +
           green[raw(r - 1, c + 2)] + green[raw(r + 1, c - 2)] + green[raw(r + 1, c + 2)] +
           green[raw(r + 2, c - 1)] + green[raw(r + 2, c + 1)];
}

// The four of them on the upper-right to lower-left diagonal.
inline int knightDiagonal(const RawView& raw, std::int64_t r, std::int64_t c, const std::uint8_t* green) {
    return green[raw(r - 2, c + 1)] + green[raw(r - 1, c + 2)] + green[raw(r + 1, c - 2)] +
           green[raw(r + 2, c - 1)];
}

// Twice the mean less the ring's mean, kept between the two middle
// neighbours: the correction may overshoot below 0 or above 255, the clamp
// keeps the estimate a value the neighbours support.
inline int correctedEstimate(const GreenNeighbours& n, int ringMean) {
    return std::clamp(2 * n.mean - ringMean, n.sorted[1], n.sorted[2]);
}

// Byte 1 of every pixel of `window` under Bayer layout code 1 to 4: a green
// site's own sample through the green table, a red or blue site's estimate by
// Rule::estimate<Site> (from mapped samples) through the green table again.
template <typename Rule>
void greenStage(RawView raw, ImageView image, std::int32_t layout, const Window& window, const std::uint8_t* green) {
    // Captured by value, as in the bilinear stages.
    forEachSite(layout, window, [=](std::int64_t r, std::int64_t c, auto site) {
        constexpr Site S = decltype(site)::value;
        if constexpr (colourSite(S))
            image.green(r, c) = green[Rule::template estimate<S>(raw, r, c, green)];
        else
            image.green(r, c) = green[raw(r, c)];
    });
}

// Pixels of the first columns of every window row by the vector prefix of
// the plan's path.  Through identity tables the prefix reads the raw frame.
// Through other tables the green rule needs its samples mapped first: the
// window is then walked in strips of columns, and for each strip the five
// rows around the current row are kept mapped in a ring on the stack, each
// row mapped once per strip.  Returns the number of columns done, the same in
// every row.
template <typename Rule>
std::ptrdiff_t medianVectorPrefix(const RawView& raw, const ImageView& image, std::int32_t layout,
                                  const Window& window, const simd::RowPlan& plan) {
    if (plan.path == simd::Path::Scalar) return 0;
    // The widest block (AVX-512's) and a strip of several.
    constexpr std::ptrdiff_t kStrip = 1024, kBlock = 64;
    const std::ptrdiff_t count = window.lastColumn - window.firstColumn + 1;
    std::ptrdiff_t done = 0;
    withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        // Columns first to first + n - 1 of window row r.
        auto run = [&](std::int64_t r, std::ptrdiff_t first, std::ptrdiff_t n, const std::uint8_t* const* green) {
            const std::uint8_t* s = raw.row(r) + window.firstColumn + first;
            std::uint8_t* out = image.pixel(r, window.firstColumn + first);
            return (r & 1) != 0
                       ? simd::medianColumns<Rule::vectorRule, decltype(oddRows)>(s, raw.width, green, n, out, plan)
                       : simd::medianColumns<Rule::vectorRule, decltype(evenRows)>(s, raw.width, green, n, out, plan);
        };
        if (plan.unmapped) {
            for (std::int64_t r = window.firstRow; r <= window.lastRow; ++r) done = run(r, 0, count, nullptr);
            return;
        }
        // Each ring row holds the columns the prefix reads: 2 before the
        // strip to 1 after it.  A strip takes what is left once less than a
        // strip and a block would remain, so none is narrower than a block.
        std::uint8_t ring[5][kStrip + kBlock + 4];
        for (std::ptrdiff_t first = 0; first < count;) {
            const std::ptrdiff_t n = count - first < kStrip + kBlock ? count - first : kStrip;
            auto mapRow = [&](std::int64_t q) {
                const std::uint8_t* from = raw.row(q) + window.firstColumn + first - 2;
                std::uint8_t* to = ring[q % 5];
                // Each row is first read here, a strip at a time, which the
                // processor does not foresee: the next row's part of the
                // strip (within the frame: q is at most height - 2) is
                // fetched while this one is mapped.
                for (std::ptrdiff_t j = 0; j < n + 4; j += 64) __builtin_prefetch(from + raw.width + j);
                for (std::ptrdiff_t j = simd::mapTableColumns(from, n + 4, to, plan, 1); j < n + 4; ++j)
                    to[j] = plan.tables.green[from[j]];
            };
            for (std::int64_t q = window.firstRow - 2; q < window.firstRow + 2; ++q) mapRow(q);
            for (std::int64_t r = window.firstRow; r <= window.lastRow; ++r) {
                mapRow(r + 2);
                const std::uint8_t* green[5];
                for (int k = 0; k < 5; ++k) green[k] = ring[(r - 2 + k) % 5] + 2;
                done = first + run(r, first, n, green);
            }
            first += n;
        }
    });
    return done;
}

// The method behind the three codes.  Sizes of 4 are refused (see methods.h): the
// window is empty there, so nothing the method computes could fill the image.
// The vector prefix takes `path` (none for Scalar).
template <typename Rule>
std::int32_t medianMethod(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                          std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                          const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height) || width < 6 || height < 6) return 0;
    const LookupTables tables{lutRed, lutGreen, lutBlue};
    const RawView raw{src, width};
    const ImageView image{dst, width, height, flipSet(flip)};
    Window window{2, height - 4, 2, width - 4};
    window.firstColumn += medianVectorPrefix<Rule>(raw, image, layout, window, simd::planRows(tables, path));
    greenStage<Rule>(raw, image, layout, window, tables.green);
    bilinearStage<Colour::Red>(raw, image, layout, window, tables.red);
    bilinearStage<Colour::Blue>(raw, image, layout, window, tables.blue);
    // The border of 3 keeps rows and columns 3 to size - 4.  A side of 6 has
    // a window of the one line 2, which that border would replace by line 3,
    // never computed; line 2 is copied onto line 3 first, so that every pixel
    // takes the nearest computed one.  An unknown layout computes nothing and
    // so copies nothing: only the border runs.
    const bool known = layout >= 1 && layout <= 4;
    if (known && width == 6)
        for (std::int64_t r = 0; r < height; ++r) std::memcpy(image.pixel(r, 3), image.pixel(r, 2), 3);
    if (known && height == 6) std::memcpy(image.row(3), image.row(2), static_cast<std::size_t>(width) * 3);
    extendBorder(dst, width, height, flip, 3, 3);
    return 1;
}

}  // namespace pm

#endif

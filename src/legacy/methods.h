// The demosaicing methods that only the earlier builds have.  Every method
// takes (source, destination, width, height, red table, green table, blue
// table, flip flag, Bayer layout code), as the methods of demosaic/methods.h,
// and returns 1 when it produced the image, 0 when it refused its arguments
// (nothing written).  The 1.1.2.0 build passes the caller's tables on
// unchanged and refuses null ones before any method runs.
#ifndef PIXMILL_LEGACY_METHODS_H
#define PIXMILL_LEGACY_METHODS_H

#include <cstdint>

#include "demosaic/vector/vector_paths.h"

namespace pm {

// ---- 1.5.0.1 (forward_windows_1_5_0_1.cpp) --------------------------------

// The mapped forward window without its border (codes 1 of both entries and
// code 5 of ConvertBayer2RgbEx): image rows 0 to height - 2 as the current
// build's mapped window computes them, then, under Bayer layout code 1 only,
// memory row 1 copied over memory row 0.  Image row height - 1 keeps what
// the destination held (that build writes no more), except under layout code
// 1 with the flip flag set, where it is memory row 0 and so takes a copy of
// image row height - 2.  Unknown layout codes write nothing and give 1.
std::int32_t mappedWindowUnbordered(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                    std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                    const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);

// The forward window, never smoothed and without its border (code 5 of
// ConvertBayer2Rgb): rows and columns 0 to size - 2; the last row and column
// keep what the destination held.  Unknown layout codes write nothing, give 1.
std::int32_t forwardWindowUnbordered(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                     std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                     const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);

// ---- 1.1.2.0 --------------------------------------------------------------

// Two-by-two interpolation (code 1, two_by_two.cpp): the forward window,
// never smoothed, with its border of 1 - the current build's code 5 while
// its smoothing flag is clear.
std::int32_t twoByTwo(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                      const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                      std::uint32_t flip, std::int32_t layout);

// Floating-point counted-neighbour median (code 3, float_counted_median.cpp):
// the counted-neighbour median of the current build's ConvertBayer2RgbEx code
// 3 with another green rule.  It counts the four mapped green neighbours
// strictly above their exact mean M (a multiple of 0.25) at red and blue
// sites alike; one or three: the mean of the middle two; two: 2M less 1/8 of
// the eight-sample knight's-move ring (edge) or 1/4 of its upper-right to
// lower-left half (corner), in double precision, clamped to the middle two
// and truncated; none or four: the upper neighbour.  Sizes, tiny frames and
// unknown layout codes as the staged median methods of demosaic/methods.h:
// a side of 4 is refused, a side of 6 gives the one computed line, unknown
// layouts only run the border step.
std::int32_t floatCountedMedian(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);
// The same on the vector path the caller names (see demosaic/method_paths.h).
std::int32_t floatCountedMedianOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                  std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                  const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout,
                                  simd::Stores stores = simd::Stores::Auto);

// Directional-gradient green with green-guided colour (code 6,
// directional_green_guided.cpp).  Green at a red or blue site along the
// smallest of four one-sided gradients (north, east, west, south, first wins
// a tie) from samples mapped through the green table; red and blue follow
// the green stored in the image linearly between two neighbours, or take
// their mean plus a quarter of the green curvature at a green extremum, on
// the diagonal of smaller gradient at the opposite colour.  Window rows and
// columns 2 to size - 4, border of 3.  Decisions where the rules leave the
// outcome open:
//  - Negative green estimates and negative guided values become 0 before
//    the table look-up (255 or more already becomes 255).
//  - The green the colour stages read outside the window: row height - 3
//    and column width - 3 are computed by the green rule (it stays inside
//    the frame there, and under layout code 4 this is the value the stage's
//    own pass gives at column width - 3 of odd rows); row 1 and column 1,
//    where the rule would read before the frame, take the nearest computed
//    green (row 2, column 2).  Column 1 of layout code 4's odd rows is
//    therefore not computed by the rule.  All these bytes, and every pixel
//    they feed in rows and columns 2, are replaced by the border.
//  - Tiny frames as the staged median methods: a side of 4 is refused (no
//    pixel can be computed), a side of 6 gives the one computed line 2
//    everywhere along it.
//  - Unknown layout codes compute nothing and only run the border step.
std::int32_t directionalGreenGuided(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                    std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                    const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);
// The same on the vector path the caller names (see demosaic/method_paths.h).
std::int32_t directionalGreenGuidedOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst,
                                      std::int32_t width, std::int32_t height, const std::uint8_t* lutRed,
                                      const std::uint8_t* lutGreen, const std::uint8_t* lutBlue, std::uint32_t flip,
                                      std::int32_t layout, simd::Stores stores = simd::Stores::Auto);

// Colour-difference interpolation (code 5, colour_difference_planes.cpp):
// the frame split into red, green and blue, green-minus-blue and
// green-minus-red estimated at every site and the missing colours rebuilt
// from them, rows and columns 0 to size - 2 written through the tables,
// border of 3.  It was written for static planes of 1800 entries per row and
// 2400 rows (including one row and column before the image and two after it
// that the steps address, all 0), shared by every call; it now works row by
// row on static lines with the same contents.  Decisions where the rules
// leave the outcome open, and mended faults:
//  - An image whose planes would not fit (width above 1796 or height above
//    2396) is refused with 0.
//  - Calls are serialised by a lock of this method's own, since overlapping
//    calls would corrupt each other's lines.
//  - Every call fills each entry it reads (the image's and the margins')
//    for its own frame, so each call gives the image the same call gives on
//    a freshly loaded library: no output depends on earlier calls.
//  - The never-written last image row and column take the last computed row
//    and column before the border, which changes nothing at sides of 6 or
//    more (the border replaces them) and makes a side of 4 an image of
//    computed pixels rather than of the destination's previous contents.
//  - Unknown layout codes are refused with 0.
//  - Both floating-point estimates give what they give in double precision
//    in the order written (computed with one single-precision division where
//    that is exact, and in double precision where not); the neighbour means
//    truncate toward zero.
std::int32_t colourDifferencePlanes(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                    std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                    const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);
// The same on the vector path the caller names (see demosaic/method_paths.h).
std::int32_t colourDifferencePlanesOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst,
                                      std::int32_t width, std::int32_t height, const std::uint8_t* lutRed,
                                      const std::uint8_t* lutGreen, const std::uint8_t* lutBlue, std::uint32_t flip,
                                      std::int32_t layout, simd::Stores stores = simd::Stores::Auto);
// Its first step, for the test that compares it with the double recipe
// over every input: at n green sites, g0[i] less the edge-weighted estimate
// from the colour samples a[i] and c[i] on either side and the next green
// g2[i] along the line, on the plan's path.  `whole` is scratch for n + 15
// entries.
void colourDifferenceEstimates(const simd::RowPlan& plan, const std::int16_t* a, const std::int16_t* c,
                               const std::int16_t* g0, const std::int16_t* g2, std::int64_t n,
                               std::int16_t* difference, std::int16_t* whole);

}  // namespace pm

#endif

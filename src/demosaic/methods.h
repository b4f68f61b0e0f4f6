// The demosaicing methods behind the method codes.  Every method takes
// (source, destination, width, height, red table, green table, blue table,
// flip flag, Bayer layout code) with the tables never null, and returns 1 when
// it produced the image, 0 when it refused its arguments (nothing written).
#ifndef PIXMILL_DEMOSAIC_METHODS_H
#define PIXMILL_DEMOSAIC_METHODS_H

#include <cstdint>

namespace pm {

using Method = std::int32_t (*)(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);

// Means of two or four neighbours in the 3 x 3 neighbourhood (bilinear.cpp).
std::int32_t bilinear(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                      const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                      std::uint32_t flip, std::int32_t layout);

// Forward window, means on raw samples (forward_window.cpp).  Green sites are
// smoothed while the process-wide smoothing flag is set; the flag is read at
// every green site of the scalar kernel and once per block (16 or 32
// pixels) of its vector prefix, so a flag set mid-conversion takes effect
// within 32 pixels.
// Border of 1.  Unknown layout codes only run the border.
std::int32_t forwardWindow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                           const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                           std::uint32_t flip, std::int32_t layout);

// Forward window on mapped samples, walked in groups of four columns whose
// last group (columns width - 4 to width - 1) is filled by pairs
// (mapped_window.cpp).  Never reads the smoothing flag; border of 1; null
// tables are taken as the identity.  Every even width of 4 or more is
// accepted: the last group is always the last four columns, and all columns
// before it (none for width 4, two for width 6, width - 4 in general) follow
// the plain pixel rule.  For widths that are multiples of 4 from 8 this is
// the grouped walk exactly.
std::int32_t mappedWindow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                          const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                          std::uint32_t flip, std::int32_t layout);

// The always-smoothed forward window written a quarter turn round into a
// destination of `width` rows of `height` pixels (rotated_two_by_two.cpp):
// source pixel (r, x) goes to row x, column height - 1 - r, or column r with
// the flip flag.  Does not read the smoothing flag.  Its border step copies
// the column next to the source's last row into that row's column and then
// the destination's next-to-last row over its last row (the source's last
// column, which nothing computes), so every destination byte is written.
// Unknown layout codes only run that border step.
std::int32_t rotatedTwoByTwo(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                             const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                             std::uint32_t flip, std::int32_t layout);

// Offset bilinear (offset_bilinear.cpp): the bilinear rule with green at a
// red site from all four orthogonal neighbours, the pixel of raw site (r, c)
// stored at image pixel (r - 1, c - 1); border of 2.  Unknown layout codes
// only run the border.  Tiny frames: at a width of 4 the border would spread
// image column 2, which no site fills, over every row; that column takes
// column 1 (raw column 2) first, and at a height of 4 image row 2 likewise
// takes row 1 (raw row 2), so every pixel is computed (a 4 x 4 frame gives
// raw site (2, 2) everywhere).  Every other size is the plain rule.
std::int32_t offsetBilinear(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                            const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                            std::uint32_t flip, std::int32_t layout);

// Gradient-directed green, red and blue from colour differences
// (gradient_directed.cpp); window rows 1 to height - 3 and columns 1 to
// width - 3, border of 2.  Every accepted call, unknown layout codes
// included, first sends "Hello, Edge Sensing!" through debugOutput; a
// refused call sends nothing.  Unknown layout codes run no stage, only the
// border.  The green the red and blue stages read outside the window: row
// height - 2 and column width - 2 are computed by the green rule (it stays
// inside the frame there); row 0 and column 0 take the nearest computed
// green (row 1, column 1).  All of these bytes are replaced by the border.
// Tiny frames: at a width of 4 image column 2 takes the whole pixels of
// column 1 before the border, at a height of 4 image row 2 those of row 1,
// so the image is that of the window (a 4 x 4 frame gives pixel (1, 1)
// everywhere) and never what the destination held.
std::int32_t gradientDirected(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                              const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                              std::uint32_t flip, std::int32_t layout);
// The same method without the debugger message (the 1.1.2.0 build's code 4).
std::int32_t gradientDirectedQuiet(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                   std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                   const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);

// The staged median methods (median_stages.h): a green stage, then the red
// and blue stages of bilinear means (bilinear_stages.h), each writing its
// byte over rows and columns 2 to size - 4, then a border of 3.  At a red or
// blue site green is estimated from the four green neighbours mapped through
// the green table, and the estimate goes through the green table again (a
// non-linear green table is applied twice there, once at green sites).
// Decisions where the rules leave the outcome open:
//  - A width or height of 4 is refused (0, nothing written): the window is
//    empty and no pixel can be computed, so the image would be whatever the
//    destination held.
//  - A width or height of 6 has a window one line deep (line 2), which the
//    border of 3 would replace by line 3, never written.  There every pixel
//    takes the nearest computed pixel instead: at a height of 6 every image
//    row equals image row 2, at a width of 6 every column equals column 2
//    (so a 6 x 6 image is pixel (2, 2) throughout), while a side of 8 or
//    more keeps its border of 3.  All other sizes follow the border of 3
//    exactly.
//  - Layout codes outside 1 to 4 compute nothing, read nothing from the raw
//    frame, and run the border step (as above) over the destination's
//    previous contents; the result is 1, as for the other methods.
// On AVX2 processors (chosen at run time) a vector prefix computes nearly
// every pixel of the window with the same bytes as the stages; through
// tables other than the identity it keeps a ring of five mapped rows of at
// most 547 samples on the stack.

// Sorted-neighbour median (ConvertBayer2Rgb code 3, sorted_median.cpp): with
// two neighbours at or below their mean, the mean of the middle two; with
// one, twice the mean less the mean of the eight-sample knight's-move ring,
// clamped to the middle two; with three or four, the upper neighbour.
std::int32_t sortedMedian(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                          const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                          std::uint32_t flip, std::int32_t layout);

// Counted-neighbour median (ConvertBayer2RgbEx code 3, counted_median.cpp):
// counts the neighbours above the mean (strictly at red sites, at or above
// at blue sites); one or three: the mean of the middle two; two: twice the
// mean less the ring's mean, clamped to the middle two, where the ring is
// the eight knight's-move samples when the two larger neighbours face each
// other and the four on the upper-right to lower-left diagonal when they
// meet at a corner; none or four: the upper neighbour.
std::int32_t countedMedian(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                           const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                           std::uint32_t flip, std::int32_t layout);
// Green-guided interpolation (green_guided.cpp): greens of rows and columns 2
// to size - 3, then red and blue of rows and columns 3 to size - 4 guided by
// them, then a border of 3.  Refuses (0, nothing written) null images, odd
// sizes and sizes of 3 or less.  Decisions where the rules leave it open:
// - Layout codes outside 1 to 4 read nothing: the passes are left out, the
//   border of 3 still runs over what the destination held, and the result
//   is 1, as for the other bordered methods.
// - Width or height 4 or 6 leaves no pixel whose red and blue the passes can
//   compute, while the border replicates memory pixel (3, 3) and its row and
//   column.  Every pixel therefore first takes the samples of its own two-by-
//   two cell through the tables (red and blue sample; green its own sample at
//   a green site, else the mean of the cell's two greens, rounded down); the
//   green pass then overwrites the greens it computes.  The image depends on
//   the raw frame and the tables only.  Larger frames never use the cells.
// On a vector path, frames of 8 x 8 or more run the passes fused row by row
// over rows kept on the stack (no allocation); the image is the same.
std::int32_t greenGuided(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                         const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                         std::uint32_t flip, std::int32_t layout);

// Laplacian-corrected gradient interpolation (laplacian.cpp), held under the
// method lock for the whole call.  Computes rows 2 to 2 * (height / 2) - 3
// and columns 2 to 2 * (width / 2) - 3; no border step.  Tests nothing and
// returns 1 (the entry has refused null images).  Decisions where the rules
// leave it open:
// - The frame around the computed area is left as the caller supplied it,
//   apart from the green bytes the flip prologue writes (bottom-up, layout
//   codes 3 and 4: source rows 0 and 1, columns 2 to 2 * (width / 2) - 3).
// - The main pass reads greens of the frame pixels next to the computed area
//   (rows 1 and 2 * (height / 2) - 2, columns 1 and 2 * (width / 2) - 2).
//   Instead of the bytes the destination happens to hold there, it uses the
//   prologue's rule, computed where read and never stored: a green site's
//   own sample, else the mean of its four orthogonal samples rounded down.
//   Where the prologue has written, this is the value it wrote; every
//   computed pixel depends on the raw frame and the tables only.
// - The prologue needs source rows 0 to 2: frames lower than 3 rows skip it.
// - Odd widths and heights are walked with the true row length over the
//   even-sized part, so the odd last row or column is frame; nothing outside
//   the buffers is read or written for any size, negative ones included.
// - Layout codes outside 1 to 4, and frames with fewer than 6 columns or rows,
//   compute nothing (the prologue may still run); the result is 1.
std::int32_t laplacianGradient(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                               std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                               const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);

}  // namespace pm

#endif

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

}  // namespace pm

#endif

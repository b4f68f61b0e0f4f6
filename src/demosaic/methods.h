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
// every green site of the scalar kernel and once per 16 pixels of its vector
// prefix, so a flag set mid-conversion takes effect within 16 pixels.
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
// With AVX2 and a green table other than the library's identity, the vector
// passes work on samples mapped through the green table, one band of 36 rows
// at a time in a buffer allocated for the call (36 bytes per column); if it
// cannot be allocated, the scalar kernels do the whole image.
std::int32_t greenGuided(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                         const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                         std::uint32_t flip, std::int32_t layout);
// The same with the vector prefixes left out when `vectorPrefixes` is false.
std::int32_t greenGuidedWith(bool vectorPrefixes, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                             std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                             const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);

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
// The same with the vector prefixes left out when `vectorPrefixes` is false,
// so tests can hold them against the scalar kernels.
std::int32_t laplacianGradientWith(bool vectorPrefixes, const std::uint8_t* src, std::uint8_t* dst,
                                   std::int32_t width, std::int32_t height, const std::uint8_t* lutRed,
                                   const std::uint8_t* lutGreen, const std::uint8_t* lutBlue, std::uint32_t flip,
                                   std::int32_t layout);

}  // namespace pm

#endif

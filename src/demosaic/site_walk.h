// The walk shared by the staged methods (median, gradient-directed, green-
// guided, Laplacian-corrected): a flip-aware view of the destination image
// and one loop that visits every position of a rectangular window with its
// site known at compile time.
//
// Staged methods write one byte of each pixel per pass and read bytes that an
// earlier pass stored (green, mostly) back from the image, always by image
// row; the view turns an image row into its memory row once, so no stage
// repeats the flip arithmetic.
#ifndef PIXMILL_DEMOSAIC_SITE_WALK_H
#define PIXMILL_DEMOSAIC_SITE_WALK_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "demosaic/bayer.h"

namespace pm {

// An RGB image of `width` x `height` pixels of three bytes, addressed by image
// row: with `bottomUp` set, image row r is stored in memory row height - 1 - r.
struct ImageView {
    std::uint8_t* base;
    std::int32_t width;
    std::int32_t height;
    bool bottomUp;

    std::uint8_t* row(std::int64_t r) const {
        return imageRow(base, r, height, static_cast<std::size_t>(width) * 3, bottomUp);
    }
    std::uint8_t* pixel(std::int64_t r, std::int64_t c) const { return row(r) + 3 * static_cast<std::size_t>(c); }
    // The green byte of pixel (r, c).
    std::uint8_t& green(std::int64_t r, std::int64_t c) const { return pixel(r, c)[1]; }
    // Bytes from a pixel to the same column of the next image row: negative
    // bottom-up, so kernels can address neighbours from one pixel pointer.
    std::ptrdiff_t rowStep() const {
        const auto bytes = static_cast<std::ptrdiff_t>(width) * 3;
        return bottomUp ? -bytes : bytes;
    }
};

// A raw frame of one byte per sample, addressed by (row, column).
struct RawView {
    const std::uint8_t* base;
    std::int32_t width;

    const std::uint8_t* row(std::int64_t r) const {
        return base + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    }
    unsigned operator()(std::int64_t r, std::int64_t c) const { return row(r)[c]; }
};

// Inclusive bounds of the positions a pass computes.  Empty when first > last
// in either direction.
struct Window {
    std::int64_t firstRow, lastRow, firstColumn, lastColumn;
};

// Compile-time site tag handed to the visitor: `decltype(site)::value`.
template <Site S>
using SiteTag = std::integral_constant<Site, S>;

namespace detail {

template <typename Row, typename Visit>
inline void visitRow(std::int64_t r, const Window& w, Visit& visit) {
    std::int64_t c = w.firstColumn;
    if (c > w.lastColumn) return;
    if ((c & 1) != 0) visit(r, c++, SiteTag<Row::odd>{});
    for (; c < w.lastColumn; c += 2) {
        visit(r, c, SiteTag<Row::even>{});
        visit(r, c + 1, SiteTag<Row::odd>{});
    }
    if (c == w.lastColumn) visit(r, c, SiteTag<Row::even>{});
}

}  // namespace detail

// Calls visit(row, column, SiteTag<site>) for every position of `w` under
// Bayer layout code 1 to 4, rows in increasing order and, within a row,
// columns in increasing order (the order the Laplacian-corrected method
// relies on; for the other methods any order gives the same image).
// Returns false, visiting nothing, for any other layout code.
template <typename Visit>
bool forEachSite(std::int32_t layout, const Window& w, Visit&& visit) {
    return withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        for (std::int64_t r = w.firstRow; r <= w.lastRow; ++r) {
            if ((r & 1) != 0)
                detail::visitRow<decltype(oddRows)>(r, w, visit);
            else
                detail::visitRow<decltype(evenRows)>(r, w, visit);
        }
    });
}

// Calls fn(Row{}) with the row kind of image row r under Bayer layout code
// 1 to 4 (nothing for other codes): for row kernels and vector prefixes that
// take the kind as a template argument.
template <typename Fn>
void withRowKind(std::int32_t layout, std::int64_t r, Fn&& fn) {
    withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        if ((r & 1) != 0)
            fn(oddRows);
        else
            fn(evenRows);
    });
}

// Whether a site type is a red or blue sample (one whose green is missing).
constexpr bool colourSite(Site s) { return s == Site::Red || s == Site::Blue; }

}  // namespace pm

#endif

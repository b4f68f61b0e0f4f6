// Forward-window interpolation on mapped samples (ConvertBayer2Rgb code 1,
// ConvertBayer2RgbEx codes 1 and 5): like the forward window of codes 5 and
// 7, but every sample goes through its table first and green at a red or blue
// site is the mean of the two mapped greens.  Never smoothed at green sites.
#include <cstddef>
#include <cstring>

#include "demosaic/bayer.h"
#include "demosaic/forward_window_kernel.h"
#include "demosaic/mapped_window.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"
#include "frame/border.h"
#include "frame/library_state.h"

namespace pm {
namespace {

// Writes the pixel of site type S at `s` (stride: source row length).  In the
// last group of a row (LoneGreen) a red or blue site takes the mapped right
// neighbour alone as its green instead of the mean.
template <Site S, bool LoneGreen = false>
inline void mappedPixel(const std::uint8_t* s, std::ptrdiff_t stride, const LookupTables& t, std::uint8_t* out) {
    const std::uint8_t self = s[0], right = s[1], below = s[stride], diagonal = s[stride + 1];
    switch (S) {
        case Site::GreenInBlueRow:
            out[0] = t.blue[right];
            out[1] = t.green[self];
            out[2] = t.red[below];
            break;
        case Site::GreenInRedRow:
            out[0] = t.blue[below];
            out[1] = t.green[self];
            out[2] = t.red[right];
            break;
        case Site::Blue:
            out[0] = t.blue[self];
            out[1] = LoneGreen ? t.green[right] : static_cast<std::uint8_t>((t.green[below] + t.green[right]) >> 1);
            out[2] = t.red[diagonal];
            break;
        case Site::Red:
            out[0] = t.blue[diagonal];
            out[1] = LoneGreen ? t.green[right] : static_cast<std::uint8_t>((t.green[below] + t.green[right]) >> 1);
            out[2] = t.red[self];
            break;
    }
}

// Row r (not the last row), every column.  The last four columns form the
// row's last group, filled by pairs: the even column of each pair by the
// pixel rule with a lone green, the odd column as its copy, so no window
// reaches past the last column.  Every column before them follows the plain
// pixel rule, walked in pairs; the vector prefix of the plan's path may take
// the first of them (an even number, keeping the pairs aligned).
template <typename Row>
void mappedRow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height, std::int64_t r,
               const simd::RowPlan& plan, bool bottomUp) {
    const LookupTables& tables = plan.tables;
    const std::ptrdiff_t stride = width;
    const std::ptrdiff_t lastGroup = width - 4;
    const std::uint8_t* s = src + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    std::uint8_t* out = imageRow(dst, r, height, static_cast<std::size_t>(width) * 3, bottomUp);
    std::ptrdiff_t c = simd::mappedWindowColumns<Row>(s, stride, lastGroup, plan, out);
    for (; c < lastGroup; c += 2) {
        mappedPixel<Row::even>(s + c, stride, tables, out + 3 * c);
        mappedPixel<Row::odd>(s + c + 1, stride, tables, out + 3 * (c + 1));
    }
    for (c = lastGroup; c < width; c += 2) {
        mappedPixel<Row::even, true>(s + c, stride, tables, out + 3 * c);
        std::memcpy(out + 3 * (c + 1), out + 3 * c, 3);
    }
}

}  // namespace

bool mappedWindowImage(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                       const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                       bool bottomUp, std::int32_t layout, simd::Path path, std::int32_t rowEnds,
                       simd::Stores stores) {
    const LookupTables tables{tableOrIdentity(lutRed), tableOrIdentity(lutGreen), tableOrIdentity(lutBlue)};
    const simd::RowPlan plan = simd::planRows(tables, path, bgrImageBytes(width, height), stores);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    // One pass from top to bottom, each row with the kernel of its kind.
    const bool known = withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        for (std::int64_t r = 0; r < height - 1; ++r) {
            if ((r & 1) == 0)
                mappedRow<decltype(evenRows)>(src, dst, width, height, r, plan, bottomUp);
            else
                mappedRow<decltype(oddRows)>(src, dst, width, height, r, plan, bottomUp);
            if (rowEnds > 0) extendRowEnds(imageRow(dst, r, height, rowBytes, bottomUp), width, rowEnds, 3);
        }
    });
    simd::finishRows(plan);
    return known;
}

// Widths that are not a multiple of 4, or below 8, keep the last group as the
// last four columns and give every column before it the plain pixel rule
// (see methods.h); the entry accepts them, so they must give a sound image.
std::int32_t mappedWindowOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                            std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                            const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout,
                            simd::Stores stores) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    // The last row has no window; the border replaces it, the first row and
    // the outer columns by the nearest kept pixels: the ends of each
    // computed row while it is in cache, then the edge rows.
    if (mappedWindowImage(src, dst, width, height, lutRed, lutGreen, lutBlue, flipSet(flip), layout, path, 1, stores))
        extendEdgeRows(dst, width, height, 1, 3);
    else
        extendBorder(dst, width, height, flip, 1, 3);
    return 1;
}

std::int32_t mappedWindow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                          const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                          std::uint32_t flip, std::int32_t layout) {
    return mappedWindowOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

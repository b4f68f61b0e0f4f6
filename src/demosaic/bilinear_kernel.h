// The bilinear pixel rule shared by bilinear interpolation (method code 2)
// and offset bilinear interpolation (method code 0): each missing colour of a
// site is the mean of the two or four nearest samples of that colour in its
// 3 x 3 neighbourhood, taken on raw samples; the tables map the mean.
//
// The two methods differ in two places only, each a template parameter:
//   Green  - which neighbours give green at a red site (simd::RedSiteGreen:
//            the lower and left ones for code 2, all four for code 0);
//   Offset - where the pixel of raw site (r, c) lands: image pixel
//            (r - Offset, c - Offset), 0 for code 2 and 1 for code 0.
#ifndef PIXMILL_DEMOSAIC_BILINEAR_KERNEL_H
#define PIXMILL_DEMOSAIC_BILINEAR_KERNEL_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/forward_window_kernel.h"
#include "demosaic/vector/vector_paths.h"

namespace pm {

using simd::RedSiteGreen;

// The values of the site of type S at `s`, before the tables; `stride` is the
// source row length.  Sums of unmapped samples; every shift discards the
// remainder.
template <Site S, RedSiteGreen Green>
inline ChannelValues bilinearValues(const std::uint8_t* s, std::ptrdiff_t stride) {
    const std::uint32_t up = s[-stride], down = s[stride], left = s[-1], right = s[1];
    auto diagonals = [&]() -> std::uint32_t {
        return std::uint32_t{s[-stride - 1]} + s[-stride + 1] + s[stride - 1] + s[stride + 1];
    };
    switch (S) {
        case Site::GreenInBlueRow:
            return {(left + right) >> 1, s[0], (up + down) >> 1};
        case Site::GreenInRedRow:
            return {(up + down) >> 1, s[0], (left + right) >> 1};
        case Site::Blue:
            return {s[0], (down + left + up + right) >> 2, diagonals() >> 2};
        case Site::Red:
        default:
            return {diagonals() >> 2,
                    Green == RedSiteGreen::LowerLeft ? ((down + left) * 2) >> 2 : (down + left + up + right) >> 2,
                    s[0]};
    }
}

// Stores the pixel of raw site (r, c) at image pixel (r - Offset, c - Offset)
// through the three tables, image rows placed by the flip flag.  Every pixel
// it stores is plain 8-bit blue, green, red, so the vector prefix serves it.
template <int Offset>
struct BilinearWriter {
    std::uint8_t* image;
    std::int32_t width;
    std::int32_t height;
    bool bottomUp;
    LookupTables tables;

    struct Cursor {
        std::uint8_t* out;  // the image pixel of raw column Offset
        LookupTables tables;
        std::uint8_t* pixel(std::ptrdiff_t column) const { return out + 3 * (column - Offset); }
        void operator()(std::ptrdiff_t column, const ChannelValues& v) const {
            std::uint8_t* px = pixel(column);
            px[0] = tables.blue[v.blue];
            px[1] = tables.green[v.green];
            px[2] = tables.red[v.red];
        }
    };
    Cursor row(std::int64_t r) const {
        return {imageRow(image, r - Offset, height, static_cast<std::size_t>(width) * 3, bottomUp), tables};
    }
};

// Raw row r, raw columns 1 to width - 2 walked in pairs (odd column, even
// column).  The vector prefix of the plan's path may compute the first
// columns (an even number of them, so the pairs stay aligned); the scalar
// loop finishes the row.
template <typename Row, RedSiteGreen Green, typename Writer>
inline void bilinearRow(const std::uint8_t* src, std::int32_t width, std::int64_t r, const Writer& writer,
                        const simd::RowPlan& plan) {
    const std::ptrdiff_t stride = width;
    // Seen from column 1, the row's odd-column site comes first.
    using FromColumnOne = RowKind<Row::odd, Row::even>;
    const std::uint8_t* s = src + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    const auto put = writer.row(r);
    const std::ptrdiff_t done =
        simd::bilinearColumns<FromColumnOne, Green>(s + 1, stride, width - 2, plan, put.pixel(1));
    for (std::ptrdiff_t c = 1 + done; c < width - 1; c += 2) {
        put(c, bilinearValues<Row::odd, Green>(s + c, stride));
        put(c + 1, bilinearValues<Row::even, Green>(s + c + 1, stride));
    }
}

// Raw rows 1 to height - 2 of Bayer layout code 1 to 4, in one pass from top
// to bottom (no pixel reads another, so any order gives the same image; one
// pass keeps the source rows in cache).  The vector path is chosen once,
// here, with the tables prepared for it.  afterRow(r) runs right after raw
// row r is written, while it is in cache.  Returns false, having written
// nothing, for any other code.
template <RedSiteGreen Green, typename Writer, typename AfterRow = void (*)(std::int64_t)>
bool bilinearImage(std::int32_t layout, const std::uint8_t* src, std::int32_t width, std::int32_t height,
                   const Writer& writer, simd::Path path = simd::bestPath(),
                   AfterRow&& afterRow = [](std::int64_t) {}, simd::Stores stores = simd::Stores::Auto) {
    const simd::RowPlan plan = simd::planRows(writer.tables, path, bgrImageBytes(width, height), stores);
    const bool known = withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        for (std::int64_t r = 1; r < height - 1; ++r) {
            if ((r & 1) != 0)
                bilinearRow<decltype(oddRows), Green>(src, width, r, writer, plan);
            else
                bilinearRow<decltype(evenRows), Green>(src, width, r, writer, plan);
            afterRow(r);
        }
    });
    simd::finishRows(plan);
    return known;
}

}  // namespace pm

#endif

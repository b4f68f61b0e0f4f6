// Two-by-two interpolation with rotated output (method code 9): the smoothed
// forward-window values of method code 7, written a quarter turn round.
// Source pixel (r, x) lands in destination row x, column height - 1 - r
// (column r when flipped), so the destination is `height` pixels wide and
// `width` rows tall.
#include <algorithm>
#include <cstring>

#include "demosaic/forward_window_kernel.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"

namespace pm {
namespace {

// A tile: kTileRows source rows by kTileColumns source columns (both even,
// so every tile starts on an even row and column, as the row kinds and the
// kernel's pairs need).  Its pixels are computed row by row into a small
// buffer by the forward-window rows, vector prefix and tables included, and
// then written out transposed: each destination row (source column) takes
// kTileRows consecutive pixels (48 bytes) instead of one pixel per source
// row.  Tiles go along a band of source rows, which are read in order; each
// tile asks for the destination lines of the next one beforehand.  (Of the
// shapes and orders measured, this was the fastest on 4096 x 3072 frames.)
constexpr std::int64_t kTileRows = 16;
constexpr std::ptrdiff_t kTileColumns = 256;
// One spare byte per buffer row: pixels are moved as 4-byte words.
constexpr std::ptrdiff_t kTileRowBytes = 3 * kTileColumns + 1;

// Copies `count` pixels of buffer column `column`, buffer rows `first`,
// `first` + step, ..., to consecutive pixels from `out`.  All but the last
// move as 4-byte words whose spare byte the next pixel overwrites.
inline __attribute__((always_inline)) void transposeColumn(const std::uint8_t* tile, std::ptrdiff_t column,
                                                           std::ptrdiff_t first, std::ptrdiff_t step,
                                                           std::ptrdiff_t count, std::uint8_t* out) {
    const std::uint8_t* in = tile + first * kTileRowBytes + 3 * column;
    for (std::ptrdiff_t k = 0; k + 1 < count; ++k, in += step * kTileRowBytes, out += 3) std::memcpy(out, in, 4);
    std::memcpy(out, in, 3);
}

// Fills what the interpolation leaves out.  The source's last row has no
// window: its destination column (0, or height - 1 when flipped) takes the
// neighbouring column in every destination row.  The source's last column
// has none either: its destination row (width - 1) is neither computed nor
// reached by that column copy, so it becomes a copy of the row before it,
// finished corners included.  Without this, the row would keep whatever the
// caller's buffer held.  Both copies run whatever the layout code, like the
// border extension of the other methods.
void fillRotatedBorder(std::uint8_t* dst, std::int32_t width, std::int32_t height, bool transposed) {
    const std::size_t rowBytes = static_cast<std::size_t>(height) * 3;
    const std::size_t target = transposed ? static_cast<std::size_t>(height) - 1 : 0;
    const std::size_t from = transposed ? static_cast<std::size_t>(height) - 2 : 1;
    for (std::size_t row = 0; row < static_cast<std::size_t>(width); ++row) {
        std::uint8_t* line = dst + row * rowBytes;
        std::memcpy(line + target * 3, line + from * 3, 3);
    }
    const std::size_t last = static_cast<std::size_t>(width) - 1;
    std::memcpy(dst + last * rowBytes, dst + (last - 1) * rowBytes, rowBytes);
}

}  // namespace

std::int32_t rotatedTwoByTwoOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                               std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                               const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout,
                               simd::Stores) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const bool transposed = flipSet(flip);
    // Always smoothed: the dispatch sets the flag for this code anyway, and
    // not reading it keeps the result independent of the process's history.
    const simd::RowPlan plan = simd::planRows({lutRed, lutGreen, lutBlue}, path);
    const std::size_t rowBytes = static_cast<std::size_t>(height) * 3;
    std::uint8_t tile[kTileRows * kTileRowBytes];
    withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        auto tileAt = [&](std::ptrdiff_t first, std::ptrdiff_t columns, std::int64_t top, std::ptrdiff_t rows) {
            for (std::ptrdiff_t k = 0; k < rows; ++k) {
                const std::int64_t r = top + k;
                const std::uint8_t* s = src + static_cast<std::size_t>(r) * static_cast<std::size_t>(width) +
                                        static_cast<std::size_t>(first);
                const BgrWriter<std::uint8_t>::Cursor put{tile + k * kTileRowBytes, plan.tables.red,
                                                          plan.tables.green, plan.tables.blue, &plan};
                if ((r & 1) == 0)
                    forwardWindowSpan<decltype(evenRows), SmoothingAlways>(s, width, 0, columns, put);
                else
                    forwardWindowSpan<decltype(oddRows), SmoothingAlways>(s, width, 0, columns, put);
            }
            // Source row r goes to destination column r, or height - 1 - r
            // (then the tile's last row comes first).
            const auto column = static_cast<std::size_t>(transposed ? top : height - top - rows);
            std::uint8_t* out = dst + static_cast<std::size_t>(first) * rowBytes + column * 3;
            if (rows == kTileRows && transposed)
                for (std::ptrdiff_t x = 0; x < columns; ++x, out += rowBytes)
                    transposeColumn(tile, x, 0, 1, kTileRows, out);
            else if (rows == kTileRows)
                for (std::ptrdiff_t x = 0; x < columns; ++x, out += rowBytes)
                    transposeColumn(tile, x, kTileRows - 1, -1, kTileRows, out);
            else
                for (std::ptrdiff_t x = 0; x < columns; ++x, out += rowBytes)
                    transposeColumn(tile, x, transposed ? 0 : rows - 1, transposed ? 1 : -1, rows, out);
        };
        const std::int64_t lastRow = height - 1;      // no window: not computed
        const std::ptrdiff_t lastColumn = width - 1;  // likewise
        for (std::int64_t top = 0; top < lastRow; top += kTileRows) {
            const auto rows = static_cast<std::ptrdiff_t>(std::min(kTileRows, lastRow - top));
            const auto column = static_cast<std::size_t>(transposed ? top : height - top - rows);
            for (std::ptrdiff_t first = 0; first < lastColumn; first += kTileColumns) {
                const std::ptrdiff_t columns = std::min(kTileColumns, lastColumn - first);
                // The destination lines of the next tile, which the processor
                // cannot foresee (one segment per destination row).
                const std::ptrdiff_t next = std::min(first + columns + kTileColumns, lastColumn);
                for (std::ptrdiff_t x = first + columns; x < next; ++x) {
                    std::uint8_t* d = dst + static_cast<std::size_t>(x) * rowBytes + column * 3;
                    __builtin_prefetch(d, 1);
                    __builtin_prefetch(d + 3 * rows - 1, 1);
                }
                tileAt(first, columns, top, rows);
            }
        }
    });
    fillRotatedBorder(dst, width, height, transposed);
    return 1;
}

std::int32_t rotatedTwoByTwo(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                             const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                             std::uint32_t flip, std::int32_t layout) {
    return rotatedTwoByTwoOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

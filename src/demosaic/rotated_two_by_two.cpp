// Two-by-two interpolation with rotated output (method code 9): the smoothed
// forward-window values of method code 7, written a quarter turn round.
// Source pixel (r, x) lands in destination row x, column height - 1 - r
// (column r when flipped), so the destination is `height` pixels wide and
// `width` rows tall.
#include <cstring>

#include "demosaic/forward_window_kernel.h"
#include "demosaic/methods.h"

namespace pm {
namespace {

// Source rows and columns per tile (even, so every tile starts on an even
// column, which the row kernel's pairs need).
constexpr std::int64_t kTileSize = 32;

// Places a source row as a destination column: successive source pixels go to
// successive destination rows.
struct RotatedBgrWriter {
    std::uint8_t* image;
    std::int32_t width;   // source width: destination rows
    std::int32_t height;  // source height: destination pixels per row
    bool transposed;      // flip set: column r instead of height - 1 - r
    LookupTables tables;

    struct Cursor {
        std::uint8_t* top;  // the pixel of destination row 0 in this column
        std::size_t rowBytes;
        LookupTables tables;
        void operator()(std::ptrdiff_t column, const ChannelValues& v) const {
            std::uint8_t* px = top + static_cast<std::size_t>(column) * rowBytes;
            px[0] = tables.blue[v.blue];
            px[1] = tables.green[v.green];
            px[2] = tables.red[v.red];
        }
    };
    Cursor row(std::int64_t r) const {
        const std::int64_t column = transposed ? r : height - 1 - r;
        return {image + static_cast<std::size_t>(column) * 3, static_cast<std::size_t>(height) * 3, tables};
    }
};

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

std::int32_t rotatedTwoByTwo(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                             const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                             std::uint32_t flip, std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const bool transposed = flipSet(flip);
    // Always smoothed: the dispatch sets the flag for this code anyway, and
    // not reading it keeps the result independent of the process's history.
    const RotatedBgrWriter writer{dst, width, height, transposed, {lutRed, lutGreen, lutBlue}};
    withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        using EvenRows = decltype(evenRows);
        using OddRows = decltype(oddRows);
        // A source row becomes a destination column, so walking whole source
        // rows would touch one pixel per destination row and reuse no cache
        // line.  Square tiles keep a few dozen destination rows and source
        // rows in use at a time.  Every pixel is written once, so the order
        // does not change the result.
        const std::int64_t lastRow = height - 1;      // no window: not computed
        const std::ptrdiff_t lastColumn = width - 1;  // likewise
        for (std::int64_t top = 0; top < lastRow; top += kTileSize) {
            const std::int64_t bottom = top + kTileSize < lastRow ? top + kTileSize : lastRow;
            for (std::ptrdiff_t first = 0; first < lastColumn; first += kTileSize) {
                const std::ptrdiff_t end = first + kTileSize < lastColumn ? first + kTileSize : lastColumn;
                for (std::int64_t r = top; r < bottom; ++r) {
                    const std::uint8_t* s = src + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
                    if ((r & 1) == 0)
                        forwardWindowSpan<EvenRows, SmoothingAlways>(s, width, first, end, writer.row(r));
                    else
                        forwardWindowSpan<OddRows, SmoothingAlways>(s, width, first, end, writer.row(r));
                }
            }
        }
    });
    fillRotatedBorder(dst, width, height, transposed);
    return 1;
}

}  // namespace pm

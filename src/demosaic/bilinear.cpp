// Bilinear interpolation (method code 2): each missing colour is the mean of
// the two or four nearest samples of that colour in the 3 x 3 neighbourhood,
// taken on raw samples; the tables map the mean.
#include <cstddef>

#include "demosaic/bayer.h"
#include "demosaic/methods.h"
#include "demosaic/vector/vector_paths.h"
#include "frame/border.h"

namespace pm {
namespace {

// `s` points at the site; `stride` is the source row length.
template <Site S>
inline void bilinearPixel(const std::uint8_t* s, std::ptrdiff_t stride, const LookupTables& t, std::uint8_t* out) {
    const unsigned up = s[-stride], down = s[stride], left = s[-1], right = s[1];
    switch (S) {
        case Site::GreenInBlueRow:
            out[0] = t.blue[(left + right) >> 1];
            out[1] = t.green[s[0]];
            out[2] = t.red[(up + down) >> 1];
            break;
        case Site::GreenInRedRow:
            out[0] = t.blue[(up + down) >> 1];
            out[1] = t.green[s[0]];
            out[2] = t.red[(left + right) >> 1];
            break;
        case Site::Blue: {
            const unsigned diagonals = s[-stride - 1] + s[-stride + 1] + s[stride - 1] + s[stride + 1];
            out[0] = t.blue[s[0]];
            out[1] = t.green[(down + left + up + right) >> 2];
            out[2] = t.red[diagonals >> 2];
            break;
        }
        case Site::Red: {
            const unsigned diagonals = s[-stride - 1] + s[-stride + 1] + s[stride - 1] + s[stride + 1];
            out[0] = t.blue[diagonals >> 2];
            // The red site's green uses only the lower and left neighbours.
            out[1] = t.green[((down + left) * 2) >> 2];
            out[2] = t.red[s[0]];
            break;
        }
    }
}

// Rows startRow, startRow + 2, ... below the last row, columns 1 to width - 2
// walked in pairs (odd column, even column).  A vector prefix may compute the
// first columns of each row (an even number of them, so the pairs stay
// aligned); the loop finishes the row.
template <typename Row>
void bilinearRows(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                  std::int32_t startRow, const LookupTables& tables, bool bottomUp) {
    const std::ptrdiff_t stride = width;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    // Seen from column 1, the row's odd-column site comes first.
    using FromColumnOne = RowKind<Row::odd, Row::even>;
    for (std::int64_t r = startRow; r < height - 1; r += 2) {
        const std::uint8_t* s = src + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
        std::uint8_t* out = imageRow(dst, r, height, rowBytes, bottomUp);
        const std::ptrdiff_t done = simd::bilinearColumns<FromColumnOne>(s + 1, stride, width - 2, tables, out + 3);
        for (std::ptrdiff_t c = 1 + done; c < width - 1; c += 2) {
            bilinearPixel<Row::odd>(s + c, stride, tables, out + 3 * c);
            bilinearPixel<Row::even>(s + c + 1, stride, tables, out + 3 * (c + 1));
        }
    }
}

}  // namespace

std::int32_t bilinear(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                      const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                      std::uint32_t flip, std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const LookupTables tables{lutRed, lutGreen, lutBlue};
    const bool bottomUp = flipSet(flip);
    withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        bilinearRows<decltype(oddRows)>(src, dst, width, height, 1, tables, bottomUp);
        bilinearRows<decltype(evenRows)>(src, dst, width, height, 2, tables, bottomUp);
    });
    extendBorder(dst, width, height, flip, 2, 3);
    return 1;
}

}  // namespace pm

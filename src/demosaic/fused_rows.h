// The green-guided methods' passes fused row by row (code 6, green_guided.cpp;
// the 1.1.2.0 build's code 6, directional_green_guided.cpp).  Both keep
// rows and columns 3 to size - 4, which read the greens of rows and columns
// 2 to size - 3 alone; each row of greens is computed once into a short line
// a row ahead of the colours, a row takes its red and blue from the three
// lines around it and is finished with the column step of the border while
// it is in cache.  The samples are read mapped through the green table
// (mapped_rows.h).  Vector prefixes compute most of each line and row
// (vector_paths.h); the methods' own rules finish them.
#ifndef PIXMILL_DEMOSAIC_FUSED_ROWS_H
#define PIXMILL_DEMOSAIC_FUSED_ROWS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/mapped_rows.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/vector_paths.h"
#include "frame/border.h"
#include "frame/library_state.h"

namespace pm {

// Frames of at least 8 x 8 under layout codes 1 to 4, by a method's `Rules`:
//  - kMargin: the columns beyond a strip that either rule reads mapped;
//  - kGreenRowsBelow: the rows below its own that the green rule reads;
//  - greenBlocks<Row>(m, count, green, plan): the vector prefix of a line
//    of greens, `m` at rows r - 2 to r + kGreenRowsBelow;
//  - green<S>(a, tables): the finished green of a site S;
//  - colour<S>(a, own, px, tables): blue and red (bytes 0 and 2) of a site
//    S with raw sample `own`.
// `a` is a RowsAround of the site.  The colour blocks are those of
// guidedColourColumns, which both methods' colour rules give.
template <typename Rules>
void fusedRows(const RawView& raw, const ImageView& image, std::int32_t layout, const simd::RowPlan& plan) {
    constexpr int kGreenRows = 3 + Rules::kGreenRowsBelow;
    const LookupTables& t = plan.tables;
    const std::int64_t lastRow = image.height - 4, lastColumn = image.width - 4;
    MappedRows<Rules::kMargin> rows(raw, plan, t.green == identityTable.data());
    std::uint8_t greens[3][kMappedStripColumns + 2];
    withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        auto ofRow = [&](std::int64_t r, auto fn) {
            if (r & 1)
                fn(oddRows);
            else
                fn(evenRows);
        };
        // Strips of columns from odd columns; each strip's greens run from
        // the column before it (even, where the vector prefix starts) to the
        // one after.
        for (std::int64_t first = 3; first <= lastColumn; first += kMappedStripColumns) {
            const std::int64_t last = std::min(first + kMappedStripColumns - 1, lastColumn);
            const std::ptrdiff_t greenCount = last + 3 - first;
            rows.startStrip(first, last);
            auto greenRow = [&](std::int64_t q) {
                std::uint8_t* green = greens[q % 3];
                rows.through(q + Rules::kGreenRowsBelow);
                ofRow(q, [&](auto row) {
                    using Row = decltype(row);
                    const std::uint8_t* m[kGreenRows];
                    for (int k = 0; k < kGreenRows; ++k) m[k] = rows.at(q - 2 + k, first - 1);
                    std::ptrdiff_t i = Rules::template greenBlocks<Row>(m, greenCount, green, plan);
                    for (; i < greenCount; ++i) {
                        const std::uint8_t* at[kGreenRows];
                        for (int k = 0; k < kGreenRows; ++k) at[k] = m[k] + i;
                        const RowsAround a{at, nullptr};
                        // Column first - 1 + i has the parity of i.
                        green[i] = (i & 1) ? Rules::template green<Row::odd>(a, t)
                                           : Rules::template green<Row::even>(a, t);
                    }
                });
            };
            auto colourRow = [&](std::int64_t r) {
                rows.through(r + 2);
                ofRow(r, [&](auto row) {
                    using Row = decltype(row);
                    const std::uint8_t* const m[5] = {rows.at(r - 2, first), rows.at(r - 1, first), rows.at(r, first),
                                                      rows.at(r + 1, first), rows.at(r + 2, first)};
                    const std::uint8_t* const g[3] = {greens[(r - 1) % 3] + 1, greens[r % 3] + 1,
                                                      greens[(r + 1) % 3] + 1};
                    const std::uint8_t* own = raw.row(r);
                    auto scalar = [&](std::int64_t c) {
                        const std::ptrdiff_t i = c - first;
                        const std::uint8_t* const mAt[5] = {m[0] + i, m[1] + i, m[2] + i, m[3] + i, m[4] + i};
                        const std::uint8_t* const gAt[3] = {g[0] + i, g[1] + i, g[2] + i};
                        const RowsAround a{mAt, gAt};
                        std::uint8_t* px = image.pixel(r, c);
                        px[1] = gAt[1][0];
                        if (c & 1)
                            Rules::template colour<Row::odd>(a, own[c], px, t);
                        else
                            Rules::template colour<Row::even>(a, own[c], px, t);
                    };
                    // The blocks start at the even column after `first`.
                    scalar(first);
                    const std::uint8_t* const mBlocks[5] = {m[0] + 1, m[1] + 1, m[2] + 1, m[3] + 1, m[4] + 1};
                    const std::uint8_t* const gBlocks[3] = {g[0] + 1, g[1] + 1, g[2] + 1};
                    std::int64_t c = first + 1 + simd::guidedColourColumns<Row>(mBlocks, own + first + 1, gBlocks,
                                                                               last - first, image.pixel(r, first + 1),
                                                                               plan);
                    for (; c <= last; ++c) scalar(c);
                });
            };
            greenRow(2);
            greenRow(3);
            for (std::int64_t r = 3; r <= lastRow; ++r) {
                greenRow(r + 1);
                colourRow(r);
                if (last == lastColumn) extendRowEnds(image.row(r), image.width, 3, 3);
            }
        }
    });
    extendEdgeRows(image.base, image.width, image.height, 3, 3);
}

}  // namespace pm

#endif

// Green-guided interpolation (method code 6 of both entries): the green
// channel first, by a vertical estimate corrected with the curvature of the
// site's own colour; then red and blue, each guided by the finished greens.
// All arithmetic runs on samples mapped through the green table; the red and
// blue tables map only the final red and blue values.
#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "demosaic/bayer.h"
#include "demosaic/mapped_rows.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/vector_paths.h"
#include "frame/border.h"
#include "frame/library_state.h"

namespace pm {
namespace {

inline int clampToTable(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// The interpolation rule: where the site's green lies strictly between the
// greens of the two neighbours, the colour follows it in proportion; at a
// green extremum (or a tie) the colour is the neighbours' mean plus a quarter
// of the green curvature.  Both divisions truncate toward zero.
inline int guided(int gc, int g1, int g2, int x1, int x2) {
    if ((g1 < gc && gc < g2) || (g2 < gc && gc < g1)) return x1 + (x2 - x1) * (gc - g1) / (g2 - g1);
    return (2 * gc - g1 - g2 + 2 * (x1 + x2)) / 4;
}

// The colour a green site takes from one of its two orthogonal pairs of
// neighbours: (0, -1) and (0, +1), or (-1, 0) and (+1, 0).  `a` gives
// mapped(dr, dc), the sample mapped through the green table, and green(dr,
// dc), the finished green, by offsets from the pixel.
template <typename A>
int along(const A& a, std::ptrdiff_t dr, std::ptrdiff_t dc) {
    return guided(a.green(0, 0), a.green(-dr, -dc), a.green(dr, dc), a.mapped(-dr, -dc), a.mapped(dr, dc));
}

// The opposite colour of a red or blue site, from the smoother diagonal by
// the five-gradient sums (a tie takes the rising, NE-SW, diagonal).
template <typename A>
int diagonal(const A& a) {
    const int u = a.mapped(0, 0), gc = a.green(0, 0);
    const int nw = a.mapped(-1, -1), se = a.mapped(1, 1), ne = a.mapped(-1, 1), sw = a.mapped(1, -1);
    const int gNW = a.green(-1, -1), gSE = a.green(1, 1), gNE = a.green(-1, 1), gSW = a.green(1, -1);
    const int falling = std::abs(u - a.mapped(2, 2)) + std::abs(a.mapped(-2, -2) - u) + std::abs(gc - gSE) +
                        std::abs(gNW - gc) + std::abs(nw - se);
    const int rising = std::abs(u - a.mapped(-2, 2)) + std::abs(a.mapped(2, -2) - u) + std::abs(gc - gNE) +
                       std::abs(gSW - gc) + std::abs(sw - ne);
    return falling < rising ? guided(gc, gNW, gSE, nw, se) : guided(gc, gSW, gNE, sw, ne);
}

// Green at a red or blue site: the green above weighs three times the green
// below, corrected by the difference to the same colour two rows up.  The
// shift is arithmetic, so a negative sum rounds toward minus infinity.  A
// green site keeps its mapped sample.
template <Site S, typename A>
std::uint8_t greenOf(const A& a, const LookupTables& t) {
    if constexpr (colourSite(S)) {
        const int v = (3 * a.mapped(-1, 0) + a.mapped(1, 0) + a.mapped(0, 0) - a.mapped(-2, 0)) >> 2;
        return t.green[clampToTable(v)];
    } else {
        return static_cast<std::uint8_t>(a.mapped(0, 0));
    }
}

// Red and blue of pixel `px`, a site S with raw sample `own`.
template <Site S, typename A>
void colourPixel(const A& a, int own, std::uint8_t* px, const LookupTables& t) {
    switch (S) {
        case Site::Red:
            px[2] = t.red[own];
            px[0] = t.blue[clampToTable(diagonal(a))];
            break;
        case Site::Blue:
            px[0] = t.blue[own];
            px[2] = t.red[clampToTable(diagonal(a))];
            break;
        case Site::GreenInRedRow:
            px[2] = t.red[clampToTable(along(a, 0, 1))];
            px[0] = t.blue[clampToTable(along(a, 1, 0))];
            break;
        case Site::GreenInBlueRow:
            px[0] = t.blue[clampToTable(along(a, 0, 1))];
            px[2] = t.red[clampToTable(along(a, 1, 0))];
            break;
    }
}

// One pixel's neighbourhood in the frame and the image: source samples,
// mapped as read, and the greens already stored in the destination.  `d`
// points at the pixel, `step` is the image-row step.
struct Around {
    const std::uint8_t* s;
    std::ptrdiff_t stride;
    std::uint8_t* d;
    std::ptrdiff_t step;
    const LookupTables& tables;

    int mapped(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return tables.green[s[dr * stride + dc]]; }
    int green(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return d[dr * step + 3 * dc + 1]; }
};

struct GuidedFrame {
    RawView raw;
    ImageView image;
    LookupTables tables;

    Around at(std::int64_t r, std::int64_t c) const {
        return Around{raw.row(r) + c, raw.width, image.pixel(r, c), image.rowStep(), tables};
    }
};

// Frames 4 or 6 pixels wide or high have no pixel with the neighbourhood the
// red and blue passes need, yet the border extension replicates pixel (3, 3)
// of memory over them.  So that no byte depends on what the destination held,
// every pixel first takes the samples of its own two-by-two cell: its red
// and blue sample, and green from its own sample at a green site or the mean
// of the cell's two greens elsewhere, each through its table.
void fillFromCells(const GuidedFrame& f, std::int32_t layout, std::int32_t width, std::int32_t height) {
    for (std::int64_t r = 0; r < height; ++r)
        for (std::int64_t c = 0; c < width; ++c) {
            unsigned red = 0, blue = 0, greenSum = 0;
            for (std::int64_t y = r & ~1; y <= (r | 1); ++y)
                for (std::int64_t x = c & ~1; x <= (c | 1); ++x) {
                    switch (siteColour(layout, y, x)) {
                        case Colour::Red: red = f.raw(y, x); break;
                        case Colour::Blue: blue = f.raw(y, x); break;
                        case Colour::Green: greenSum += f.raw(y, x); break;
                    }
                }
            const unsigned green = siteColour(layout, r, c) == Colour::Green ? f.raw(r, c) : greenSum >> 1;
            std::uint8_t* px = f.image.pixel(r, c);
            px[0] = f.tables.blue[blue], px[1] = f.tables.green[green], px[2] = f.tables.red[red];
        }
}

// ---- The passes fused row by row ------------------------------------------
//
// The colour pass of a row needs the greens of three rows only, and both
// passes read the samples through the green table: kept as rows (the
// finished greens of rows r - 1 to r + 1, and rows r - 2 to r + 2 mapped once
// per sample), they let the passes run row by row while the rows are in
// cache, each row finished with the column step of the border; the image is
// that of the passes (mapped_rows.h).

// Frames of at least 8 x 8 under layout codes 1 to 4: rows 3 to height - 4,
// columns 3 to width - 4, then the border of 3.
void fusedPasses(const RawView& raw, const ImageView& image, std::int32_t layout, const simd::RowPlan& plan) {
    const LookupTables& t = plan.tables;
    const std::int64_t lastRow = image.height - 4, lastColumn = image.width - 4;
    MappedRows<2> rows(raw, plan, t.green == identityTable.data());
    std::uint8_t greens[3][kMappedStripColumns + 2];
    withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        auto ofRow = [&](std::int64_t r, auto fn) {
            if (r & 1)
                fn(oddRows);
            else
                fn(evenRows);
        };
        // Strips of columns from odd columns; each strip's greens run from
        // the column before it (even) to the one after.
        for (std::int64_t first = 3; first <= lastColumn; first += kMappedStripColumns) {
            const std::int64_t last = std::min(first + kMappedStripColumns - 1, lastColumn);
            rows.startStrip(first, last);
            auto greenRow = [&](std::int64_t q) {
                std::uint8_t* green = greens[q % 3];
                rows.through(q + 1);
                ofRow(q, [&](auto row) {
                    using Row = decltype(row);
                    const std::uint8_t* const m[4] = {rows.at(q - 2, first - 1), rows.at(q - 1, first - 1),
                                                      rows.at(q, first - 1), rows.at(q + 1, first - 1)};
                    std::int64_t c = first - 1 + simd::guidedGreenColumns<Row>(m, last + 3 - first, green, plan);
                    for (; c <= last + 1; ++c) {
                        const std::ptrdiff_t i = c - (first - 1);
                        const std::uint8_t* const at[4] = {m[0] + i, m[1] + i, m[2] + i, m[3] + i};
                        const RowsAround a{at, nullptr};
                        green[i] = (c & 1) ? greenOf<Row::odd>(a, t) : greenOf<Row::even>(a, t);
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
                            colourPixel<Row::odd>(a, own[c], px, t);
                        else
                            colourPixel<Row::even>(a, own[c], px, t);
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

}  // namespace

std::int32_t greenGuidedOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                           std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                           const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout, simd::Stores) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const GuidedFrame f{RawView{src, width}, ImageView{dst, width, height, flipSet(flip)},
                        LookupTables{lutRed, lutGreen, lutBlue}};
    const bool known = withLayoutRows(layout, [](auto, auto) {});
    // Any vector path runs the passes fused; the scalar path, and frames
    // too small for the rows, run them as described.
    if (known && path != simd::Path::Scalar && width >= 8 && height >= 8) {
        fusedPasses(f.raw, f.image, layout, simd::planRows(f.tables, path));
        return 1;
    }
    if (known && (width < 8 || height < 8)) fillFromCells(f, layout, width, height);
    auto green = [&](std::int64_t r, std::int64_t c, auto site) {
        const Around a = f.at(r, c);
        a.d[1] = greenOf<decltype(site)::value>(a, f.tables);
    };
    auto colour = [&](std::int64_t r, std::int64_t c, auto site) {
        const Around a = f.at(r, c);
        colourPixel<decltype(site)::value>(a, a.s[0], a.d, f.tables);
    };
    // Greens of rows and columns 2 to size - 3, then red and blue of rows
    // and columns 3 to size - 4, which read the greens around them.
    forEachSite(layout, Window{2, height - 3, 2, width - 3}, green);
    forEachSite(layout, Window{3, height - 4, 3, width - 4}, colour);
    extendBorder(dst, width, height, flip, 3, 3);
    return 1;
}

std::int32_t greenGuided(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                         const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                         std::uint32_t flip, std::int32_t layout) {
    return greenGuidedOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

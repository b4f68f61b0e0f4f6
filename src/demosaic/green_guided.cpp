// Green-guided interpolation (method code 6 of both entries): the green
// channel first, by a vertical estimate corrected with the curvature of the
// site's own colour; then red and blue, each guided by the finished greens.
// All arithmetic runs on samples mapped through the green table; the red and
// blue tables map only the final red and blue values.
#include <cstddef>
#include <cstdlib>

#include "demosaic/bayer.h"
#include "demosaic/fused_rows.h"
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

// ---- The passes fused row by row (fused_rows.h) -----------------------------

struct FusedRules {
    // The colour rule reads two columns either side; the green rule reads
    // only its own column, one row below.
    static constexpr std::int64_t kMargin = 2;
    static constexpr int kGreenRowsBelow = 1;

    template <typename Row>
    static std::ptrdiff_t greenBlocks(const std::uint8_t* const* m, std::ptrdiff_t count, std::uint8_t* green,
                                      const simd::RowPlan& plan) {
        return simd::guidedGreenColumns<Row>(m, count, green, plan);
    }
    template <Site S>
    static std::uint8_t green(const RowsAround& a, const LookupTables& t) {
        return greenOf<S>(a, t);
    }
    template <Site S>
    static void colour(const RowsAround& a, int own, std::uint8_t* px, const LookupTables& t) {
        colourPixel<S>(a, own, px, t);
    }
};

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
        fusedRows<FusedRules>(f.raw, f.image, layout, simd::planRows(f.tables, path));
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

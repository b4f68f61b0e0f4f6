// Green-guided interpolation (method code 6 of both entries): the green
// channel first, by a vertical estimate corrected with the curvature of the
// site's own colour; then red and blue, each guided by the finished greens.
// All arithmetic runs on samples mapped through the green table; the red and
// blue tables map only the final red and blue values.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

#include "demosaic/bayer.h"
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

// One pixel's neighbourhood, addressed by offsets from the pixel: source
// samples (mapped through the green table) and the greens already stored in
// the destination.  `d` points at the pixel, `step` is the image-row step.
struct Around {
    const std::uint8_t* s;
    std::ptrdiff_t stride;
    std::uint8_t* d;
    std::ptrdiff_t step;
    const LookupTables& tables;

    int mapped(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return tables.green[s[dr * stride + dc]]; }
    int green(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return d[dr * step + 3 * dc + 1]; }

    // The colour a green site takes from one of its two orthogonal pairs of
    // neighbours: (0, -1) and (0, +1), or (-1, 0) and (+1, 0).
    int along(std::ptrdiff_t dr, std::ptrdiff_t dc) const {
        return guided(green(0, 0), green(-dr, -dc), green(dr, dc), mapped(-dr, -dc), mapped(dr, dc));
    }

    // The opposite colour of a red or blue site, from the smoother diagonal
    // by the five-gradient sums (a tie takes the rising, NE-SW, diagonal).
    int diagonal() const {
        const int u = mapped(0, 0), gc = green(0, 0);
        const int nw = mapped(-1, -1), se = mapped(1, 1), ne = mapped(-1, 1), sw = mapped(1, -1);
        const int gNW = green(-1, -1), gSE = green(1, 1), gNE = green(-1, 1), gSW = green(1, -1);
        const int falling = std::abs(u - mapped(2, 2)) + std::abs(mapped(-2, -2) - u) + std::abs(gc - gSE) +
                            std::abs(gNW - gc) + std::abs(nw - se);
        const int rising = std::abs(u - mapped(-2, 2)) + std::abs(mapped(2, -2) - u) + std::abs(gc - gNE) +
                           std::abs(gSW - gc) + std::abs(sw - ne);
        return falling < rising ? guided(gc, gNW, gSE, nw, se) : guided(gc, gSW, gNE, sw, ne);
    }
};

// Green at a red or blue site: the green above weighs three times the green
// below, corrected by the difference to the same colour two rows up.  The
// shift is arithmetic, so a negative sum rounds toward minus infinity.
template <Site S>
void greenPixel(const Around& a) {
    if constexpr (colourSite(S)) {
        const int v = (3 * a.mapped(-1, 0) + a.mapped(1, 0) + a.mapped(0, 0) - a.mapped(-2, 0)) >> 2;
        a.d[1] = a.tables.green[clampToTable(v)];
    } else {
        a.d[1] = a.tables.green[a.s[0]];
    }
}

// Red and blue of one pixel.  The two passes of the method read only greens
// and source samples and write different bytes, so one walk does both.
template <Site S>
void colourPixel(const Around& a) {
    const LookupTables& t = a.tables;
    switch (S) {
        case Site::Red:
            a.d[2] = t.red[a.s[0]];
            a.d[0] = t.blue[clampToTable(a.diagonal())];
            break;
        case Site::Blue:
            a.d[0] = t.blue[a.s[0]];
            a.d[2] = t.red[clampToTable(a.diagonal())];
            break;
        case Site::GreenInRedRow:
            a.d[2] = t.red[clampToTable(a.along(0, 1))];
            a.d[0] = t.blue[clampToTable(a.along(1, 0))];
            break;
        case Site::GreenInBlueRow:
            a.d[0] = t.blue[clampToTable(a.along(0, 1))];
            a.d[2] = t.red[clampToTable(a.along(1, 0))];
            break;
    }
}

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

}  // namespace

std::int32_t greenGuidedOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                           std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                           const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout, simd::Stores) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const GuidedFrame f{RawView{src, width}, ImageView{dst, width, height, flipSet(flip)},
                        LookupTables{lutRed, lutGreen, lutBlue}};
    const bool known = withLayoutRows(layout, [](auto, auto) {});
    if (known && (width < 8 || height < 8)) fillFromCells(f, layout, width, height);
    auto green = [&](std::int64_t r, std::int64_t c, auto site) { greenPixel<decltype(site)::value>(f.at(r, c)); };
    auto colour = [&](std::int64_t r, std::int64_t c, auto site) { colourPixel<decltype(site)::value>(f.at(r, c)); };
    // The vector prefixes compute on samples mapped through the green table:
    // the source itself for the identity, else a plane of the rows a band
    // needs, mapped band by band into one small buffer that stays in cache.
    // The scalar kernels map as they read; they do all the work when the
    // buffer cannot be had.
    constexpr std::int64_t kBandRows = 32;
    bool vector = known && path >= simd::Path::Avx2;
    const std::uint8_t* greenTable = lutGreen == identityTable.data() ? nullptr : lutGreen;
    const std::size_t rowLength = static_cast<std::size_t>(width);
    std::unique_ptr<std::uint8_t[]> plane;
    if (vector && greenTable != nullptr) {
        plane.reset(new (std::nothrow) std::uint8_t[(kBandRows + 4) * rowLength]);
        vector = plane != nullptr;
    }
    // Greens of rows 2 to height - 3 band by band; red and blue of each row
    // one band row later, once the greens of the rows around it are stored.
    for (std::int64_t first = 2; first <= height - 3; first += kBandRows) {
        const std::int64_t end = std::min<std::int64_t>(first + kBandRows, height - 2);
        // Mapped rows first - 3 to end (row -1 is never read).
        const std::int64_t planeRow = first - 3;
        if (plane) {
            for (std::int64_t r = std::max<std::int64_t>(planeRow, 0); r <= end; ++r) {
                const std::uint8_t* in = f.raw.row(r);
                std::uint8_t* out = plane.get() + static_cast<std::size_t>(r - planeRow) * rowLength;
                for (auto c = static_cast<std::size_t>(simd::mapSamples(in, out, width, greenTable)); c < rowLength; ++c)
                    out[c] = greenTable[in[c]];
            }
        }
        auto mappedRow = [&](std::int64_t r) {
            return plane ? plane.get() + static_cast<std::size_t>(r - planeRow) * rowLength
                         : src + static_cast<std::size_t>(r) * rowLength;
        };
        for (std::int64_t r = first; r < end; ++r) {
            std::int64_t c = 2;
            if (vector)
                withRowKind(layout, r, [&](auto row) {
                    // Columns 2 to width - 3.
                    c += simd::guidedGreenColumns<decltype(row)>(mappedRow(r) + 2, width, width - 4, f.image.pixel(r, 2),
                                                                 greenTable);
                });
            forEachSite(layout, Window{r, r, c, width - 3}, green);
        }
        for (std::int64_t r = std::max<std::int64_t>(first - 1, 3); r < end - 1 && r <= height - 4; ++r) {
            std::int64_t c = 3;
            if (vector)
                withRowKind(layout, r, [&](auto row) {
                    // Columns 3 to width - 4; seen from column 3, the row's
                    // odd-column site comes first.
                    using FromColumnThree = RowKind<decltype(row)::odd, decltype(row)::even>;
                    c += simd::guidedColourColumns<FromColumnThree>(mappedRow(r) + 3, f.raw.row(r) + 3, width,
                                                                    width - 6, f.image.pixel(r, 3), f.image.rowStep(),
                                                                    f.tables);
                });
            forEachSite(layout, Window{r, r, c, width - 4}, colour);
        }
    }
    extendBorder(dst, width, height, flip, 3, 3);
    return 1;
}

std::int32_t greenGuided(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                         const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                         std::uint32_t flip, std::int32_t layout) {
    return greenGuidedOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

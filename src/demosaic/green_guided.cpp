// Green-guided interpolation (method code 6 of both entries): the green
// channel first, by a vertical estimate corrected with the curvature of the
// site's own colour; then red and blue, each guided by the finished greens.
// All arithmetic runs on samples mapped through the green table; the red and
// blue tables map only the final red and blue values.
#include <cstdlib>

#include "demosaic/bayer.h"
#include "demosaic/methods.h"
#include "demosaic/site_walk.h"
#include "frame/border.h"

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

struct GuidedFrame {
    RawView raw;
    ImageView image;
    LookupTables tables;

    int mapped(std::int64_t r, std::int64_t c) const { return tables.green[raw(r, c)]; }
    int green(std::int64_t r, std::int64_t c) const { return image.green(r, c); }

    // The colour a green site takes from its neighbours at (r, c - dc ... c + dc)
    // or (r - dr, c) and (r + dr, c): one of the two orthogonal pairs.
    int along(std::int64_t r, std::int64_t c, int dr, int dc) const {
        return guided(green(r, c), green(r - dr, c - dc), green(r + dr, c + dc), mapped(r - dr, c - dc),
                      mapped(r + dr, c + dc));
    }

    // The opposite colour of a red or blue site, from the smoother diagonal
    // by the five-gradient sums (a tie takes the rising, NE-SW, diagonal).
    int diagonal(std::int64_t r, std::int64_t c) const {
        const int u = mapped(r, c), gc = green(r, c);
        const int falling = std::abs(u - mapped(r + 2, c + 2)) + std::abs(mapped(r - 2, c - 2) - u) +
                            std::abs(gc - green(r + 1, c + 1)) + std::abs(green(r - 1, c - 1) - gc) +
                            std::abs(mapped(r - 1, c - 1) - mapped(r + 1, c + 1));
        const int rising = std::abs(u - mapped(r - 2, c + 2)) + std::abs(mapped(r + 2, c - 2) - u) +
                           std::abs(gc - green(r - 1, c + 1)) + std::abs(green(r + 1, c - 1) - gc) +
                           std::abs(mapped(r + 1, c - 1) - mapped(r - 1, c + 1));
        if (falling < rising)
            return guided(gc, green(r - 1, c - 1), green(r + 1, c + 1), mapped(r - 1, c - 1), mapped(r + 1, c + 1));
        return guided(gc, green(r + 1, c - 1), green(r - 1, c + 1), mapped(r + 1, c - 1), mapped(r - 1, c + 1));
    }
};

// Green at a red or blue site: the green above weighs three times the green
// below, corrected by the difference to the same colour two rows up.  The
// shift is arithmetic, so a negative sum rounds toward minus infinity.
template <Site S>
void greenPixel(const GuidedFrame& f, std::int64_t r, std::int64_t c) {
    if constexpr (colourSite(S)) {
        const int v = (3 * f.mapped(r - 1, c) + f.mapped(r + 1, c) + f.mapped(r, c) - f.mapped(r - 2, c)) >> 2;
        f.image.green(r, c) = f.tables.green[clampToTable(v)];
    } else {
        f.image.green(r, c) = f.tables.green[f.raw(r, c)];
    }
}

// Red and blue of one pixel.  The two passes of the method read only greens
// and source samples and write different bytes, so one walk does both.
template <Site S>
void colourPixel(const GuidedFrame& f, std::int64_t r, std::int64_t c) {
    std::uint8_t* px = f.image.pixel(r, c);
    const LookupTables& t = f.tables;
    switch (S) {
        case Site::Red:
            px[2] = t.red[f.raw(r, c)];
            px[0] = t.blue[clampToTable(f.diagonal(r, c))];
            break;
        case Site::Blue:
            px[0] = t.blue[f.raw(r, c)];
            px[2] = t.red[clampToTable(f.diagonal(r, c))];
            break;
        case Site::GreenInRedRow:
            px[2] = t.red[clampToTable(f.along(r, c, 0, 1))];
            px[0] = t.blue[clampToTable(f.along(r, c, 1, 0))];
            break;
        case Site::GreenInBlueRow:
            px[0] = t.blue[clampToTable(f.along(r, c, 0, 1))];
            px[2] = t.red[clampToTable(f.along(r, c, 1, 0))];
            break;
    }
}

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

std::int32_t greenGuided(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                         const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                         std::uint32_t flip, std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const GuidedFrame f{RawView{src, width}, ImageView{dst, width, height, flipSet(flip)},
                        LookupTables{lutRed, lutGreen, lutBlue}};
    const bool known = withLayoutRows(layout, [](auto, auto) {});
    if (known && (width < 8 || height < 8)) fillFromCells(f, layout, width, height);
    forEachSite(layout, Window{2, height - 3, 2, width - 3},
                [&](std::int64_t r, std::int64_t c, auto site) { greenPixel<decltype(site)::value>(f, r, c); });
    forEachSite(layout, Window{3, height - 4, 3, width - 4},
                [&](std::int64_t r, std::int64_t c, auto site) { colourPixel<decltype(site)::value>(f, r, c); });
    extendBorder(dst, width, height, flip, 3, 3);
    return 1;
}

}  // namespace pm

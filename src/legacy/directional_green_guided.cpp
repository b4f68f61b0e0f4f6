// Directional-gradient interpolation with green-guided colour (code 6 of the
// 1.1.2.0 build).  Three stages over the window of rows and columns 2 to
// size - 4, each writing one byte of every pixel: green along the direction
// of the smallest one-sided gradient, then red and blue guided by the green
// just stored, read back from the image.  The border of 3 finishes the image.
//
// The vector paths run the stages fused row by row instead (fused_rows.h):
// the border of 3 keeps only rows and columns 3 to size - 4 of what the
// stages compute, and those read the greens of rows and columns 2 to
// size - 3 alone.  Vector prefixes compute most of each line of greens and
// row of colours; the rules below finish them.
#include <cstdlib>
#include <cstring>

#include "demosaic/bayer.h"
#include "demosaic/fused_rows.h"
#include "demosaic/site_walk.h"
#include "frame/border.h"
#include "legacy/methods.h"

namespace pm {
namespace {

// An index into a table: at most 255, and negative values (which the
// subtracted terms can give) are 0.
inline unsigned tableIndex(int v) { return v < 0 ? 0u : v > 255 ? 255u : unsigned(v); }

// Every rule below reads a neighbourhood `a` by offsets from its site:
// a.mapped(dr, dc), the sample mapped through the green table, and
// a.green(dr, dc), the green of the first stage.

// Green estimate of a red or blue site, before its table: the direction of
// the smallest gradient (north, east, west, south: the first wins a tie) and
// its sum, a quarter of it rounded down.
template <typename A>
int directionalGreen(const A& a) {
    auto g = [&](std::ptrdiff_t dr, std::ptrdiff_t dc) { return a.mapped(dr, dc); };
    const int z = g(0, 0);
    const int n1 = g(-1, 0), n2 = g(-2, 0), s1 = g(1, 0), s2 = g(2, 0);
    const int w1 = g(0, -1), w2 = g(0, -2), e1 = g(0, 1), e2 = g(0, 2);
    const int across = std::abs(w1 - e1), along = std::abs(n1 - s1);
    const int gradient[4] = {along + 2 * std::abs(n2 - z), across + 2 * std::abs(z - e2),
                             across + 2 * std::abs(w2 - z), along + 2 * std::abs(z - s2)};
    const int sum[4] = {3 * n1 + s1 + z - n2, 3 * e1 + w1 + z - e2, 3 * w1 + e1 + z - w2, 3 * s1 + n1 + z - s2};
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (gradient[k] < gradient[best]) best = k;
    return sum[best] >> 2;
}

// The green byte of a site S: the estimate through the green table at a red
// or blue site, the mapped sample at a green one.
template <Site S, typename A>
std::uint8_t greenOf(const A& a, const std::uint8_t* greenTable) {
    if constexpr (colourSite(S))
        return greenTable[tableIndex(directionalGreen(a))];
    else
        return std::uint8_t(a.mapped(0, 0));
}

// The colour between two opposite neighbours with greens g1 and g2 and
// colours x1 and x2 (through the green table) at a site of green g0: linear
// in the green when g0 lies strictly between theirs, otherwise their mean plus
// a quarter of the green curvature, in double precision, truncated.
inline int guidedValue(int g1, int g0, int g2, int x1, int x2) {
    if ((g0 >= g1 && g0 >= g2) || (g0 <= g1 && g0 <= g2))
        return static_cast<int>((2 * g0 - g1 - g2) * 0.25 + (x1 + x2) * 0.5);
    return x1 + (g0 - g1) * (x2 - x1) / (g2 - g1);
}

// The guided colour from the neighbours (-dr, -dc) and (dr, dc).
template <typename A>
int along(const A& a, std::ptrdiff_t dr, std::ptrdiff_t dc) {
    return guidedValue(a.green(-dr, -dc), a.green(0, 0), a.green(dr, dc), a.mapped(-dr, -dc), a.mapped(dr, dc));
}

// The opposite colour of a red or blue site, along the diagonal of the
// smaller five-gradient sum (a tie takes the rising one).
template <typename A>
int diagonal(const A& a) {
    auto g = [&](std::ptrdiff_t dr, std::ptrdiff_t dc) { return a.mapped(dr, dc); };
    auto G = [&](std::ptrdiff_t dr, std::ptrdiff_t dc) { return a.green(dr, dc); };
    const int g0 = g(0, 0), G0 = G(0, 0);
    const int rising = std::abs(g(2, -2) - g0) + std::abs(g0 - g(-2, 2)) + std::abs(G(1, -1) - G0) +
                       std::abs(G0 - G(-1, 1)) + std::abs(g(1, -1) - g(-1, 1));
    const int falling = std::abs(g(-2, -2) - g0) + std::abs(g0 - g(2, 2)) + std::abs(G(-1, -1) - G0) +
                        std::abs(G0 - G(1, 1)) + std::abs(g(-1, -1) - g(1, 1));
    return falling < rising ? along(a, 1, 1) : along(a, -1, 1);
}

// Colour Own (Site::Red or Site::Blue), before its table, at a site S with
// raw sample `sample`: the sample itself at its own sites, guided along the
// row at the greens beside them, along the column at the other greens, and
// along a diagonal at the other colour's sites.
template <Site Own, Site S, typename A>
int colourValue(const A& a, unsigned sample) {
    constexpr Site greenInOwnRow = Own == Site::Red ? Site::GreenInRedRow : Site::GreenInBlueRow;
    if constexpr (S == Own)
        return int(sample);
    else if constexpr (S == greenInOwnRow)
        return along(a, 0, 1);
    else if constexpr (!colourSite(S))
        return along(a, 1, 0);
    else
        return diagonal(a);
}

// ---- The stages ------------------------------------------------------------

// A site's neighbourhood in the frame and the image.
struct InImage {
    const RawView& raw;
    const ImageView& image;
    const std::uint8_t* greenTable;
    std::int64_t r, c;

    int mapped(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return greenTable[raw(r + dr, c + dc)]; }
    int green(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return image.green(r + dr, c + dc); }
};

// Byte 1 of rows 2 to height - 3 and columns 2 to width - 3: the window and
// one row and column beyond it, whose green the colour stages read at the
// window's last row and column and where the rule stays inside the frame.
// Row 1 and column 1, read at the window's first row and column, take the
// nearest computed green.
void greenStage(const RawView& raw, const ImageView& image, const std::uint8_t* greenTable, std::int32_t layout) {
    const Window extended{2, image.height - 3, 2, image.width - 3};
    forEachSite(layout, extended, [&](std::int64_t r, std::int64_t c, auto site) {
        image.green(r, c) = greenOf<decltype(site)::value>(InImage{raw, image, greenTable, r, c}, greenTable);
    });
    for (std::int64_t r = 2; r <= image.height - 3; ++r) image.green(r, 1) = image.green(r, 2);
    for (std::int64_t c = 1; c <= image.width - 3; ++c) image.green(1, c) = image.green(2, c);
}

// Byte `channel` (2 red, 0 blue) of the window through `table`: the stage of
// colour Own.
template <Site Own>
void colourStage(const RawView& raw, const ImageView& image, const std::uint8_t* greenTable,
                 const std::uint8_t* table, std::int32_t layout, int channel) {
    const Window window{2, image.height - 4, 2, image.width - 4};
    forEachSite(layout, window, [&](std::int64_t r, std::int64_t c, auto site) {
        const int v = colourValue<Own, decltype(site)::value>(InImage{raw, image, greenTable, r, c}, raw(r, c));
        image.pixel(r, c)[channel] = table[tableIndex(v)];
    });
}

// ---- The stages fused row by row (fused_rows.h) -----------------------------

struct FusedRules {
    // The green rule reads two columns either side of the strip's greens,
    // which run one column beyond it, and two rows below its own.
    static constexpr std::int64_t kMargin = 3;
    static constexpr int kGreenRowsBelow = 2;

    template <typename Row>
    static std::ptrdiff_t greenBlocks(const std::uint8_t* const* m, std::ptrdiff_t count, std::uint8_t* green,
                                      const simd::RowPlan& plan) {
        return simd::directionalGreenColumns<Row>(m, count, green, plan);
    }
    template <Site S>
    static std::uint8_t green(const RowsAround& a, const LookupTables& t) {
        return greenOf<S>(a, t.green);
    }
    template <Site S>
    static void colour(const RowsAround& a, int own, std::uint8_t* px, const LookupTables& t) {
        px[0] = t.blue[tableIndex(colourValue<Site::Blue, S>(a, unsigned(own)))];
        px[2] = t.red[tableIndex(colourValue<Site::Red, S>(a, unsigned(own)))];
    }
};

}  // namespace

std::int32_t directionalGreenGuidedOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst,
                                      std::int32_t width, std::int32_t height, const std::uint8_t* lutRed,
                                      const std::uint8_t* lutGreen, const std::uint8_t* lutBlue, std::uint32_t flip,
                                      std::int32_t layout, simd::Stores) {
    // A side of 4 has an empty window: nothing could fill the image.
    if (!frameAccepted(src, dst, width, height) || width < 6 || height < 6) return 0;
    const RawView raw{src, width};
    const ImageView image{dst, width, height, flipSet(flip)};
    const bool known = layout >= 1 && layout <= 4;
    // Any vector path runs the stages fused; the scalar path, and frames of a
    // side of 6, run them as described.
    if (known && path != simd::Path::Scalar && width >= 8 && height >= 8) {
        fusedRows<FusedRules>(raw, image, layout, simd::planRows({lutRed, lutGreen, lutBlue}, path));
        return 1;
    }
    if (known) {
        greenStage(raw, image, lutGreen, layout);
        colourStage<Site::Red>(raw, image, lutGreen, lutRed, layout, 2);
        colourStage<Site::Blue>(raw, image, lutGreen, lutBlue, layout, 0);
    }
    // A side of 6 has a window of the one line 2, which the border of 3 would
    // replace by line 3; line 3 takes line 2 first, as in the median methods
    // (not for an unknown layout, which computes nothing).
    if (known && width == 6)
        for (std::int64_t r = 0; r < height; ++r) std::memcpy(image.pixel(r, 3), image.pixel(r, 2), 3);
    if (known && height == 6) std::memcpy(image.row(3), image.row(2), static_cast<std::size_t>(width) * 3);
    extendBorder(dst, width, height, flip, 3, 3);
    return 1;
}

std::int32_t directionalGreenGuided(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                    std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                    const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    return directionalGreenGuidedOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip,
                                    layout);
}

}  // namespace pm

// Directional-gradient interpolation with green-guided colour (code 6 of the
// 1.1.2.0 build).  Three stages over the window of rows and columns 2 to
// size - 4, each writing one byte of every pixel: green along the direction
// of the smallest one-sided gradient, then red and blue guided by the green
// just stored, read back from the image.  The border of 3 finishes the image.
#include <cstdlib>
#include <cstring>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "frame/border.h"
#include "legacy/methods.h"

namespace pm {
namespace {

// An index into a table: at most 255, and negative values (which the
// subtracted terms can give) are 0.
inline unsigned tableIndex(int v) { return v < 0 ? 0u : v > 255 ? 255u : unsigned(v); }

// Green estimate of a red or blue site (r, c), before its table: every sample
// mapped through the green table, the direction of the smallest gradient
// (north, east, west, south: the first wins a tie) and its sum, a quarter of
// it rounded down.
inline int directionalGreen(const RawView& raw, const std::uint8_t* greenTable, std::int64_t r, std::int64_t c) {
    auto g = [&](std::int64_t row, std::int64_t column) { return int(greenTable[raw(row, column)]); };
    const int z = g(r, c);
    const int n1 = g(r - 1, c), n2 = g(r - 2, c), s1 = g(r + 1, c), s2 = g(r + 2, c);
    const int w1 = g(r, c - 1), w2 = g(r, c - 2), e1 = g(r, c + 1), e2 = g(r, c + 2);
    const int across = std::abs(w1 - e1), along = std::abs(n1 - s1);
    const int gradient[4] = {along + 2 * std::abs(n2 - z), across + 2 * std::abs(z - e2),
                             across + 2 * std::abs(w2 - z), along + 2 * std::abs(z - s2)};
    const int sum[4] = {3 * n1 + s1 + z - n2, 3 * e1 + w1 + z - e2, 3 * w1 + e1 + z - w2, 3 * s1 + n1 + z - s2};
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (gradient[k] < gradient[best]) best = k;
    return sum[best] >> 2;
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

// Byte 1 of rows 2 to height - 3 and columns 2 to width - 3: the window and
// one row and column beyond it, whose green the colour stages read at the
// window's last row and column and where the rule stays inside the frame.
// Row 1 and column 1, read at the window's first row and column, take the
// nearest computed green.
void greenStage(const RawView& raw, const ImageView& image, const std::uint8_t* greenTable, std::int32_t layout) {
    const Window extended{2, image.height - 3, 2, image.width - 3};
    forEachSite(layout, extended, [&](std::int64_t r, std::int64_t c, auto site) {
        if constexpr (colourSite(decltype(site)::value))
            image.green(r, c) = greenTable[tableIndex(directionalGreen(raw, greenTable, r, c))];
        else
            image.green(r, c) = greenTable[raw(r, c)];
    });
    for (std::int64_t r = 2; r <= image.height - 3; ++r) image.green(r, 1) = image.green(r, 2);
    for (std::int64_t c = 1; c <= image.width - 3; ++c) image.green(1, c) = image.green(2, c);
}

// Byte `channel` (2 red, 0 blue) of the window through `table`: the stage of
// colour Own (Site::Red or Site::Blue).
template <Site Own>
void colourStage(const RawView& raw, const ImageView& image, const std::uint8_t* greenTable,
                 const std::uint8_t* table, std::int32_t layout, int channel) {
    constexpr Site greenInOwnRow = Own == Site::Red ? Site::GreenInRedRow : Site::GreenInBlueRow;
    const Window window{2, image.height - 4, 2, image.width - 4};
    auto g = [&](std::int64_t r, std::int64_t c) { return int(greenTable[raw(r, c)]); };
    auto G = [&](std::int64_t r, std::int64_t c) { return int(image.green(r, c)); };
    forEachSite(layout, window, [&](std::int64_t r, std::int64_t c, auto site) {
        constexpr Site S = decltype(site)::value;
        int v;
        if constexpr (S == Own) {
            v = int(raw(r, c));
        } else if constexpr (S == greenInOwnRow) {
            v = guidedValue(G(r, c - 1), G(r, c), G(r, c + 1), g(r, c - 1), g(r, c + 1));
        } else if constexpr (!colourSite(S)) {
            v = guidedValue(G(r - 1, c), G(r, c), G(r + 1, c), g(r - 1, c), g(r + 1, c));
        } else {
            const int g0 = g(r, c), G0 = G(r, c);
            const int rising = std::abs(g(r + 2, c - 2) - g0) + std::abs(g0 - g(r - 2, c + 2)) +
                               std::abs(G(r + 1, c - 1) - G0) + std::abs(G0 - G(r - 1, c + 1)) +
                               std::abs(g(r + 1, c - 1) - g(r - 1, c + 1));
            const int falling = std::abs(g(r - 2, c - 2) - g0) + std::abs(g0 - g(r + 2, c + 2)) +
                                std::abs(G(r - 1, c - 1) - G0) + std::abs(G0 - G(r + 1, c + 1)) +
                                std::abs(g(r - 1, c - 1) - g(r + 1, c + 1));
            v = falling < rising
                    ? guidedValue(G(r - 1, c - 1), G0, G(r + 1, c + 1), g(r - 1, c - 1), g(r + 1, c + 1))
                    : guidedValue(G(r + 1, c - 1), G0, G(r - 1, c + 1), g(r + 1, c - 1), g(r - 1, c + 1));
        }
        image.pixel(r, c)[channel] = table[tableIndex(v)];
    });
}

}  // namespace

std::int32_t directionalGreenGuided(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                    std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                    const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    // A side of 4 has an empty window: nothing could fill the image.
    if (!frameAccepted(src, dst, width, height) || width < 6 || height < 6) return 0;
    const RawView raw{src, width};
    const ImageView image{dst, width, height, flipSet(flip)};
    if (layout >= 1 && layout <= 4) {
        greenStage(raw, image, lutGreen, layout);
        colourStage<Site::Red>(raw, image, lutGreen, lutRed, layout, 2);
        colourStage<Site::Blue>(raw, image, lutGreen, lutBlue, layout, 0);
    }
    // A side of 6 has a window of the one line 2, which the border of 3 would
    // replace by line 3; line 3 takes line 2 first, as in the median methods.
    if (width == 6)
        for (std::int64_t r = 0; r < height; ++r) std::memcpy(image.pixel(r, 3), image.pixel(r, 2), 3);
    if (height == 6) std::memcpy(image.row(3), image.row(2), static_cast<std::size_t>(width) * 3);
    extendBorder(dst, width, height, flip, 3, 3);
    return 1;
}

}  // namespace pm

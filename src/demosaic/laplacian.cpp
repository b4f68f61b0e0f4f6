// Laplacian-corrected gradient interpolation (ConvertBayer2Rgb method code 8).
// A green pass estimates green at every red and blue site along the flatter
// of the two axes, corrected by the second difference of the site's own
// colour; a main pass then estimates red and blue from colour differences
// against green and maps all three bytes.  The destination's green bytes are
// the working store between the passes, and the main pass replaces each
// pixel's unmapped estimate by its mapped value when it finishes the pixel,
// so later pixels read finished neighbours (above, left) mapped and the rest
// unmapped.  The whole call holds the library's method lock.
#include <cstdlib>
#include <mutex>

#include "demosaic/bayer.h"
#include "demosaic/methods.h"
#include "demosaic/site_walk.h"
#include "frame/library_state.h"

namespace pm {
namespace {

// Halved or quartered estimates truncate toward zero, then saturate.
inline int clampToTable(int v) { return v <= 0 ? 0 : (v >= 255 ? 255 : v); }

struct LaplacianFrame {
    RawView raw;
    ImageView image;
    LookupTables tables;
    std::int32_t layout;
    Window area;  // the computed pixels
    bool bottomUp;

    int s(std::int64_t r, std::int64_t c) const { return raw(r, c); }

    bool computed(std::int64_t r, std::int64_t c) const {
        return r >= area.firstRow && r <= area.lastRow && c >= area.firstColumn && c <= area.lastColumn;
    }

    // The green a frame pixel next to the computed area stands for: its own
    // sample at a green site, else the mean of its four orthogonal samples,
    // rounded down (the flip prologue's rule for row 1).  It is computed
    // where it is read and never stored, so the computed pixels do not depend
    // on the destination's previous contents and the frame stays untouched.
    int frameGreen(std::int64_t r, std::int64_t c) const {
        if (siteColour(layout, r, c) == Colour::Green) return s(r, c);
        return (s(r - 1, c) + s(r + 1, c) + s(r, c - 1) + s(r, c + 1)) / 4;
    }

    // The green byte of pixel (r, c) as it stands during the main pass.
    int green(std::int64_t r, std::int64_t c) const {
        return computed(r, c) ? image.green(r, c) : frameGreen(r, c);
    }

    // (s1 + s2 + 2 g - g1 - g2) / 2: a colour from two samples of it and the
    // greens beside them, corrected by the green difference at the site.
    static int colourDifference(int s1, int s2, int g, int g1, int g2) { return (s1 + s2 + 2 * g - g1 - g2) / 2; }
};

template <Site S>
void greenEstimate(const LaplacianFrame& f, std::int64_t r, std::int64_t c) {
    if constexpr (!colourSite(S)) {
        f.image.green(r, c) = static_cast<std::uint8_t>(f.s(r, c));
    } else {
        const int x2 = 2 * f.s(r, c);
        const int left = f.s(r, c - 1), right = f.s(r, c + 1), up = f.s(r - 1, c), down = f.s(r + 1, c);
        const int horizontalCurve = x2 - f.s(r, c - 2) - f.s(r, c + 2);
        const int verticalCurve = x2 - f.s(r - 2, c) - f.s(r + 2, c);
        const int horizontal = std::abs(left - right) + std::abs(horizontalCurve);
        const int vertical = std::abs(up - down) + std::abs(verticalCurve);
        // Ties take the horizontal estimate.
        const int estimate =
            vertical < horizontal ? (2 * (up + down) + verticalCurve) / 4 : (2 * (left + right) + horizontalCurve) / 4;
        f.image.green(r, c) = static_cast<std::uint8_t>(clampToTable(estimate));
    }
}

// Byte index of a colour in a BGR pixel, and its table.
constexpr int byteOf(Colour c) { return c == Colour::Blue ? 0 : (c == Colour::Green ? 1 : 2); }
inline const std::uint8_t* tableOf(const LookupTables& t, Colour c) {
    return c == Colour::Blue ? t.blue : (c == Colour::Green ? t.green : t.red);
}

template <Site S>
void finishPixel(const LaplacianFrame& f, std::int64_t r, std::int64_t c) {
    const LookupTables& t = f.tables;
    std::uint8_t* px = f.image.pixel(r, c);
    const int g = px[1];  // this pixel's own estimate, still unmapped
    if constexpr (!colourSite(S)) {
        // The colours of the horizontal and of the vertical neighbours.
        constexpr Colour across = S == Site::GreenInRedRow ? Colour::Red : Colour::Blue;
        constexpr Colour upDown = S == Site::GreenInRedRow ? Colour::Blue : Colour::Red;
        const int h = LaplacianFrame::colourDifference(f.s(r, c - 1), f.s(r, c + 1), g, f.green(r, c - 1),
                                                       f.green(r, c + 1));
        const int v = LaplacianFrame::colourDifference(f.s(r - 1, c), f.s(r + 1, c), g, f.green(r - 1, c),
                                                       f.green(r + 1, c));
        px[byteOf(across)] = tableOf(t, across)[clampToTable(h)];
        px[byteOf(upDown)] = tableOf(t, upDown)[clampToTable(v)];
    } else {
        constexpr Colour own = S == Site::Red ? Colour::Red : Colour::Blue;
        constexpr Colour opposite = S == Site::Red ? Colour::Blue : Colour::Red;
        const int sNE = f.s(r - 1, c + 1), sSW = f.s(r + 1, c - 1), sNW = f.s(r - 1, c - 1), sSE = f.s(r + 1, c + 1);
        const int gNE = f.green(r - 1, c + 1), gSW = f.green(r + 1, c - 1), gNW = f.green(r - 1, c - 1),
                  gSE = f.green(r + 1, c + 1);
        const int rising = std::abs(sNE - sSW) + std::abs(2 * g - gSW - gNE);
        const int falling = std::abs(sNW - sSE) + std::abs(2 * g - gSE - gNW);
        // Ties go to the diagonal that runs from upper left to lower right
        // in the image as stored: the falling one top-down, the rising one
        // bottom-up.
        const bool takeRising = f.bottomUp ? !(falling < rising) : rising < falling;
        const int y = takeRising ? LaplacianFrame::colourDifference(sNE, sSW, g, gSW, gNE)
                                 : LaplacianFrame::colourDifference(sNW, sSE, g, gSE, gNW);
        px[byteOf(opposite)] = tableOf(t, opposite)[clampToTable(y)];
        px[byteOf(own)] = tableOf(t, own)[f.s(r, c)];
    }
    px[1] = t.green[g];
}

// Bottom-up frames of the colour-first layouts get green estimates in source
// rows 0 and 1 (memory rows height - 1 and height - 2) before the green pass:
// row 0 of a colour-first layout holds red or blue at even columns, row 1
// green there.  Row 1 needs source row 2, so lower frames skip the prologue.
void flipPrologue(const LaplacianFrame& f, std::int64_t lastColumn, std::int32_t height) {
    if (height < 3) return;
    for (std::int64_t c = 2; c <= lastColumn; ++c) {
        const bool even = (c & 1) == 0;
        f.image.green(0, c) = static_cast<std::uint8_t>(even ? (f.s(0, c - 1) + f.s(0, c + 1)) / 2 : f.s(0, c));
        f.image.green(1, c) = static_cast<std::uint8_t>(
            even ? f.s(1, c) : (f.s(0, c) + f.s(2, c) + f.s(1, c - 1) + f.s(1, c + 1)) / 4);
    }
}

}  // namespace

std::int32_t laplacianGradient(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                               std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                               const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    const std::lock_guard<std::mutex> hold(methodLock);
    // Rows and columns 2 to the last even size minus 3: a pair-wise walk
    // leaves out an odd last row or column.
    const std::int64_t lastRow = 2 * (height / 2) - 3, lastColumn = 2 * (width / 2) - 3;
    const bool bottomUp = flipSet(flip);
    const LaplacianFrame f{RawView{src, width}, ImageView{dst, width, height, bottomUp},
                           LookupTables{lutRed, lutGreen, lutBlue}, layout, Window{2, lastRow, 2, lastColumn},
                           bottomUp};
    if (bottomUp && (layout == 3 || layout == 4)) flipPrologue(f, lastColumn, height);
    forEachSite(layout, f.area,
                [&](std::int64_t r, std::int64_t c, auto site) { greenEstimate<decltype(site)::value>(f, r, c); });
    // Row by row, left to right: the order the mapped neighbours rely on.
    forEachSite(layout, f.area,
                [&](std::int64_t r, std::int64_t c, auto site) { finishPixel<decltype(site)::value>(f, r, c); });
    return 1;
}

}  // namespace pm

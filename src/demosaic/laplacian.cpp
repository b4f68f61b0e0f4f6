// Laplacian-corrected gradient interpolation (ConvertBayer2Rgb method code 8).
// A green pass estimates green at every red and blue site along the flatter
// of the two axes, corrected by the second difference of the site's own
// colour; a main pass then estimates red and blue from colour differences
// against green and maps all three bytes.  The destination's green bytes are
// the working store between the passes, and the main pass replaces each
// pixel's unmapped estimate by its mapped value when it finishes the pixel,
// so later pixels read finished neighbours (above, left) mapped and the rest
// unmapped.  The whole call holds the library's method lock.
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <type_traits>

#include "demosaic/bayer.h"
#include "demosaic/methods.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/vector_paths.h"
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
};

// One pixel's neighbourhood by offsets: source samples from `s` (row length
// `stride`), destination bytes from `d` (image-row step `step`).  Next to the
// frame (`Edge`), greens of frame pixels come from LaplacianFrame::frameGreen.
template <bool Edge>
struct Around {
    const LaplacianFrame& f;
    std::int64_t r, c;
    const std::uint8_t* s;
    std::ptrdiff_t stride;
    std::uint8_t* d;
    std::ptrdiff_t step;

    int sample(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return s[dr * stride + dc]; }
    // The green byte of a neighbour as it stands during the main pass.
    int green(std::ptrdiff_t dr, std::ptrdiff_t dc) const {
        if constexpr (Edge)
            if (!f.computed(r + dr, c + dc)) return f.frameGreen(r + dr, c + dc);
        return d[dr * step + 3 * dc + 1];
    }
};

// (s1 + s2 + 2 g - g1 - g2) / 2: a colour from two samples of it and the
// greens beside them, corrected by the green difference at the site.
inline int colourDifference(int s1, int s2, int g, int g1, int g2) { return (s1 + s2 + 2 * g - g1 - g2) / 2; }

template <Site S>
void greenEstimate(const Around<false>& a) {
    if constexpr (!colourSite(S)) {
        a.d[1] = a.s[0];
    } else {
        const int x2 = 2 * a.sample(0, 0);
        const int left = a.sample(0, -1), right = a.sample(0, 1), up = a.sample(-1, 0), down = a.sample(1, 0);
        const int horizontalCurve = x2 - a.sample(0, -2) - a.sample(0, 2);
        const int verticalCurve = x2 - a.sample(-2, 0) - a.sample(2, 0);
        const int horizontal = std::abs(left - right) + std::abs(horizontalCurve);
        const int vertical = std::abs(up - down) + std::abs(verticalCurve);
        // Ties take the horizontal estimate.
        const int estimate =
            vertical < horizontal ? (2 * (up + down) + verticalCurve) / 4 : (2 * (left + right) + horizontalCurve) / 4;
        a.d[1] = static_cast<std::uint8_t>(clampToTable(estimate));
    }
}

// Byte index of a colour in a BGR pixel, and its table.
constexpr int byteOf(Colour c) { return c == Colour::Blue ? 0 : (c == Colour::Green ? 1 : 2); }
inline const std::uint8_t* tableOf(const LookupTables& t, Colour c) {
    return c == Colour::Blue ? t.blue : (c == Colour::Green ? t.green : t.red);
}

template <Site S, bool Edge>
void finishPixel(const Around<Edge>& a, const LookupTables& t, bool bottomUp) {
    std::uint8_t* px = a.d;
    const int g = px[1];  // this pixel's own estimate, still unmapped
    if constexpr (!colourSite(S)) {
        // The colours of the horizontal and of the vertical neighbours.
        constexpr Colour across = S == Site::GreenInRedRow ? Colour::Red : Colour::Blue;
        constexpr Colour upDown = S == Site::GreenInRedRow ? Colour::Blue : Colour::Red;
        const int h = colourDifference(a.sample(0, -1), a.sample(0, 1), g, a.green(0, -1), a.green(0, 1));
        const int v = colourDifference(a.sample(-1, 0), a.sample(1, 0), g, a.green(-1, 0), a.green(1, 0));
        px[byteOf(across)] = tableOf(t, across)[clampToTable(h)];
        px[byteOf(upDown)] = tableOf(t, upDown)[clampToTable(v)];
    } else {
        constexpr Colour own = S == Site::Red ? Colour::Red : Colour::Blue;
        constexpr Colour opposite = S == Site::Red ? Colour::Blue : Colour::Red;
        const int sNE = a.sample(-1, 1), sSW = a.sample(1, -1), sNW = a.sample(-1, -1), sSE = a.sample(1, 1);
        const int gNE = a.green(-1, 1), gSW = a.green(1, -1), gNW = a.green(-1, -1), gSE = a.green(1, 1);
        const int rising = std::abs(sNE - sSW) + std::abs(2 * g - gSW - gNE);
        const int falling = std::abs(sNW - sSE) + std::abs(2 * g - gSE - gNW);
        // Ties go to the diagonal that runs from upper left to lower right
        // in the image as stored: the falling one top-down, the rising one
        // bottom-up.
        const bool takeRising = bottomUp ? !(falling < rising) : rising < falling;
        const int y = takeRising ? colourDifference(sNE, sSW, g, gSW, gNE) : colourDifference(sNW, sSE, g, gSE, gNW);
        px[byteOf(opposite)] = tableOf(t, opposite)[clampToTable(y)];
        px[byteOf(own)] = tableOf(t, own)[a.s[0]];
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

std::int32_t laplacianGradientWith(bool vectorPrefixes, const std::uint8_t* src, std::uint8_t* dst,
                                   std::int32_t width, std::int32_t height, const std::uint8_t* lutRed,
                                   const std::uint8_t* lutGreen, const std::uint8_t* lutBlue, std::uint32_t flip,
                                   std::int32_t layout) {
    const std::lock_guard<MethodLock> hold(methodLock);
    // Rows and columns 2 to the last even size minus 3: a pair-wise walk
    // leaves out an odd last row or column.
    // (In 64 bits: the method checks no size, and the most negative height
    // would overflow.)
    const std::int64_t lastRow = 2 * (std::int64_t{height} / 2) - 3, lastColumn = 2 * (std::int64_t{width} / 2) - 3;
    const bool bottomUp = flipSet(flip);
    const ImageView image{dst, width, height, bottomUp};
    const LaplacianFrame f{RawView{src, width}, image, LookupTables{lutRed, lutGreen, lutBlue}, layout,
                           Window{2, lastRow, 2, lastColumn}};
    if (bottomUp && (layout == 3 || layout == 4)) flipPrologue(f, lastColumn, height);
    const std::ptrdiff_t step = image.rowStep();
    const bool vector = vectorPrefixes && simd::hasAvx2();
    auto around = [&](auto edge, std::int64_t r, std::int64_t c) {
        return Around<decltype(edge)::value>{f, r, c, f.raw.row(r) + c, width, image.pixel(r, c), step};
    };
    auto estimate = [&](std::int64_t r, std::int64_t c, auto site) {
        greenEstimate<decltype(site)::value>(around(std::false_type{}, r, c));
    };
    auto finish = [&](std::int64_t r, std::int64_t c, auto site) {
        constexpr Site S = decltype(site)::value;
        // Only the outermost computed rows and columns have frame neighbours.
        if (r == 2 || r == lastRow || c == 2 || c == lastColumn)
            finishPixel<S>(around(std::true_type{}, r, c), f.tables, bottomUp);
        else
            finishPixel<S>(around(std::false_type{}, r, c), f.tables, bottomUp);
    };

    // No column to compute: the row walks below would do nothing, over up to
    // 2^31 rows.
    if (lastColumn < 2) return 1;
    for (std::int64_t r = 2; r <= lastRow; ++r) {
        std::int64_t c = 2;
        if (vector && lastColumn >= 2)
            withRowKind(layout, r, [&](auto row) {
                c += simd::laplacianGreenColumns<decltype(row)>(f.raw.row(r) + 2, width, lastColumn - 1,
                                                                image.pixel(r, 2));
            });
        forEachSite(layout, Window{r, r, c, lastColumn}, estimate);
    }
    // Row by row, left to right: the order the mapped neighbours rely on.
    for (std::int64_t r = 2; r <= lastRow; ++r) {
        std::int64_t c = 2;
        if (vector && r != 2 && r != lastRow && lastColumn > 3) {
            forEachSite(layout, Window{r, r, 2, 2}, finish);
            c = 3;
            withRowKind(layout, r, [&](auto row) {
                // Seen from column 3, the row's odd-column site comes first.
                using FromColumnThree = RowKind<decltype(row)::odd, decltype(row)::even>;
                c += simd::laplacianFinishColumns<FromColumnThree>(f.raw.row(r) + 3, width, lastColumn - 3,
                                                                   image.pixel(r, 3), step, bottomUp, f.tables);
            });
        }
        forEachSite(layout, Window{r, r, c, lastColumn}, finish);
    }
    return 1;
}

std::int32_t laplacianGradient(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                               const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                               std::uint32_t flip, std::int32_t layout) {
    return laplacianGradientWith(true, src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

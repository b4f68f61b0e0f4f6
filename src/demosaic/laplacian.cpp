// Laplacian-corrected gradient interpolation (ConvertBayer2Rgb method code 8).
// A green pass estimates green at every red and blue site along the flatter
// of the two axes, corrected by the second difference of the site's own
// colour; a main pass then estimates red and blue from colour differences
// against green and maps all three bytes.  The destination's green bytes are
// the working store between the passes, and the main pass replaces each
// pixel's unmapped estimate by its mapped value when it finishes the pixel,
// so later pixels read finished neighbours (above, left) mapped and the rest
// unmapped.  That is how the scalar path runs; the vector paths give the same
// image from rows kept beside it (fusedPasses).  The whole call holds the
// library's method lock.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <type_traits>

#include "demosaic/bayer.h"
#include "demosaic/method_paths.h"
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

// The green pass's byte of site S: its sample at a green site, else the
// estimate along the flatter axis.
template <Site S>
std::uint8_t greenEstimate(const Around<false>& a) {
    if constexpr (!colourSite(S)) {
        return a.s[0];
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
        return static_cast<std::uint8_t>(clampToTable(estimate));
    }
}

// Byte index of a colour in a BGR pixel, and its table.
constexpr int byteOf(Colour c) { return c == Colour::Blue ? 0 : (c == Colour::Green ? 1 : 2); }
inline const std::uint8_t* tableOf(const LookupTables& t, Colour c) {
    return c == Colour::Blue ? t.blue : (c == Colour::Green ? t.green : t.red);
}

// Pixel `px` of site S, whose own green estimate (still unmapped) is g, from
// its neighbourhood `a` (sample and green by offsets).
template <Site S, typename A>
void finishPixel(const A& a, int g, std::uint8_t* px, const LookupTables& t, bool bottomUp) {
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

// ---- The passes fused row by row ------------------------------------------
//
// The main pass reads, of its neighbours' greens, row r - 1 and the left
// neighbour finished (mapped), the rest as estimates, and frame pixels by
// frameGreen.  Kept as rows - the estimates of rows r - 1 to r + 1 and,
// through tables, the finished greens of rows r - 1 and r, each with the
// frame's greens at frame columns - those are all a pixel reads, so the
// pixels of a row can be computed in any order and in one pass with the
// estimates, while the rows are in cache; the image is that of the two
// passes.  The frame is walked in strips of columns so that the rows need
// no allocation.

constexpr std::int64_t kStripColumns = 4096;

struct GreenRows {
    // Row q in q % 3, from the column before the strip (index 0) to the one
    // after it.
    std::uint8_t estimates[3][kStripColumns + 2];
    std::uint8_t finished[3][kStripColumns + 2];
};

// A pixel's neighbourhood over the green rows: `greens` point at its column
// of the rows [0] r - 1 finished, [1] r estimated, [2] r finished, [3] r + 1
// estimated.
struct RowsAround {
    const std::uint8_t* s;
    std::ptrdiff_t stride;
    const std::uint8_t* const* greens;

    int sample(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return s[dr * stride + dc]; }
    int green(std::ptrdiff_t dr, std::ptrdiff_t dc) const {
        if (dr != 0) return (dr < 0 ? greens[0] : greens[3])[dc];
        return (dc < 0 ? greens[2] : greens[1])[dc];
    }
};

void fusedPasses(const LaplacianFrame& f, const simd::RowPlan& plan, bool bottomUp) {
    const std::int64_t lastRow = f.area.lastRow, lastColumn = f.area.lastColumn;
    const std::ptrdiff_t stride = f.raw.width;
    const LookupTables& t = f.tables;
    GreenRows rows;
    auto estimates = [&](std::int64_t q) { return rows.estimates[q % 3]; };
    auto finished = [&](std::int64_t q) { return plan.unmapped ? rows.estimates[q % 3] : rows.finished[q % 3]; };
    withLayoutRows(f.layout, [&](auto evenRows, auto oddRows) {
        auto ofRow = [&](std::int64_t r, auto fn) {
            if (r & 1)
                fn(oddRows);
            else
                fn(evenRows);
        };
        for (std::int64_t first = 2; first <= lastColumn; first += kStripColumns) {
            const std::int64_t last = std::min(first + kStripColumns - 1, lastColumn);
            const std::int64_t lo = first - 1, hi = last + 1;
            // Greens of row q (1 to lastRow + 1) at columns lo to hi.
            auto greenRow = [&](std::int64_t q) {
                std::uint8_t *estimate = estimates(q), *done = finished(q);
                auto frame = [&](std::int64_t c) { estimate[c - lo] = done[c - lo] = f.frameGreen(q, c); };
                if (q < 2 || q > lastRow) {
                    for (std::int64_t c = lo; c <= hi; ++c) frame(c);
                    return;
                }
                ofRow(q, [&](auto row) {
                    using Row = decltype(row);
                    auto scalar = [&](std::int64_t c) {
                        if (!f.computed(q, c)) return frame(c);
                        const Around<false> a{f, q, c, f.raw.row(q) + c, stride, nullptr, 0};
                        const std::uint8_t v = (c & 1) ? greenEstimate<Row::odd>(a) : greenEstimate<Row::even>(a);
                        estimate[c - lo] = v;
                        done[c - lo] = t.green[v];
                    };
                    scalar(lo);
                    const std::uint8_t* const samples[5] = {f.raw.row(q - 2) + first, f.raw.row(q - 1) + first,
                                                            f.raw.row(q) + first, f.raw.row(q + 1) + first,
                                                            f.raw.row(q + 2) + first};
                    std::int64_t c = first + simd::laplacianGreenColumns<Row>(
                                                 samples, std::min(hi, lastColumn) + 1 - first, estimate + 1, done + 1, plan);
                    for (; c <= hi; ++c) scalar(c);
                });
            };
            // Whole pixels of row r (2 to lastRow) at columns first to last.
            auto finishRow = [&](std::int64_t r) {
                ofRow(r, [&](auto row) {
                    using Row = decltype(row);
                    const std::uint8_t* const samples[3] = {f.raw.row(r - 1) + first, f.raw.row(r) + first,
                                                            f.raw.row(r + 1) + first};
                    const std::uint8_t* const greens[4] = {finished(r - 1) + 1, estimates(r) + 1, finished(r) + 1,
                                                           estimates(r + 1) + 1};
                    std::int64_t c = first + simd::laplacianFinishColumns<Row>(samples, greens, last + 1 - first,
                                                                               f.image.pixel(r, first), plan, bottomUp);
                    for (; c <= last; ++c) {
                        const std::ptrdiff_t i = c - first;
                        const std::uint8_t* const at[4] = {greens[0] + i, greens[1] + i, greens[2] + i, greens[3] + i};
                        const RowsAround a{f.raw.row(r) + c, stride, at};
                        if (c & 1)
                            finishPixel<Row::odd>(a, *at[1], f.image.pixel(r, c), t, bottomUp);
                        else
                            finishPixel<Row::even>(a, *at[1], f.image.pixel(r, c), t, bottomUp);
                    }
                });
            };
            greenRow(1);
            greenRow(2);
            for (std::int64_t r = 2; r <= lastRow; ++r) {
                greenRow(r + 1);
                finishRow(r);
            }
        }
    });
}

}  // namespace

std::int32_t laplacianGradientOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                 std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                 const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout, simd::Stores) {
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
    // No column or no row to compute: the row walks below would do nothing,
    // over up to 2^31 rows.  Stopping here also keeps the row step (3 x
    // width) from being formed for a frame too low to compute: in the 32-bit
    // builds such a frame may be wide enough for it to overflow.
    if (lastColumn < 2 || lastRow < 2) return 1;
    // Any vector path runs the passes fused; the scalar path runs them as
    // described, one after the other over the image.
    if (path != simd::Path::Scalar) {
        if (lastRow >= 2) fusedPasses(f, simd::planRows(f.tables, path), bottomUp);
        return 1;
    }
    const std::ptrdiff_t step = image.rowStep();
    auto around = [&](auto edge, std::int64_t r, std::int64_t c) {
        return Around<decltype(edge)::value>{f, r, c, f.raw.row(r) + c, width, image.pixel(r, c), step};
    };
    auto estimate = [&](std::int64_t r, std::int64_t c, auto site) {
        image.green(r, c) = greenEstimate<decltype(site)::value>(around(std::false_type{}, r, c));
    };
    auto finish = [&](std::int64_t r, std::int64_t c, auto site) {
        constexpr Site S = decltype(site)::value;
        // Only the outermost computed rows and columns have frame neighbours.
        if (r == 2 || r == lastRow || c == 2 || c == lastColumn) {
            const auto a = around(std::true_type{}, r, c);
            finishPixel<S>(a, a.d[1], a.d, f.tables, bottomUp);
        } else {
            const auto a = around(std::false_type{}, r, c);
            finishPixel<S>(a, a.d[1], a.d, f.tables, bottomUp);
        }
    };
    forEachSite(layout, Window{2, lastRow, 2, lastColumn}, estimate);
    // Row by row, left to right: the order the mapped neighbours rely on.
    forEachSite(layout, Window{2, lastRow, 2, lastColumn}, finish);
    return 1;
}

std::int32_t laplacianGradient(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                               const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                               std::uint32_t flip, std::int32_t layout) {
    return laplacianGradientOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

// Colour-difference interpolation (code 5 of the 1.1.2.0 build).  Green
// minus blue and green minus red are estimated at every site (at green sites
// from an edge-weighted estimate of the missing colour, elsewhere as means of
// the neighbouring differences), the missing colours are rebuilt from them,
// and the pixels go through the tables into the image, which a border of 3
// finishes.
//
// The method was first written as twelve passes over planes of the whole
// frame, one colour's sites at a time.  Every value depends only on a few
// rows around its own, so here the passes run row by row, a few rows behind
// one another, on rings of lines that stay in the cache.  A row holds the
// sites of one colour besides green, alternating with them, so each line
// keeps its two kinds of site apart ("colour" and "green" halves, entry i of
// each in the column pair i): every pass then walks one kind of site at unit
// stride, in vector code where the path has it (colour_difference_blocks.h)
// and here for the rest of the row.  The differences are kept as "own"
// (green minus the colour of the row's own red or blue sites) and "other"
// (green minus the colour of the rows above and below); at a green site the
// own colour is estimated along the row, the other one along the column.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <mutex>

#include "demosaic/bayer.h"
#include "frame/border.h"
#include "legacy/methods.h"

namespace pm {
namespace {

// The largest image the method accepts: that of the planes it was first
// written for (1800 entries per row, 2400 rows, less the row and column
// before the image and the two after it).
constexpr std::int32_t kMaxWidth = 1796, kMaxHeight = 2396;

// A half line: the sites of one kind of a row, entry i at index i + 1, with
// a margin entry of 0 before the first and after the last.
constexpr std::size_t kHalf = kMaxWidth / 2 + 2;

// Where each colour's sites start under a layout code: the first red and
// blue site (then every second row and column), the first green row and the
// column it starts at (each later row starts at column 1 after an even start,
// at column 0 after an odd one).  Sites before these starts are never
// filled: they keep 0 in every colour and difference, and so give the
// tables' entry 0.
struct Starts {
    int redRow, redColumn, blueRow, blueColumn, greenRow, greenColumn;
};
constexpr Starts kStarts[4] = {
    {1, 2, 2, 1, 2, 2},  // 1: green, blue / red, green
    {0, 1, 1, 0, 1, 1},  // 2: green, red / blue, green
    {1, 1, 2, 2, 2, 1},  // 3: blue, green / green, red
    {2, 2, 1, 1, 2, 1},  // 4: red, green / green, blue
};

// The sites of one row: whether its own sites are red, the parity of their
// columns (colour site i is column 2i + colourParity, green site i column
// 2i + 1 - colourParity), and the first filled site of each kind (the
// number of pairs when none is).
struct RowSites {
    bool red;
    int colourParity;
    std::int64_t firstColour, firstGreen;
    // Green site i has colour sites step + i and step + i + 1 to its left
    // and right; colour site i has green sites -1 - step + i and -step + i
    // likewise, and so have the rows above and below at its diagonals.
    int step() const { return colourParity == 0 ? 0 : -1; }
};

RowSites rowSites(const Starts& s, std::int64_t r, std::int32_t width) {
    const bool red = r % 2 == s.redRow % 2;
    const int colourRow = red ? s.redRow : s.blueRow, colourColumn = red ? s.redColumn : s.blueColumn;
    const int parity = colourColumn % 2, greenColumn = r == s.greenRow ? s.greenColumn : 1 - parity;
    const std::int64_t pairs = width / 2;
    return {red, parity, r >= colourRow ? colourColumn / 2 : pairs, r >= s.greenRow ? greenColumn / 2 : pairs};
}

// The missing colour at a green site from the two nearest samples a and c of
// that colour on one line through the site: each weighted by how little its
// side changes (the colour step between them, the green step along the line
// from the site), in double precision, truncated.
inline std::int32_t edgeWeighted(int a, int c, int g0, int g2) {
    const double wa = 1.0 / ((c - a) * (c - a) + 1);
    const double wc = 1.0 / ((g2 - g0) * (g2 - g0) + 1);
    return static_cast<std::int32_t>((a * wa + c * wc) / (wa + wc));
}

// The same estimate with one division in single precision.  With
// p = (c - a)^2 + 1 and q = (g2 - g0)^2 + 1 the weighted mean is
// (a q + c p) / (p + q): the smaller sample plus |c - a| p / (p + q) (c the
// larger) or |c - a| q / (p + q) (a the larger).  Numerator and divisor are
// whole and below 2^24, so exact in single precision, and a quotient that
// is not whole lies at least 1 / (p + q) from the next whole number, more
// than its rounding (relatively 2^-24, and the numerator is below 2^24) can
// move it: truncated, it is the floor.  That floor is what the double
// recipe gives too, its own rounding being far smaller.  A whole quotient
// the recipe may give as one less, so `whole` sends those to the recipe
// itself.  The tests check both claims for every (a, c, g2 - g0).
struct Estimate {
    std::int32_t value;
    bool whole;
};
inline Estimate estimateFloor(int a, int c, int g0, int g2) {
    const float k = float(c - a), j = float(g2 - g0);
    const float p = k * k + 1.0f, q = j * j + 1.0f, span = p + q;
    const float part = std::fabs(k) * (k < 0 ? q : p);
    const int floor = int(part / span);
    return {std::min(a, c) + floor, float(floor) * span == part};
}

// The mean of four differences, truncated toward zero (the recipe's quarter
// in double precision is exact, and so truncates as the division does).
inline std::int32_t neighbourMean(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    return (a + b + c + d) / 4;
}

inline std::uint8_t clamped(std::int32_t v) { return std::uint8_t(std::min(std::max(v, 0), 255)); }

}  // namespace

// Green less the edge-weighted estimate at n green sites (see methods.h):
// the vector prefix and the floor for the rest, then the recipe itself at
// the sites whose weighted mean was whole.  `whole` is scratch for n flags
// and 15 more.
void colourDifferenceEstimates(const simd::RowPlan& plan, const std::int16_t* a, const std::int16_t* c,
                               const std::int16_t* g0, const std::int16_t* g2, std::int64_t n,
                               std::int16_t* difference, std::int16_t* whole) {
    std::int64_t i = simd::differenceEstimateColumns(a, c, g0, g2, 2 * n, difference, whole, plan) / 2;
    for (; i < n; ++i) {
        const Estimate e = estimateFloor(a[i], c[i], g0[i], g2[i]);
        difference[i] = std::int16_t(g0[i] - e.value);
        whole[i] = std::int16_t(e.whole ? -1 : 0);
    }
    // Few are whole but where the frame is flat: look at 16 flags at a time.
    for (i = 0; i < n; i += 16) {
        std::uint64_t flags[4];
        std::memcpy(flags, whole + i, sizeof flags);
        if ((flags[0] | flags[1] | flags[2] | flags[3]) == 0) continue;
        for (std::int64_t k = i; k < i + 16 && k < n; ++k)
            if (whole[k] != 0) difference[k] = std::int16_t(g0[k] - edgeWeighted(a[k], c[k], g0[k], g2[k]));
    }
}

namespace {

// The working lines, shared by every call (one call at a time), each entry
// of a half at index i + 1.  Samples: the frame's samples at filled sites, 0
// elsewhere, a row's read until four rows later; differences: own at both
// kinds of site, other at green sites, read until three rows later.
struct SampleLine {
    std::int16_t colour[kHalf], green[kHalf];
};
struct DifferenceLine {
    std::int16_t colourOwn[kHalf], greenOwn[kHalf], greenOther[kHalf];
};
struct Lines {
    SampleLine samples[8];
    DifferenceLine differences[4];
    // Which estimates of a row's green sites were whole.
    std::int16_t whole[kHalf + 16];
};
Lines lines;
const SampleLine zeroSamples = {};
const DifferenceLine zeroDifferences = {};
std::mutex lineLock;

// One conversion: the frame, its layout, the plan of its vector prefixes,
// and its rows' lines (rows before and after the image read as lines of 0,
// as the margins of the planes did).
struct Conversion {
    const std::uint8_t* src;
    std::int32_t width, height;
    Starts starts;
    simd::RowPlan plan;

    std::int64_t pairs() const { return width / 2; }
    bool inside(std::int64_t r) const { return r >= 0 && r < height; }
    const SampleLine& samples(std::int64_t r) const { return inside(r) ? lines.samples[r & 7] : zeroSamples; }
    const DifferenceLine& differences(std::int64_t r) const {
        return inside(r) ? lines.differences[r & 3] : zeroDifferences;
    }

    // Row r's samples, 0 at its unfilled sites and in the margins.
    void loadSamples(std::int64_t r) const {
        SampleLine& line = lines.samples[r & 7];
        const RowSites row = rowSites(starts, r, width);
        std::int16_t* even = (row.colourParity == 0 ? line.colour : line.green) + 1;
        std::int16_t* odd = (row.colourParity == 0 ? line.green : line.colour) + 1;
        const std::uint8_t* s = src + std::size_t(r) * std::size_t(width);
        const std::int64_t n = pairs();
        for (std::int64_t i = 0; i < n; ++i) even[i] = s[2 * i], odd[i] = s[2 * i + 1];
        std::fill(line.colour, line.colour + row.firstColour + 1, 0);
        std::fill(line.green, line.green + row.firstGreen + 1, 0);
        line.colour[n + 1] = line.green[n + 1] = 0;
    }

    // The differences at row r's green sites, from the estimates of its own
    // colour along the row and of the other colour along the column.
    void greenDifferences(std::int64_t r) const {
        const RowSites row = rowSites(starts, r, width);
        const std::int16_t* green = samples(r).green + 1;
        const std::int16_t* beside = samples(r).colour + 1 + row.step();
        const std::int16_t *above = samples(r - 1).colour + 1, *below = samples(r + 1).colour + 1;
        const std::int16_t* twoBelow = samples(r + 2).green + 1;
        DifferenceLine& line = lines.differences[r & 3];
        std::int16_t *own = line.greenOwn + 1, *other = line.greenOther + 1;
        const std::int64_t n = pairs();
        colourDifferenceEstimates(plan, beside, beside + 1, green, green + 1, n, own, lines.whole);
        colourDifferenceEstimates(plan, above, below, green, twoBelow, n, other, lines.whole);
        std::fill(own - 1, own + row.firstGreen, 0);
        std::fill(other, other + row.firstGreen, 0);
        own[n] = 0;
    }

    // Green minus the own colour at row r's red or blue sites: the mean of
    // the four green neighbours' (own along the row, other above and below,
    // where that colour lies on the column).
    void colourDifferences(std::int64_t r) const {
        const RowSites row = rowSites(starts, r, width);
        DifferenceLine& line = lines.differences[r & 3];
        const std::int16_t* beside = line.greenOwn + 1 - 1 - row.step();
        const std::int16_t *above = differences(r - 1).greenOther + 1, *below = differences(r + 1).greenOther + 1;
        std::int16_t* own = line.colourOwn + 1;
        const std::int64_t n = pairs();
        for (std::int64_t i = 0; i < n; ++i)
            own[i] = std::int16_t(neighbourMean(above[i], beside[i], below[i], beside[i + 1]));
        std::fill(own - 1, own + row.firstColour, 0);
        own[n] = 0;
    }

    // Row r's pixels, columns 0 to width - 1 (the caller replaces the last),
    // through the tables.  At a red or blue site green is the sample plus its
    // difference, and the other colour green less the mean of the four
    // diagonal neighbours' own differences (their colour is this site's
    // other one); at a green site both colours are green less their
    // differences.  Unfilled red and blue sites are all 0.
    void pixels(std::int64_t r, std::uint8_t* out, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                const std::uint8_t* lutBlue) const {
        const RowSites row = rowSites(starts, r, width);
        const SampleLine& s = samples(r);
        const DifferenceLine& d = differences(r);
        const int diagonal = 1 - 1 - row.step();
        const simd::DifferenceLines l{s.colour + 1,         s.green + 1,
                                      d.colourOwn + 1,      d.greenOwn + 1,
                                      d.greenOther + 1,     differences(r - 1).colourOwn + diagonal,
                                      differences(r + 1).colourOwn + diagonal};
        const std::uint8_t* lutOwn = row.red ? lutRed : lutBlue;
        const std::uint8_t* lutOther = row.red ? lutBlue : lutRed;
        const int ownByte = row.red ? 2 : 0, otherByte = 2 - ownByte;
        std::int64_t i = vectorPixels(row, l, out) / 2;
        for (; i < pairs(); ++i) {
            const int colour = l.colour[i], g = clamped(colour + l.colourOwn[i]);
            std::uint8_t* c = out + 3 * (2 * i + row.colourParity);
            c[ownByte] = lutOwn[colour];
            c[1] = lutGreen[g];
            c[otherByte] =
                lutOther[clamped(g - neighbourMean(l.above[i], l.below[i], l.below[i + 1], l.above[i + 1]))];
            const int green = l.green[i];
            std::uint8_t* p = out + 3 * (2 * i + 1 - row.colourParity);
            p[ownByte] = lutOwn[clamped(green - l.greenOwn[i])];
            p[1] = lutGreen[green];
            p[otherByte] = lutOther[clamped(green - l.greenOther[i])];
        }
        for (i = 0; i < row.firstColour; ++i) out[3 * (2 * i + row.colourParity) + otherByte] = lutOther[0];
    }

    // The columns the vector prefix writes of a row: its kind as the
    // prefix's Row (own colour and parity).
    std::ptrdiff_t vectorPixels(const RowSites& row, const simd::DifferenceLines& l, std::uint8_t* out) const {
        if (row.red)
            return row.colourParity == 0 ? simd::differencePixelColumns<RedGreenRow>(l, width, out, plan)
                                         : simd::differencePixelColumns<GreenRedRow>(l, width, out, plan);
        return row.colourParity == 0 ? simd::differencePixelColumns<BlueGreenRow>(l, width, out, plan)
                                     : simd::differencePixelColumns<GreenBlueRow>(l, width, out, plan);
    }
};

}  // namespace

std::int32_t colourDifferencePlanesOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst,
                                      std::int32_t width, std::int32_t height, const std::uint8_t* lutRed,
                                      const std::uint8_t* lutGreen, const std::uint8_t* lutBlue, std::uint32_t flip,
                                      std::int32_t layout, simd::Stores) {
    if (!frameAccepted(src, dst, width, height) || layout < 1 || layout > 4) return 0;
    if (width > kMaxWidth || height > kMaxHeight) return 0;
    const Conversion conversion{src, width, height, kStarts[layout - 1],
                                simd::planRows({lutRed, lutGreen, lutBlue}, path)};
    const bool bottomUp = flipSet(flip);
    const std::size_t rowBytes = std::size_t(width) * 3;
    {
        std::lock_guard<std::mutex> hold(lineLock);
        // Step r loads row r, estimates at the green sites of row r - 2, takes
        // the means at the other sites of row r - 3 and writes row r - 4: each
        // reads only rows the steps before it have finished.
        for (std::int64_t r = 0; r < std::int64_t{height} + 3; ++r) {
            if (r < height) conversion.loadSamples(r);
            if (conversion.inside(r - 2)) conversion.greenDifferences(r - 2);
            if (conversion.inside(r - 3)) conversion.colourDifferences(r - 3);
            if (r - 4 >= 0 && r - 4 <= height - 2) {
                std::uint8_t* out = imageRow(dst, r - 4, height, rowBytes, bottomUp);
                conversion.pixels(r - 4, out, lutRed, lutGreen, lutBlue);
                // The last column has no value of its own: the last computed one.
                std::memcpy(out + 3 * (std::int64_t{width} - 1), out + 3 * (std::int64_t{width} - 2), 3);
            }
        }
    }
    // Nor has the last row; then the border of 3.
    std::memcpy(imageRow(dst, height - 1, height, rowBytes, bottomUp),
                imageRow(dst, height - 2, height, rowBytes, bottomUp), rowBytes);
    extendBorder(dst, width, height, flip, 3, 3);
    return 1;
}

std::int32_t colourDifferencePlanes(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                    std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                    const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    return colourDifferencePlanesOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip,
                                    layout);
}

}  // namespace pm

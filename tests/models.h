// Plain models written from the rules, never from the library's code: the
// pixel rules of the demosaicing methods, the whole methods over a
// destination's previous contents, and how a calibration region meets a
// full-frame map.
#ifndef PIXMILL_TEST_MODELS_H
#define PIXMILL_TEST_MODELS_H

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace pmtest {

struct Channels {
    unsigned blue, green, red;
};

// Forward window of pixel (r, c), any sample width: red and blue are the one
// red and one blue sample of its 2 x 2 window; green is the mean of the two
// greens at a red or blue site, and at a green site its own sample, or with
// smoothing the mean of the two.
template <typename Samples>
Channels windowChannels(const Samples& raw, int w, int layout, int r, int c, bool smooth) {
    Channels out{0, 0, 0};
    unsigned greens[2];
    int greenCount = 0;
    for (int dr = 0; dr < 2; ++dr)
        for (int dc = 0; dc < 2; ++dc) {
            const unsigned v = raw[static_cast<std::size_t>(r + dr) * w + (c + dc)];
            switch (colourAt(layout, r + dr, c + dc)) {
                case 'R': out.red = v; break;
                case 'B': out.blue = v; break;
                default: greens[greenCount++] = v; break;
            }
        }
    const bool greenSite = colourAt(layout, r, c) == 'G';
    out.green = (greenSite && !smooth) ? greens[0] : (greens[0] + greens[1]) >> 1;
    return out;
}

// Bilinear pixel (r, c), 1 <= r <= h - 2, 1 <= c <= w - 2.  Green at a red
// site takes the lower and left neighbours (code 2), or all four (code 0).
inline Channels bilinearChannels(const Bytes& raw, int w, int layout, int r, int c, bool fourAtRed = false) {
    auto s = [&](int row, int column) { return unsigned(raw[static_cast<std::size_t>(row) * w + column]); };
    const unsigned up = s(r - 1, c), down = s(r + 1, c), left = s(r, c - 1), right = s(r, c + 1);
    const unsigned diag = s(r - 1, c - 1) + s(r - 1, c + 1) + s(r + 1, c - 1) + s(r + 1, c + 1);
    const char site = colourAt(layout, r, c);
    if (site == 'G') {
        const unsigned horizontal = (left + right) >> 1, vertical = (up + down) >> 1;
        if (colourAt(layout, r, c + 1) == 'B') return {horizontal, s(r, c), vertical};
        return {vertical, s(r, c), horizontal};
    }
    if (site == 'B') return {s(r, c), (up + down + left + right) >> 2, diag >> 2};
    return {diag >> 2, fourAtRed ? (up + down + left + right) >> 2 : (down + left) >> 1, s(r, c)};
}

// Mapped forward window, already through the tables: samples are mapped
// first, so green at a red or blue site is the mean of the two mapped greens.
// The last four columns are the last group: each even column there takes the
// rule with the mapped right sample alone as green at a red or blue site, and
// the odd column after it copies it.
inline Channels mappedChannels(const Bytes& raw, int w, int layout, int r, int c, const TableSet& t) {
    const bool lastGroup = c >= w - 4;
    const int x = lastGroup ? c - (c - (w - 4)) % 2 : c;
    auto s = [&](int row, int column) { return unsigned(raw[static_cast<std::size_t>(row) * w + column]); };
    Channels out{0, 0, 0};
    unsigned greenSum = 0;
    for (int dr = 0; dr < 2; ++dr)
        for (int dc = 0; dc < 2; ++dc) {
            const unsigned v = s(r + dr, x + dc);
            switch (colourAt(layout, r + dr, x + dc)) {
                case 'R': out.red = t.mapR(v); break;
                case 'B': out.blue = t.mapB(v); break;
                default: greenSum += t.mapG(v); break;
            }
        }
    out.green = colourAt(layout, r, x) == 'G' ? t.mapG(s(r, x)) : lastGroup ? t.mapG(s(r, x + 1)) : greenSum >> 1;
    return out;
}

// A whole upright method over a destination that held `before`: pixels of
// rows `first` to endRow - 1 and columns `first` to endColumn - 1 from
// channels(r, c) through `t`, rows placed by the lowest byte of the flip
// flag (only for layout codes 1 to 4), then a border of `border`.
template <typename Fn>
Bytes modelUpright(Bytes image, int w, int h, const TableSet& t, std::int32_t flip, int layout, int first, int endRow,
                   int endColumn, int border, Fn&& channels) {
    const bool bottomUp = (flip & 0xFF) != 0;
    if (layout >= 1 && layout <= 4)
        for (int r = first; r < endRow; ++r)
            for (int c = first; c < endColumn; ++c) {
                const Channels v = channels(r, c);
                std::uint8_t* px = &image[(static_cast<std::size_t>(bottomUp ? h - 1 - r : r) * w + c) * 3];
                px[0] = t.mapB(v.blue), px[1] = t.mapG(v.green), px[2] = t.mapR(v.red);
            }
    referenceBorder(image, w, h, border, 3);
    return image;
}

// Code 2: rows and columns 1 to size - 2, border 2.
inline Bytes modelBilinear(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                           const Bytes& before) {
    return modelUpright(before, w, h, t, flip, layout, 1, h - 1, w - 1, 2,
                        [&](int r, int c) { return bilinearChannels(raw, w, layout, r, c); });
}

// Codes 5 and 7: rows and columns 0 to size - 2, border 1.
inline Bytes modelForwardWindow(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                                bool smooth, const Bytes& before) {
    return modelUpright(before, w, h, t, flip, layout, 0, h - 1, w - 1, 1,
                        [&](int r, int c) { return windowChannels(raw, w, layout, r, c, smooth); });
}

// Rgb code 1, Ex codes 1 and 5: rows 0 to h - 2, every column, border 1.
inline Bytes modelMappedWindow(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                               const Bytes& before) {
    static const TableSet none{"null", {}, {}, {}};
    return modelUpright(before, w, h, none, flip, layout, 0, h - 1, w, 1,
                        [&](int r, int c) { return mappedChannels(raw, w, layout, r, c, t); });
}

// Code 9: smoothed window values of source pixel (r, x) at destination row x,
// column h - 1 - r (r with flip) of a destination w rows of h pixels; the
// column of the source's last row copies its neighbour in every row, then the
// last row (the source's last column) copies the row before it.
inline Bytes modelRotated(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                          Bytes image) {
    const bool transposed = (flip & 0xFF) != 0;
    auto px = [&](int row, int column) { return &image[(static_cast<std::size_t>(row) * h + column) * 3]; };
    if (layout >= 1 && layout <= 4)
        for (int r = 0; r < h - 1; ++r)
            for (int x = 0; x < w - 1; ++x) {
                const Channels v = windowChannels(raw, w, layout, r, x, true);
                std::uint8_t* p = px(x, transposed ? r : h - 1 - r);
                p[0] = t.mapB(v.blue), p[1] = t.mapG(v.green), p[2] = t.mapR(v.red);
            }
    for (int row = 0; row < w; ++row) std::memcpy(px(row, transposed ? h - 1 : 0), px(row, transposed ? h - 2 : 1), 3);
    std::memcpy(px(w - 1, 0), px(w - 2, 0), static_cast<std::size_t>(h) * 3);
    return image;
}

// Code 0: raw site (i, j), 1 <= i <= h - 2, 1 <= j <= w - 2, at image pixel
// (i - 1, j - 1), green at red sites from all four neighbours; at a size of
// 4 image column (row) 2 takes column (row) 1 before the border of 2.
inline Bytes modelOffsetBilinear(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                                 Bytes image) {
    const bool bottomUp = (flip & 0xFF) != 0;
    auto px = [&](int r, int c) { return &image[(static_cast<std::size_t>(bottomUp ? h - 1 - r : r) * w + c) * 3]; };
    if (layout >= 1 && layout <= 4) {
        for (int i = 1; i <= h - 2; ++i)
            for (int j = 1; j <= w - 2; ++j) {
                const Channels v = bilinearChannels(raw, w, layout, i, j, true);
                std::uint8_t* p = px(i - 1, j - 1);
                p[0] = t.mapB(v.blue), p[1] = t.mapG(v.green), p[2] = t.mapR(v.red);
            }
        if (w == 4)
            for (int r = 0; r < h; ++r) std::memcpy(px(r, 2), px(r, 1), 3);
        if (h == 4)
            for (int c = 0; c < w; ++c) std::memcpy(px(2, c), px(1, c), 3);
    }
    referenceBorder(image, w, h, 2, 3);
    return image;
}

// Code 4, written from the stages' rules on an upright copy of the
// image.  Green: rows 1 to h - 2, columns 1 to w - 2 (the window and one
// beyond), then row 0 and column 0 from the nearest computed green.  Red and
// blue: the window, rows 1 to h - 3, columns 1 to w - 3, as the pixel's green
// plus half (two neighbours) or a quarter (four diagonals) of the mapped
// colours minus their greens, in double precision.  At a size of 4, image
// column (row) 2 takes column (row) 1; then the border of 2.
inline Bytes modelGradient(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                           const Bytes& before) {
    const bool bottomUp = (flip & 0xFF) != 0;
    const std::size_t rowBytes = std::size_t(w) * 3;
    Bytes up(before.size());
    for (int r = 0; r < h; ++r)
        std::memcpy(&up[std::size_t(r) * rowBytes], &before[std::size_t(bottomUp ? h - 1 - r : r) * rowBytes], rowBytes);
    auto s = [&](int r, int c) { return unsigned(raw[std::size_t(r) * w + c]); };
    auto px = [&](int r, int c) { return &up[std::size_t(r) * rowBytes + std::size_t(c) * 3]; };
    auto G = [&](int r, int c) { return int(px(r, c)[1]); };
    if (layout >= 1 && layout <= 4) {
        for (int r = 1; r <= h - 2; ++r)
            for (int c = 1; c <= w - 2; ++c) {
                if (colourAt(layout, r, c) == 'G') {
                    px(r, c)[1] = t.mapG(s(r, c));
                    continue;
                }
                const int W = t.mapG(s(r, c - 1)), E = t.mapG(s(r, c + 1));
                const int N = t.mapG(s(r - 1, c)), S = t.mapG(s(r + 1, c));
                const int hg = std::abs(W - E), vg = std::abs(N - S);
                const int estimate = hg < vg ? (W + E) / 2 : vg < hg ? (N + S) / 2 : (N + S + W + E) / 4;
                px(r, c)[1] = t.mapG(unsigned(estimate));
            }
        for (int r = 1; r <= h - 2; ++r) px(r, 0)[1] = px(r, 1)[1];
        for (int c = 0; c <= w - 2; ++c) px(0, c)[1] = px(1, c)[1];
        for (char own : {'R', 'B'}) {
            auto T = [&](unsigned v) { return int(own == 'R' ? t.mapR(v) : t.mapB(v)); };
            const int byte = own == 'R' ? 2 : 0;
            for (int r = 1; r <= h - 3; ++r)
                for (int c = 1; c <= w - 3; ++c) {
                    const char here = colourAt(layout, r, c);
                    int value;
                    if (here == own) {
                        value = int(s(r, c));
                    } else {
                        double x;
                        if (here == 'G' && colourAt(layout, r, c - 1) == own)
                            x = G(r, c) + 0.5 * (T(s(r, c - 1)) + T(s(r, c + 1)) - G(r, c - 1) - G(r, c + 1));
                        else if (here == 'G')
                            x = G(r, c) + 0.5 * (T(s(r - 1, c)) + T(s(r + 1, c)) - G(r - 1, c) - G(r + 1, c));
                        else
                            x = G(r, c) + 0.25 * (T(s(r - 1, c - 1)) + T(s(r - 1, c + 1)) + T(s(r + 1, c - 1)) +
                                                  T(s(r + 1, c + 1)) - G(r - 1, c - 1) - G(r - 1, c + 1) -
                                                  G(r + 1, c - 1) - G(r + 1, c + 1));
                        value = x >= 255.0 ? 255 : x <= 0.0 ? 0 : int(x);
                    }
                    px(r, c)[byte] = std::uint8_t(T(unsigned(value)));
                }
        }
        if (w == 4)
            for (int r = 1; r <= h - 3; ++r) std::memcpy(px(r, 2), px(r, 1), 3);
        if (h == 4) std::memcpy(px(2, 0), px(1, 0), rowBytes);
    }
    Bytes image(before.size());
    for (int r = 0; r < h; ++r)
        std::memcpy(&image[std::size_t(bottomUp ? h - 1 - r : r) * rowBytes], &up[std::size_t(r) * rowBytes], rowBytes);
    referenceBorder(image, w, h, 2, 3);
    return image;
}

// ---- Median methods (code 3 of each entry) ------------------------------

// Green of the red or blue site (r, c) before the second pass through the
// green table: the four neighbours and the knight's-move samples are mapped,
// then compared with the neighbours' mean as each method's rule says.
inline unsigned medianGreen(const Bytes& raw, int w, int layout, int r, int c, const TableSet& t, bool counted) {
    auto g = [&](int row, int column) { return int(t.mapG(raw[static_cast<std::size_t>(row) * w + column])); };
    const int north = g(r - 1, c), east = g(r, c + 1), south = g(r + 1, c), west = g(r, c - 1);
    const int mean = (north + east + south + west) >> 2;
    int v[4] = {north, east, south, west};
    std::sort(v, v + 4);
    const int middle = (v[1] + v[2]) >> 1;
    const int eight = g(r - 2, c - 1) + g(r - 2, c + 1) + g(r - 1, c - 2) + g(r - 1, c + 2) + g(r + 1, c - 2) +
                      g(r + 1, c + 2) + g(r + 2, c - 1) + g(r + 2, c + 1);
    const int four = g(r - 2, c + 1) + g(r - 1, c + 2) + g(r + 1, c - 2) + g(r + 2, c - 1);
    auto corrected = [&](int ringMean) { return std::min(std::max(2 * mean - ringMean, v[1]), v[2]); };
    if (!counted) {
        int atOrBelow = 0;
        for (int x : v) atOrBelow += x <= mean;
        return unsigned(atOrBelow == 2 ? middle : atOrBelow == 1 ? corrected(eight >> 3) : north);
    }
    const bool red = colourAt(layout, r, c) == 'R';
    int k = 0;
    for (int x : v) k += red ? x > mean : x >= mean;
    if (k == 1 || k == 3) return unsigned(middle);
    if (k == 2) {
        const bool edge = (north > mean && south > mean) || (east > mean && west > mean);
        return unsigned(corrected(edge ? eight >> 3 : four >> 2));
    }
    return unsigned(north);
}

// Pixel (r, c) of the median methods before the tables, green at a red or
// blue site already through the green table once.
inline Channels medianChannels(const Bytes& raw, int w, int layout, int r, int c, const TableSet& t, bool counted) {
    Channels v = bilinearChannels(raw, w, layout, r, c);
    const bool greenSite = colourAt(layout, r, c) == 'G';
    v.green = greenSite ? raw[std::size_t(r) * w + c] : medianGreen(raw, w, layout, r, c, t, counted);
    return v;
}

// Rgb code 3 (sorted) and Ex code 3 (counted): rows and columns 2 to size - 4
// computed (red and blue as in bilinear interpolation), then every pixel is
// the kept pixel nearest to it.  Kept are memory rows and columns 3 to
// size - 4, except on a side of 6, where the one computed line 2 is kept
// (image row 2: memory row 3 when flipped).  Unknown layouts compute nothing:
// only the border runs over what the destination held.
inline Bytes modelMedian(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                         const Bytes& before, bool counted) {
    const Bytes computed = modelUpright(before, w, h, t, flip, layout, 2, h - 3, w - 3, 0,
                                        [&](int r, int c) { return medianChannels(raw, w, layout, r, c, t, counted); });
    if (layout < 1 || layout > 4) {
        Bytes image = computed;
        referenceBorder(image, w, h, 3, 3);
        return image;
    }
    const bool bottomUp = (flip & 0xFF) != 0;
    auto keptRow = [&](int r) { return h == 6 ? (bottomUp ? 3 : 2) : std::min(std::max(r, 3), h - 4); };
    auto keptColumn = [&](int c) { return w == 6 ? 2 : std::min(std::max(c, 3), w - 4); };
    Bytes image(computed.size());
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            std::memcpy(&image[(std::size_t(r) * w + c) * 3],
                        &computed[(std::size_t(keptRow(r)) * w + keptColumn(c)) * 3], 3);
    return image;
}

// ---- Calibration regions ----------------------------------------------

struct RegionArgs {
    int xOffset, yOffset, regionWidth, regionHeight, mapWidth, mapHeight;
    std::string describe() const {
        std::ostringstream s;
        s << "offset (" << xOffset << ", " << yOffset << "), region " << regionWidth << "x" << regionHeight
          << ", map " << mapWidth << "x" << mapHeight;
        return s.str();
    }
};

// Offsets clamped to the map; size narrowed to what is left of the map.
// rows or cols of 0 or less: nothing is touched.
struct RegionModel {
    long x0 = 0, y0 = 0, rows = 0, cols = 0;
    explicit RegionModel(const RegionArgs& a) {
        if (a.regionWidth <= 0 || a.regionHeight <= 0 || a.mapWidth <= 0 || a.mapHeight <= 0) return;
        x0 = a.xOffset < 0 ? 0 : std::min(a.xOffset, a.mapWidth);
        y0 = a.yOffset < 0 ? 0 : std::min(a.yOffset, a.mapHeight);
        rows = std::min<long>(a.regionHeight, a.mapHeight - y0);
        cols = std::min<long>(a.regionWidth, a.mapWidth - x0);
    }
    bool active() const { return rows > 0 && cols > 0; }
    std::size_t samples() const { return active() ? std::size_t(rows * cols) : 1; }
    int width() const { return int(std::max(1L, cols)); }
};

// Mostly regions inside small maps, with negative, oversized and
// beyond-the-edge offsets, and now and then a non-positive size.
inline RegionArgs randomRegion(std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    RegionArgs a;
    a.mapWidth = pick(1, 24), a.mapHeight = pick(1, 24);
    a.regionWidth = pick(1, 26), a.regionHeight = pick(1, 26);
    a.xOffset = pick(-6, a.mapWidth + 3), a.yOffset = pick(-6, a.mapHeight + 3);
    if (rng() % 20 == 0) (rng() % 2 ? a.regionWidth : a.mapHeight) = -pick(0, 3);
    return a;
}

inline std::size_t mapSize(const RegionArgs& a) {
    return std::size_t(std::max(a.mapWidth, 1)) * std::size_t(std::max(a.mapHeight, 1));
}

// ---- Green-guided and Laplacian-corrected methods ----------------------

// Code 6 over a destination that held `before`.  Greens first (rows and
// columns 2 to size - 3), read back from the image by the red pass and then
// the blue pass (rows and columns 3 to size - 4), then a border of 3.  All
// arithmetic on samples through the green table.  Frames 4 or 6 wide or high
// first take every pixel from its own two-by-two cell.
inline Bytes modelGreenGuided(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                              const Bytes& before) {
    Bytes image = before;
    if (layout < 1 || layout > 4) {
        referenceBorder(image, w, h, 3, 3);
        return image;
    }
    const bool bottomUp = (flip & 0xFF) != 0;
    auto px = [&](int r, int c) { return &image[(std::size_t(bottomUp ? h - 1 - r : r) * w + c) * 3]; };
    auto s = [&](int r, int c) { return int(raw[std::size_t(r) * w + c]); };
    auto m = [&](int r, int c) { return int(t.mapG(unsigned(s(r, c)))); };
    auto G = [&](int r, int c) { return int(px(r, c)[1]); };
    auto clamp = [](int v) { return unsigned(std::min(255, std::max(0, v))); };
    if (w < 8 || h < 8)
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                int red = 0, blue = 0, greens = 0;
                for (int y = r - r % 2; y < r - r % 2 + 2; ++y)
                    for (int x = c - c % 2; x < c - c % 2 + 2; ++x) {
                        const char k = colourAt(layout, y, x);
                        (k == 'R' ? red : k == 'B' ? blue : greens) += s(y, x);
                    }
                const int green = colourAt(layout, r, c) == 'G' ? s(r, c) : greens / 2;
                px(r, c)[0] = t.mapB(unsigned(blue)), px(r, c)[1] = t.mapG(unsigned(green));
                px(r, c)[2] = t.mapR(unsigned(red));
            }
    for (int r = 2; r <= h - 3; ++r)
        for (int c = 2; c <= w - 3; ++c) {
            if (colourAt(layout, r, c) == 'G') {
                px(r, c)[1] = t.mapG(unsigned(s(r, c)));
                continue;
            }
            const int sum = 3 * m(r - 1, c) + m(r + 1, c) + m(r, c) - m(r - 2, c);
            const int floored = sum >= 0 ? sum / 4 : -((-sum + 3) / 4);
            px(r, c)[1] = t.mapG(clamp(floored));
        }
    auto F = [](int gc, int g1, int g2, int x1, int x2) {
        if (std::min(g1, g2) < gc && gc < std::max(g1, g2)) return x1 + (x2 - x1) * (gc - g1) / (g2 - g1);
        return (2 * gc - g1 - g2 + 2 * (x1 + x2)) / 4;
    };
    for (const char wanted : {'R', 'B'}) {
        for (int r = 3; r <= h - 4; ++r)
            for (int c = 3; c <= w - 4; ++c) {
                const char site = colourAt(layout, r, c);
                int v;
                if (site == wanted) {
                    v = s(r, c);  // through the wanted colour's table, unmapped by green
                } else if (site == 'G' && colourAt(layout, r, c - 1) == wanted) {
                    v = F(G(r, c), G(r, c - 1), G(r, c + 1), m(r, c - 1), m(r, c + 1));
                } else if (site == 'G') {
                    v = F(G(r, c), G(r - 1, c), G(r + 1, c), m(r - 1, c), m(r + 1, c));
                } else {
                    const int u = m(r, c), gc = G(r, c);
                    const int D = std::abs(u - m(r + 2, c + 2)) + std::abs(m(r - 2, c - 2) - u) +
                                  std::abs(gc - G(r + 1, c + 1)) + std::abs(G(r - 1, c - 1) - gc) +
                                  std::abs(m(r - 1, c - 1) - m(r + 1, c + 1));
                    const int E = std::abs(u - m(r - 2, c + 2)) + std::abs(m(r + 2, c - 2) - u) +
                                  std::abs(gc - G(r - 1, c + 1)) + std::abs(G(r + 1, c - 1) - gc) +
                                  std::abs(m(r + 1, c - 1) - m(r - 1, c + 1));
                    v = D < E ? F(gc, G(r - 1, c - 1), G(r + 1, c + 1), m(r - 1, c - 1), m(r + 1, c + 1))
                              : F(gc, G(r + 1, c - 1), G(r - 1, c + 1), m(r + 1, c - 1), m(r - 1, c + 1));
                }
                if (wanted == 'R')
                    px(r, c)[2] = t.mapR(clamp(v));
                else
                    px(r, c)[0] = t.mapB(clamp(v));
            }
    }
    referenceBorder(image, w, h, 3, 3);
    return image;
}

// Code 8 over a destination that held `before`, simulating the working green
// bytes: -1 where nothing is known.  The prologue (bottom-up, layouts 3 and
// 4, three rows or more) writes rows 0 and 1; the green pass the computed
// area; frame pixels next to the area stand for the prologue's value or, where
// it wrote none, its rule.  The main pass runs row by row, left to right, and
// replaces each pixel's working green by its mapped value once done.  Only
// the prologue and the computed area reach the image.
inline Bytes modelLaplacian(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                            const Bytes& before) {
    Bytes image = before;
    if (w <= 0 || h <= 0) return image;
    const bool bottomUp = (flip & 0xFF) != 0;
    const int lastRow = 2 * (h / 2) - 3, lastColumn = 2 * (w / 2) - 3;
    auto px = [&](int r, int c) { return &image[(std::size_t(bottomUp ? h - 1 - r : r) * w + c) * 3]; };
    auto S = [&](int r, int c) { return int(raw[std::size_t(r) * w + c]); };
    std::vector<int> gd(std::size_t(w) * h, -1);
    auto Gd = [&](int r, int c) -> int& { return gd[std::size_t(r) * w + c]; };
    auto clamp = [](int v) { return unsigned(std::min(255, std::max(0, v))); };
    auto mean4 = [&](int r, int c) { return (S(r - 1, c) + S(r + 1, c) + S(r, c - 1) + S(r, c + 1)) / 4; };
    if (bottomUp && (layout == 3 || layout == 4) && h >= 3)
        for (int c = 2; c <= lastColumn; ++c) {
            Gd(0, c) = c % 2 == 0 ? (S(0, c - 1) + S(0, c + 1)) / 2 : S(0, c);
            Gd(1, c) = c % 2 == 0 ? S(1, c) : mean4(1, c);
            px(0, c)[1] = std::uint8_t(Gd(0, c)), px(1, c)[1] = std::uint8_t(Gd(1, c));
        }
    if (layout < 1 || layout > 4) return image;
    for (int r = 1; r <= lastRow + 1; ++r)
        for (int c = 1; c <= lastColumn + 1; ++c) {
            const bool frame = r == 1 || r == lastRow + 1 || c == 1 || c == lastColumn + 1;
            if (frame && Gd(r, c) < 0) Gd(r, c) = colourAt(layout, r, c) == 'G' ? S(r, c) : mean4(r, c);
        }
    for (int r = 2; r <= lastRow; ++r)
        for (int c = 2; c <= lastColumn; ++c) {
            if (colourAt(layout, r, c) == 'G') {
                Gd(r, c) = S(r, c);
                continue;
            }
            const int X = S(r, c);
            const int dH = std::abs(S(r, c - 1) - S(r, c + 1)) + std::abs(2 * X - S(r, c - 2) - S(r, c + 2));
            const int dV = std::abs(S(r - 1, c) - S(r + 1, c)) + std::abs(2 * X - S(r - 2, c) - S(r + 2, c));
            const int e = dV < dH ? (2 * (S(r - 1, c) + S(r + 1, c)) + 2 * X - S(r - 2, c) - S(r + 2, c)) / 4
                                  : (2 * (S(r, c - 1) + S(r, c + 1)) + 2 * X - S(r, c - 2) - S(r, c + 2)) / 4;
            Gd(r, c) = int(clamp(e));
        }
    auto put = [&](std::uint8_t* p, char colour, unsigned v) {
        if (colour == 'R') p[2] = t.mapR(v);
        else if (colour == 'B') p[0] = t.mapB(v);
        else p[1] = t.mapG(v);
    };
    for (int r = 2; r <= lastRow; ++r)
        for (int c = 2; c <= lastColumn; ++c) {
            std::uint8_t* p = px(r, c);
            const int G = Gd(r, c);
            if (colourAt(layout, r, c) == 'G') {
                const int H = (S(r, c - 1) + S(r, c + 1) + 2 * S(r, c) - Gd(r, c - 1) - Gd(r, c + 1)) / 2;
                const int V = (S(r - 1, c) + S(r + 1, c) + 2 * S(r, c) - Gd(r - 1, c) - Gd(r + 1, c)) / 2;
                put(p, colourAt(layout, r, c - 1), clamp(H));
                put(p, colourAt(layout, r - 1, c), clamp(V));
            } else {
                const int A = std::abs(S(r - 1, c + 1) - S(r + 1, c - 1)) +
                              std::abs(2 * G - Gd(r + 1, c - 1) - Gd(r - 1, c + 1));
                const int M = std::abs(S(r - 1, c - 1) - S(r + 1, c + 1)) +
                              std::abs(2 * G - Gd(r + 1, c + 1) - Gd(r - 1, c - 1));
                const int rising = (S(r - 1, c + 1) + S(r + 1, c - 1) + 2 * G - Gd(r + 1, c - 1) - Gd(r - 1, c + 1)) / 2;
                const int falling = (S(r - 1, c - 1) + S(r + 1, c + 1) + 2 * G - Gd(r + 1, c + 1) - Gd(r - 1, c - 1)) / 2;
                const bool takeRising = bottomUp ? !(M < A) : A < M;
                put(p, colourAt(layout, r - 1, c - 1), clamp(takeRising ? rising : falling));
                put(p, colourAt(layout, r, c), unsigned(S(r, c)));
            }
            p[1] = t.mapG(unsigned(G));
            Gd(r, c) = t.mapG(unsigned(G));
        }
    return image;
}

}  // namespace pmtest

#endif

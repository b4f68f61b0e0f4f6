// Plain models of the earlier builds' own methods, written from their rules:
// the 1.5.0.1 forward windows without border, and the 1.1.2.0 build's
// floating-point counted median, directional-gradient green-guided method
// and colour-difference planes.
#ifndef PIXMILL_TEST_MODELS_EARLIER_H
#define PIXMILL_TEST_MODELS_EARLIER_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "models.h"
#include "test_support.h"

namespace pmtest {

// 1.5.0.1 code 5: rows and columns 0 to size - 2, never smoothed, no border.
inline Bytes modelWindowUnbordered(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                                   const Bytes& before) {
    return modelUpright(before, w, h, t, flip, layout, 0, h - 1, w - 1, 0,
                        [&](int r, int c) { return windowChannels(raw, w, layout, r, c, false); });
}

// 1.5.0.1 codes 1 (both entries) and Ex 5: rows 0 to h - 2, every column, no
// border; under layout code 1 memory row 1 then replaces memory row 0.
inline Bytes modelMappedUnbordered(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                                   const Bytes& before) {
    static const TableSet none{"null", {}, {}, {}};
    Bytes image = modelUpright(before, w, h, none, flip, layout, 0, h - 1, w, 0,
                               [&](int r, int c) { return mappedChannels(raw, w, layout, r, c, t); });
    if (layout == 1) std::memcpy(image.data(), image.data() + std::size_t(w) * 3, std::size_t(w) * 3);
    return image;
}

// A staged method over an upright copy of `before`: `stages(px)` writes
// pixels by image row (px(r, c) points at the pixel's blue byte); at a side
// of 6 line 3 takes line 2; then the rows go back to memory order and the
// border of 3 runs.
template <typename Stages>
Bytes modelStaged(int w, int h, std::int32_t flip, int layout, const Bytes& before, Stages&& stages) {
    const bool bottomUp = (flip & 0xFF) != 0;
    const std::size_t rowBytes = std::size_t(w) * 3;
    Bytes up(before.size());
    for (int r = 0; r < h; ++r)
        std::memcpy(&up[std::size_t(r) * rowBytes], &before[std::size_t(bottomUp ? h - 1 - r : r) * rowBytes], rowBytes);
    auto px = [&](int r, int c) { return &up[std::size_t(r) * rowBytes + std::size_t(c) * 3]; };
    stages(px);
    const bool known = layout >= 1 && layout <= 4;  // else nothing is computed
    if (known && w == 6)
        for (int r = 0; r < h; ++r) std::memcpy(px(r, 3), px(r, 2), 3);
    if (known && h == 6) std::memcpy(px(3, 0), px(2, 0), rowBytes);
    Bytes image(before.size());
    for (int r = 0; r < h; ++r)
        std::memcpy(&image[std::size_t(bottomUp ? h - 1 - r : r) * rowBytes], &up[std::size_t(r) * rowBytes], rowBytes);
    referenceBorder(image, w, h, 3, 3);
    return image;
}

// 1.1.2.0 code 3.  Red and blue as bilinear interpolation; green at a red or
// blue site counts neighbours strictly above the exact mean M at both site
// colours; two above: 2M - ring / 8 (edge) or - quarter ring / 4 (corner),
// clamped to the middle two, truncated.  Window 2 to size - 4.
inline Bytes modelFloatCounted(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                               const Bytes& before) {
    auto g = [&](int r, int c) { return int(t.mapG(raw[std::size_t(r) * w + c])); };
    return modelStaged(w, h, flip, layout, before, [&](auto px) {
        if (layout < 1 || layout > 4) return;
        for (int r = 2; r <= h - 4; ++r)
            for (int c = 2; c <= w - 4; ++c) {
                Channels v = bilinearChannels(raw, w, layout, r, c);
                if (colourAt(layout, r, c) == 'G') {
                    v.green = raw[std::size_t(r) * w + c];
                } else {
                    const int n = g(r - 1, c), e = g(r, c + 1), s = g(r + 1, c), wv = g(r, c - 1);
                    const double m = (n + e + s + wv) / 4.0;
                    int sorted[4] = {n, e, s, wv};
                    std::sort(sorted, sorted + 4);
                    const int k = (n > m) + (e > m) + (s > m) + (wv > m);
                    if (k == 1 || k == 3) {
                        v.green = unsigned((sorted[1] + sorted[2]) / 2);
                    } else if (k == 2) {
                        const bool edge = (n > m && s > m) || (e > m && wv > m);
                        const double ring = edge ? (g(r - 2, c - 1) + g(r - 2, c + 1) + g(r - 1, c - 2) +
                                                    g(r - 1, c + 2) + g(r + 1, c - 2) + g(r + 1, c + 2) +
                                                    g(r + 2, c - 1) + g(r + 2, c + 1)) / 8.0
                                                 : (g(r - 2, c + 1) + g(r - 1, c + 2) + g(r + 1, c - 2) +
                                                    g(r + 2, c - 1)) / 4.0;
                        const double x = std::min(std::max(2 * m - ring, double(sorted[1])), double(sorted[2]));
                        v.green = unsigned(x);
                    } else {
                        v.green = unsigned(n);
                    }
                }
                std::uint8_t* p = px(r, c);
                p[0] = t.mapB(v.blue), p[1] = t.mapG(v.green), p[2] = t.mapR(v.red);
            }
    });
}

// 1.1.2.0 code 6, pixel by pixel.  G(r, c), the green byte: at a green site
// the sample through the green table; elsewhere, of the samples through the
// green table, the sum along the direction of least gradient (north, east,
// west, south: the first wins a tie) divided by 4 and rounded down, kept to
// 0..255, through the green table.  Row and column 1, where that would read
// before the frame, take the green of row and column 2.  Red and blue of the
// window 2 to size - 4 follow G between two opposite neighbours, kept to
// 0..255 before their tables.
inline Bytes modelDirectional(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                              const Bytes& before) {
    auto s = [&](int r, int c) { return unsigned(raw[std::size_t(r) * w + c]); };
    auto g = [&](int r, int c) { return int(t.mapG(s(r, c))); };
    auto kept = [](int v) { return unsigned(std::min(std::max(v, 0), 255)); };
    auto G = [&](int r, int c) {
        r = std::max(r, 2), c = std::max(c, 2);
        if (colourAt(layout, r, c) == 'G') return g(r, c);
        const int z = g(r, c), n1 = g(r - 1, c), n2 = g(r - 2, c), s1 = g(r + 1, c), s2 = g(r + 2, c);
        const int w1 = g(r, c - 1), w2 = g(r, c - 2), e1 = g(r, c + 1), e2 = g(r, c + 2);
        const int north = std::abs(n1 - s1) + 2 * std::abs(n2 - z), east = std::abs(w1 - e1) + 2 * std::abs(z - e2);
        const int west = std::abs(w1 - e1) + 2 * std::abs(w2 - z), south = std::abs(n1 - s1) + 2 * std::abs(z - s2);
        int least = north, sum = 3 * n1 + s1 + z - n2;
        if (east < least) least = east, sum = 3 * e1 + w1 + z - e2;
        if (west < least) least = west, sum = 3 * w1 + e1 + z - w2;
        if (south < least) sum = 3 * s1 + n1 + z - s2;
        return int(t.mapG(kept(int(std::floor(sum / 4.0)))));
    };
    // The green-guided value between neighbours of greens G1, G2 and colours
    // X1, X2 at a site of green G0.
    auto V = [](int g1, int g0, int g2, int x1, int x2) {
        if ((g0 >= g1 && g0 >= g2) || (g0 <= g1 && g0 <= g2)) return int((2 * g0 - g1 - g2) * 0.25 + (x1 + x2) * 0.5);
        return x1 + (g0 - g1) * (x2 - x1) / (g2 - g1);
    };
    // Colour `own` ('R' or 'B') of pixel (r, c), before its table.
    auto colour = [&](char own, int r, int c) {
        const char here = colourAt(layout, r, c);
        if (here == own) return int(s(r, c));
        if (here == 'G' && colourAt(layout, r, c + 1) == own)  // a green of own's row
            return V(G(r, c - 1), G(r, c), G(r, c + 1), g(r, c - 1), g(r, c + 1));
        if (here == 'G') return V(G(r - 1, c), G(r, c), G(r + 1, c), g(r - 1, c), g(r + 1, c));
        const int g0 = g(r, c), G0 = G(r, c);
        const int rising = std::abs(g(r + 2, c - 2) - g0) + std::abs(g0 - g(r - 2, c + 2)) +
                           std::abs(G(r + 1, c - 1) - G0) + std::abs(G0 - G(r - 1, c + 1)) +
                           std::abs(g(r + 1, c - 1) - g(r - 1, c + 1));
        const int falling = std::abs(g(r - 2, c - 2) - g0) + std::abs(g0 - g(r + 2, c + 2)) +
                            std::abs(G(r - 1, c - 1) - G0) + std::abs(G0 - G(r + 1, c + 1)) +
                            std::abs(g(r - 1, c - 1) - g(r + 1, c + 1));
        if (falling < rising) return V(G(r - 1, c - 1), G0, G(r + 1, c + 1), g(r - 1, c - 1), g(r + 1, c + 1));
        return V(G(r + 1, c - 1), G0, G(r - 1, c + 1), g(r + 1, c - 1), g(r - 1, c + 1));
    };
    return modelStaged(w, h, flip, layout, before, [&](auto px) {
        if (layout < 1 || layout > 4) return;
        for (int r = 2; r <= h - 4; ++r)
            for (int c = 2; c <= w - 4; ++c) {
                std::uint8_t* p = px(r, c);
                p[0] = t.mapB(kept(colour('B', r, c)));
                p[1] = std::uint8_t(G(r, c));
                p[2] = t.mapR(kept(colour('R', r, c)));
            }
    });
}

// 1.1.2.0 code 5, on planes that hold 0 before the call (a freshly loaded
// library), each plane w + 3 entries wide and h + 3 high so that row and
// column -1 and the two after the image exist.  Rows and columns 0 to
// size - 2 through the tables, then the last row and column copy the ones
// before them, then the border of 3.
inline Bytes modelColourDifference(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                                   const Bytes& before) {
    if (layout < 1 || layout > 4) return before;  // refused
    const std::size_t n = std::size_t(w + 3) * std::size_t(h + 3);
    std::vector<int> R(n), G(n), B(n), GR(n), GB(n);
    auto at = [&](int r, int c) { return std::size_t(r + 1) * std::size_t(w + 3) + std::size_t(c + 1); };
    // First red site, first blue site, first green row and its column.
    static const int starts[5][6] = {{}, {1, 2, 2, 1, 2, 2}, {0, 1, 1, 0, 1, 1}, {1, 1, 2, 2, 2, 1}, {2, 2, 1, 1, 2, 1}};
    const int* s = starts[layout];
    std::vector<std::pair<int, int>> reds, blues, greens;
    for (int r = s[0]; r < h; r += 2)
        for (int c = s[1]; c < w; c += 2) reds.push_back({r, c});
    for (int r = s[2]; r < h; r += 2)
        for (int c = s[3]; c < w; c += 2) blues.push_back({r, c});
    for (int r = s[4], first = s[5]; r < h; ++r, first = first % 2 == 0 ? 1 : 0)
        for (int c = first; c < w; c += 2) greens.push_back({r, c});
    auto sample = [&](int r, int c) { return int(raw[std::size_t(r) * w + c]); };
    auto clamp = [](int v) { return std::min(std::max(v, 0), 255); };
    auto weighted = [](int a, int c, int g0, int g2) {
        const double wa = 1.0 / ((c - a) * (c - a) + 1), wc = 1.0 / ((g2 - g0) * (g2 - g0) + 1);
        return int((a * wa + c * wc) / (wa + wc));
    };
    auto mean = [](double sum) { return int(sum / 4); };
    for (auto [r, c] : reds) R[at(r, c)] = sample(r, c);
    for (auto [r, c] : greens) G[at(r, c)] = sample(r, c);
    for (auto [r, c] : blues) B[at(r, c)] = sample(r, c);
    const int blueRow = s[2] % 2, redRow = s[0] % 2;
    for (auto [r, c] : greens) {  // step 3
        if (r == h - 1) B[at(r + 1, c)] = 0, G[at(r + 2, c)] = 0;
        if (c == w - 1) B[at(r, c + 1)] = 0, G[at(r, c + 2)] = 0;
        const int est = r % 2 == blueRow ? weighted(B[at(r, c - 1)], B[at(r, c + 1)], G[at(r, c)], G[at(r, c + 2)])
                                         : weighted(B[at(r - 1, c)], B[at(r + 1, c)], G[at(r, c)], G[at(r + 2, c)]);
        GB[at(r, c)] = sample(r, c) - est;
    }
    for (auto [r, c] : blues) {  // step 4
        if (r == 0) GB[at(r - 1, c)] = 0;
        if (c == 0) GB[at(r, c - 1)] = 0;
        GB[at(r, c)] = mean(GB[at(r - 1, c)] + GB[at(r, c - 1)] + GB[at(r + 1, c)] + GB[at(r, c + 1)]);
    }
    for (auto [r, c] : blues) G[at(r, c)] = clamp(B[at(r, c)] + GB[at(r, c)]);
    for (auto [r, c] : greens) {  // step 6
        if (r == 0) R[at(r - 1, c)] = 0;
        if (r == h - 2) G[at(r + 2, c)] = 0;
        if (c == 0) R[at(r, c - 1)] = 0;
        if (c == w - 2) G[at(r, c + 2)] = 0;
        const int est = r % 2 == redRow ? weighted(R[at(r, c - 1)], R[at(r, c + 1)], G[at(r, c)], G[at(r, c + 2)])
                                        : weighted(R[at(r - 1, c)], R[at(r + 1, c)], G[at(r, c)], G[at(r + 2, c)]);
        GR[at(r, c)] = sample(r, c) - est;
    }
    for (auto [r, c] : reds) {  // step 7
        if (r == h - 1) GR[at(r + 1, c)] = 0;
        if (c == w - 1) GR[at(r, c + 1)] = 0;
        GR[at(r, c)] = mean(GR[at(r - 1, c)] + GR[at(r, c - 1)] + GR[at(r + 1, c)] + GR[at(r, c + 1)]);
    }
    for (auto [r, c] : reds) G[at(r, c)] = clamp(R[at(r, c)] + GR[at(r, c)]);
    for (auto [r, c] : blues) {  // step 9
        if (r == 0) GR[at(r - 1, c - 1)] = GR[at(r - 1, c + 1)] = 0;
        if (c == 0) GR[at(r - 1, c - 1)] = GR[at(r + 1, c - 1)] = 0;
        GR[at(r, c)] = mean(GR[at(r - 1, c - 1)] + GR[at(r + 1, c - 1)] + GR[at(r + 1, c + 1)] + GR[at(r - 1, c + 1)]);
    }
    for (auto [r, c] : blues) R[at(r, c)] = clamp(G[at(r, c)] - GR[at(r, c)]);
    for (auto [r, c] : greens) R[at(r, c)] = clamp(G[at(r, c)] - GR[at(r, c)]);
    for (auto [r, c] : reds) {  // step 12
        if (r == h - 1) GB[at(r + 1, c - 1)] = GB[at(r + 1, c + 1)] = 0;
        if (c == w - 1) GB[at(r - 1, c + 1)] = GB[at(r + 1, c + 1)] = 0;
        GB[at(r, c)] = mean(GB[at(r - 1, c - 1)] + GB[at(r + 1, c - 1)] + GB[at(r + 1, c + 1)] + GB[at(r - 1, c + 1)]);
    }
    for (auto [r, c] : reds) B[at(r, c)] = clamp(G[at(r, c)] - GB[at(r, c)]);
    for (auto [r, c] : greens) B[at(r, c)] = clamp(G[at(r, c)] - GB[at(r, c)]);
    const bool bottomUp = (flip & 0xFF) != 0;
    Bytes image = before;
    auto px = [&](int r, int c) { return &image[(std::size_t(bottomUp ? h - 1 - r : r) * w + c) * 3]; };
    for (int r = 0; r <= h - 2; ++r)
        for (int c = 0; c <= w - 2; ++c) {
            std::uint8_t* p = px(r, c);
            p[0] = t.mapB(unsigned(B[at(r, c)])), p[1] = t.mapG(unsigned(G[at(r, c)])), p[2] = t.mapR(unsigned(R[at(r, c)]));
        }
    for (int r = 0; r <= h - 2; ++r) std::memcpy(px(r, w - 1), px(r, w - 2), 3);
    for (int c = 0; c < w; ++c) std::memcpy(px(h - 1, c), px(h - 2, c), 3);
    referenceBorder(image, w, h, 3, 3);
    return image;
}

}  // namespace pmtest

#endif

// Helpers shared by the test files: seeded random frames and tables, the
// colour of a mosaic position read from the layout table, a plain border
// extension, comparison that names the failing pixel, and the runners that
// check a conversion against a model or check that it refuses untouched.
#ifndef PIXMILL_TEST_SUPPORT_H
#define PIXMILL_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace pmtest {

using Bytes = std::vector<std::uint8_t>;
using Sizes = std::vector<std::pair<int, int>>;

inline Bytes randomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(count);
    for (auto& v : out) v = static_cast<std::uint8_t>(rng() & 0xFF);
    return out;
}

inline Bytes identity() {
    Bytes t(256);
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    return t;
}

// Colour letter ('R', 'G', 'B') of sample (r, c) under layout code 1 to 4,
// read from the mosaic table: row 0 columns 0 and 1, then row 1.
inline char colourAt(int layout, long r, long c) {
    static const char* const mosaics[5] = {"", "GBRG", "GRBG", "BGGR", "RGGB"};
    return mosaics[layout][(r & 1) * 2 + (c & 1)];
}

// The border extension as described: columns row by row, then top rows, then
// bottom rows, one pixel copy at a time.  `n` counts elements per pixel.
template <typename T>
void referenceBorder(std::vector<T>& img, int w, int h, int b, int n) {
    auto at = [&](int r, int c) { return &img[(static_cast<std::size_t>(r) * w + c) * n]; };
    for (int r = 0; r < h; ++r) {
        for (int k = 0; k < b; ++k) std::memcpy(at(r, k), at(r, b), n * sizeof(T));
        for (int k = 0; k < b; ++k) std::memcpy(at(r, w - 1 - k), at(r, w - 1 - b), n * sizeof(T));
    }
    for (int k = 0; k < b; ++k)
        for (int c = 0; c < w; ++c) std::memcpy(at(k, c), at(b, c), n * sizeof(T));
    for (int k = 0; k < b; ++k)
        for (int c = 0; c < w; ++c) std::memcpy(at(h - 1 - k, c), at(h - 1 - b, c), n * sizeof(T));
}

// Succeeds when the images (of any element type) are equal; otherwise names
// the first differing pixel and channel, plus the caller's context.
template <typename T>
::testing::AssertionResult sameImage(const std::vector<T>& expected, const std::vector<T>& actual, int width,
                                     int perPixel, const std::string& context) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << context << ": sizes " << expected.size() << " vs " << actual.size();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i]) {
            const std::size_t pixel = i / std::size_t(perPixel);
            return ::testing::AssertionFailure()
                   << context << ": memory row " << pixel / std::size_t(width) << ", column "
                   << pixel % std::size_t(width) << ", byte " << i % std::size_t(perPixel) << ": expected "
                   << +expected[i] << ", got " << +actual[i];
        }
    }
    return ::testing::AssertionSuccess();
}

inline std::string describe(int layout, int width, int height, std::int32_t flip, const char* tables = "") {
    std::ostringstream s;
    s << "layout " << layout << ", " << width << "x" << height << ", flip 0x" << std::hex << flip << std::dec
      << (tables[0] ? ", tables " : "") << tables;
    return s.str();
}

// Three tables of one kind: null, identity or arbitrary.
struct TableSet {
    const char* name;
    Bytes red, green, blue;  // empty: pass null
    const std::uint8_t* r() const { return red.empty() ? nullptr : red.data(); }
    const std::uint8_t* g() const { return green.empty() ? nullptr : green.data(); }
    const std::uint8_t* b() const { return blue.empty() ? nullptr : blue.data(); }
    // The table actually applied (identity for a missing one).
    std::uint8_t mapR(unsigned v) const { return red.empty() ? std::uint8_t(v) : red[v]; }
    std::uint8_t mapG(unsigned v) const { return green.empty() ? std::uint8_t(v) : green[v]; }
    std::uint8_t mapB(unsigned v) const { return blue.empty() ? std::uint8_t(v) : blue[v]; }
};

inline std::vector<TableSet> tableSets(std::uint32_t seed) {
    return {
        {"null", {}, {}, {}},
        {"identity", identity(), identity(), identity()},
        {"arbitrary", randomBytes(256, seed), randomBytes(256, seed + 1), randomBytes(256, seed + 2)},
        {"green only", {}, randomBytes(256, seed + 3), {}},
    };
}

// Flip values worth trying: clear, set, and set only above the lowest byte.
inline const std::vector<std::int32_t> kFlips = {0, 1, 0x100, 0x1FF, -256};
// The four layout codes, then codes that name no layout (border only).
inline const std::vector<int> kLayouts = {1, 2, 3, 4, 0, 5, -1};

// Random even sizes from 4 to 4 + 2 * (steps - 1), appended to `sizes`.
inline Sizes withRandomSizes(Sizes sizes, std::mt19937& rng, int count, int steps) {
    for (int i = 0; i < count; ++i)
        sizes.push_back({4 + 2 * int(rng() % unsigned(steps)), 4 + 2 * int(rng() % unsigned(steps))});
    return sizes;
}

// Every even width from 4 to 80 and a few far beyond: below, at and above
// the vector prefixes' 16-pixel block and its multiples.
inline const std::vector<int>& vectorWidths() {
    static const std::vector<int> list = [] {
        std::vector<int> w;
        for (int x = 4; x <= 80; x += 2) w.push_back(x);
        for (int x : {126, 128, 130, 258, 1030}) w.push_back(x);
        return w;
    }();
    return list;
}

using Entry = std::int32_t (*)(std::uint8_t*, const std::uint8_t*, std::int32_t, std::int32_t, std::int32_t,
                               const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, std::int32_t,
                               std::int32_t);
struct Conversion {
    Entry entry;
    std::int32_t code;
    const char* name;
};

// A model: the whole image expected over a destination that held `before`.
using Model = std::function<Bytes(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                                  const Bytes& before)>;

// A raw frame of w x h samples made from a seed.
using FrameMaker = Bytes (*)(int w, int h, std::uint32_t seed);
inline Bytes randomFrame(int w, int h, std::uint32_t seed) { return randomBytes(std::size_t(w) * h, seed); }

// Frames with what random samples rarely give: flat areas, straight and
// diagonal edges, corners, the extremes 0 and 255, and samples drawn from a
// few values, so that neighbours tie with each other and with their means.
inline Bytes structuredFrame(int w, int h, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const unsigned lo = rng() % 256, hi = rng() % 256, cut = rng() % unsigned(w + h);
    Bytes out(std::size_t(w) * h);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            unsigned v = 0;
            switch (seed % 6) {
                case 0: v = lo; break;  // flat
                case 1: v = (unsigned(c) < cut % unsigned(w) ? lo : hi) + rng() % 2; break;  // vertical edge
                case 2: v = unsigned(r + c) < cut ? lo : hi; break;  // diagonal edge
                case 3: v = (unsigned(r) > cut % unsigned(h) && unsigned(c) > cut % unsigned(w)) ? hi : lo; break;
                case 4: v = rng() % 2 ? 255 : 0; break;  // extremes
                default: v = lo + rng() % 4; break;  // a few close values
            }
            out[std::size_t(r) * w + c] = std::uint8_t(std::min(v, 255u));
        }
    return out;
}

// Runs every conversion on a frame from `frame` and a random destination of
// each size, in every layout code, flip value and table set, against the
// model.  `turned`: the destination is h pixels wide (the method turns it).
// `onlyFullTables` keeps only the table sets whose three tables are all
// present (for a build that refuses null tables).
inline ::testing::AssertionResult convertsLikeModel(const std::vector<Conversion>& conversions, const Sizes& sizes,
                                                    std::uint32_t seed, const std::vector<std::int32_t>& flips,
                                                    const Model& model, bool turned = false,
                                                    FrameMaker frame = randomFrame, bool onlyFullTables = false) {
    std::mt19937 rng(seed);
    auto tables = tableSets(seed);
    if (onlyFullTables)
        tables.erase(std::remove_if(tables.begin(), tables.end(),
                                    [](const TableSet& t) { return t.red.empty() || t.green.empty() || t.blue.empty(); }),
                     tables.end());
    for (const auto& [w, h] : sizes) {
        const Bytes raw = frame(w, h, rng());
        const Bytes before = randomBytes(std::size_t(w) * h * 3, rng());
        for (int layout : kLayouts)
            for (std::int32_t flip : flips)
                for (const TableSet& t : tables) {
                    const Bytes expected = model(raw, w, h, t, flip, layout, before);
                    for (const Conversion& c : conversions) {
                        Bytes image = before;
                        const std::string context = std::string(c.name) + ", " + describe(layout, w, h, flip, t.name);
                        if (c.entry(image.data(), raw.data(), w, h, c.code, t.r(), t.g(), t.b(), flip, layout) != 1)
                            return ::testing::AssertionFailure() << context << ": refused";
                        const auto same = sameImage(expected, image, turned ? h : w, 3, context);
                        if (!same) return same;
                    }
                }
    }
    return ::testing::AssertionSuccess();
}

// Calls call(destination) on `bytes` bytes of 0xAB: succeeds when it returns
// 0 and every byte is still 0xAB.
template <typename Call>
::testing::AssertionResult refusedUntouched(Call&& call, std::size_t bytes, const std::string& context) {
    Bytes image(bytes, 0xAB);
    const auto result = call(image.data());
    if (result != 0) return ::testing::AssertionFailure() << context << ": returned " << result;
    for (std::size_t i = 0; i < bytes; ++i)
        if (image[i] != 0xAB) return ::testing::AssertionFailure() << context << ": byte " << i << " written";
    return ::testing::AssertionSuccess();
}

}  // namespace pmtest

#endif

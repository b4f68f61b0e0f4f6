// Helpers shared by the test files: seeded random frames and tables, the
// colour of a mosaic position written straight from the layout table, a plain
// border extension, and image comparison that names the failing pixel.
#ifndef PIXMILL_TEST_SUPPORT_H
#define PIXMILL_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace pmtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes randomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes out(count);
    for (auto& v : out) v = static_cast<std::uint8_t>(byte(rng));
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
// bottom rows, one pixel copy at a time.
inline void referenceBorder(Bytes& img, int w, int h, int b, int n) {
    auto at = [&](int r, int c) { return &img[(static_cast<std::size_t>(r) * w + c) * n]; };
    for (int r = 0; r < h; ++r) {
        for (int k = 0; k < b; ++k) std::memcpy(at(r, k), at(r, b), n);
        for (int k = 0; k < b; ++k) std::memcpy(at(r, w - 1 - k), at(r, w - 1 - b), n);
    }
    for (int k = 0; k < b; ++k)
        for (int c = 0; c < w; ++c) std::memcpy(at(k, c), at(b, c), n);
    for (int k = 0; k < b; ++k)
        for (int c = 0; c < w; ++c) std::memcpy(at(h - 1 - k, c), at(h - 1 - b, c), n);
}

// Reverses the order of the rows of an image of `rowBytes`-byte rows.
inline Bytes flipRows(const Bytes& img, std::size_t rowBytes) {
    Bytes out(img.size());
    const std::size_t rows = img.size() / rowBytes;
    for (std::size_t r = 0; r < rows; ++r)
        std::memcpy(&out[(rows - 1 - r) * rowBytes], &img[r * rowBytes], rowBytes);
    return out;
}

// Succeeds when the images are equal; otherwise names the first differing
// pixel and channel, plus the caller's context (layout, sizes, flip ...).
inline ::testing::AssertionResult sameImage(const Bytes& expected, const Bytes& actual, int width,
                                            int bytesPerPixel, const std::string& context) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << context << ": sizes " << expected.size() << " vs " << actual.size();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i]) {
            const std::size_t pixel = i / static_cast<std::size_t>(bytesPerPixel);
            return ::testing::AssertionFailure()
                   << context << ": memory row " << pixel / static_cast<std::size_t>(width) << ", column "
                   << pixel % static_cast<std::size_t>(width) << ", byte " << i % static_cast<std::size_t>(bytesPerPixel)
                   << ": expected " << int(expected[i]) << ", got " << int(actual[i]);
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
inline const std::vector<std::int32_t>& flipValues() {
    static const std::vector<std::int32_t> values = {0, 1, 0x100, 0x1FF, -256};
    return values;
}

}  // namespace pmtest

#endif

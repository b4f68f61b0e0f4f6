// Forward-window interpolation on mapped samples (ConvertBayer2Rgb code 1,
// ConvertBayer2RgbEx codes 1 and 5) against a model written from the pixel
// rule and the last-group pair rule, on random frames of every even width
// from 4, in every layout, flip value and table set.
#include <gtest/gtest.h>

#include "frame/library_state.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

using Entry = decltype(&ConvertBayer2Rgb);

struct Code {
    Entry entry;
    const char* name;
    std::int32_t code;
};
const Code kCodes[] = {{ConvertBayer2Rgb, "Rgb code 1", 1},
                       {ConvertBayer2RgbEx, "Ex code 1", 1},
                       {ConvertBayer2RgbEx, "Ex code 5", 5}};

// The sample colours are mapped first: at a red or blue site green is the
// mean of the two mapped greens.  The last four columns are the last group:
// each even column c there takes the pixel rule with the mapped right sample
// alone as green at a red or blue site, and column c + 1 copies it.  Rows 0 to
// h - 2, placed by the flip flag, then a border of 1.
Bytes modelMappedWindow(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                        Bytes image) {
    auto s = [&](int r, int c) { return unsigned(raw[static_cast<std::size_t>(r) * w + c]); };
    const bool bottomUp = (flip & 0xFF) != 0;
    if (layout >= 1 && layout <= 4) {
        for (int r = 0; r < h - 1; ++r) {
            for (int c = 0; c < w; ++c) {
                const bool lastGroup = c >= w - 4;
                const int x = lastGroup ? c - (c - (w - 4)) % 2 : c;  // the pixel actually computed
                unsigned blue = 0, green = 0, red = 0;
                unsigned greenSum = 0;
                const int rightColumn = x + 1;
                for (int dr = 0; dr < 2; ++dr) {
                    for (int dc = 0; dc < 2; ++dc) {
                        const unsigned v = s(r + dr, x + dc);
                        switch (colourAt(layout, r + dr, x + dc)) {
                            case 'R': red = t.mapR(v); break;
                            case 'B': blue = t.mapB(v); break;
                            default: greenSum += t.mapG(v); break;
                        }
                    }
                }
                if (colourAt(layout, r, x) == 'G')
                    green = t.mapG(s(r, x));
                else if (lastGroup)
                    green = t.mapG(s(r, rightColumn));
                else
                    green = greenSum >> 1;
                const int row = bottomUp ? h - 1 - r : r;
                std::uint8_t* px = &image[(static_cast<std::size_t>(row) * w + c) * 3];
                px[0] = std::uint8_t(blue);
                px[1] = std::uint8_t(green);
                px[2] = std::uint8_t(red);
            }
        }
    }
    referenceBorder(image, w, h, 1, 3);
    return image;
}

TEST(MappedWindow, MatchesModelOnRandomFrames) {
    std::mt19937 rng(1105);
    const auto tables = tableSets(11);
    // Every even width from 4 to 22 (multiples of 4 or not) at a few heights,
    // then random sizes.
    std::vector<std::pair<int, int>> sizes;
    for (int w = 4; w <= 22; w += 2) sizes.push_back({w, 4 + 2 * int(rng() % 6)});
    for (int i = 0; i < 20; ++i) sizes.push_back({4 + 2 * int(rng() % 20), 4 + 2 * int(rng() % 12)});
    // Wide rows, where identity tables let a vector prefix take the first
    // columns: every width around the 16-pixel block and a few far beyond.
    for (int w : {34, 36, 38, 40, 42, 44, 46, 48, 50, 52, 66, 130, 258}) sizes.push_back({w, 4});
    for (const auto& [w, h] : sizes) {
        const Bytes raw = randomBytes(static_cast<std::size_t>(w) * h, rng());
        const Bytes before = randomBytes(static_cast<std::size_t>(w) * h * 3, rng());
        for (int layout = 1; layout <= 4; ++layout) {
            for (std::int32_t flip : flipValues()) {
                for (const TableSet& t : tables) {
                    const Bytes expected = modelMappedWindow(raw, w, h, t, flip, layout, before);
                    for (const Code& code : kCodes) {
                        Bytes image = before;
                        ASSERT_EQ(1, code.entry(image.data(), raw.data(), w, h, code.code, t.r(), t.g(), t.b(), flip,
                                                layout));
                        ASSERT_TRUE(sameImage(expected, image, w, 3,
                                              std::string(code.name) + ", " + describe(layout, w, h, flip, t.name)));
                    }
                }
            }
        }
    }
}

TEST(MappedWindow, TwelveColumnLastGroupAndMappedGreenMean) {
    // Layout 3 (blue, green / green, red): even rows hold blue sites in even
    // columns, so (2, 2) is a blue site and column 8 of an even row is a blue
    // site in the last group.
    const int w = 12, h = 6;
    Bytes raw = randomBytes(w * h, 23);
    raw[2 * w + 3] = 0;    // right green of (2, 2)
    raw[3 * w + 2] = 255;  // lower green of (2, 2)
    Bytes green(256, 9);
    green[0] = 0;
    green[127] = 200;
    green[255] = 255;
    Bytes image(w * h * 3);
    ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), w, h, 1, nullptr, green.data(), nullptr, 0, 3));
    auto at = [&](int r, int c, int k) { return int(image[(r * w + c) * 3 + k]); };
    EXPECT_EQ(127, at(2, 2, 1)) << "mean of mapped greens, not the mapped mean";
    for (int r = 1; r < h - 1; ++r) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(at(r, 8, k), at(r, 9, k)) << "row " << r << ", byte " << k;
            EXPECT_EQ(at(r, 10, k), at(r, 11, k)) << "row " << r << ", byte " << k;
        }
        // Even rows: column 8 is a blue site; its green is G[s(r, 9)] alone.
        if (r % 2 == 0) {
            EXPECT_EQ(green[raw[r * w + 9]], at(r, 8, 1)) << "row " << r;
        }
    }
}

TEST(MappedWindow, IgnoresTheSmoothingFlag) {
    // The flag only goes one way, so what can be checked in a shared process
    // is that the result is the unsmoothed rule either way; the fresh-process
    // test checks that the flag itself stays 0.
    const Bytes raw = randomBytes(8 * 8, 61);
    const TableSet none{"null", {}, {}, {}};
    const Bytes expected = modelMappedWindow(raw, 8, 8, none, 0, 2, Bytes(8 * 8 * 3));
    pm::setSmoothing();
    for (const Code& code : kCodes) {
        Bytes image(8 * 8 * 3);
        ASSERT_EQ(1, code.entry(image.data(), raw.data(), 8, 8, code.code, nullptr, nullptr, nullptr, 0, 2));
        EXPECT_TRUE(sameImage(expected, image, 8, 3, code.name));
    }
}

TEST(MappedWindow, UnknownLayoutOnlyExtendsTheBorder) {
    const Bytes raw = randomBytes(10 * 6, 3);
    for (int layout : {0, 5, -1}) {
        for (const Code& code : kCodes) {
            Bytes image = randomBytes(10 * 6 * 3, 4);
            Bytes expected = image;
            referenceBorder(expected, 10, 6, 1, 3);
            ASSERT_EQ(1, code.entry(image.data(), raw.data(), 10, 6, code.code, nullptr, nullptr, nullptr, 0, layout));
            EXPECT_TRUE(
                sameImage(expected, image, 10, 3, std::string(code.name) + ", layout " + std::to_string(layout)));
        }
    }
}

TEST(MappedWindow, RefusedSizesWriteNothing) {
    const Bytes raw = randomBytes(64 * 64, 1);
    const int sizes[][2] = {{3, 8}, {8, 3}, {2, 2}, {5, 8}, {8, 7}, {0, 8}, {8, 0}, {-4, 8}, {8, -4}, {2, 8}};
    for (const Code& code : kCodes) {
        for (const auto& size : sizes) {
            Bytes image(64 * 64 * 3, 0xAB);
            EXPECT_EQ(0, code.entry(image.data(), raw.data(), size[0], size[1], code.code, nullptr, nullptr, nullptr,
                                    0, 1))
                << code.name << ", " << size[0] << "x" << size[1];
            for (std::uint8_t v : image) ASSERT_EQ(0xAB, v);
        }
    }
}

}  // namespace

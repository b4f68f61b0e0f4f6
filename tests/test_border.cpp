// The border extension on its own: hand-worked cases and a plain model.
#include <gtest/gtest.h>

#include "frame/border.h"
#include "test_support.h"

using namespace pmtest;

namespace {

TEST(Border, FourByFourWidthThreeTakesTheLastPixel) {
    for (int n : {1, 2, 3, 6}) {
        Bytes img = randomBytes(16 * static_cast<std::size_t>(n), 11);
        const Bytes corner(img.begin() + (3 * 4 + 3) * n, img.begin() + (3 * 4 + 4) * n);
        ASSERT_EQ(1, pm::extendBorder(img.data(), 4, 4, 0, 3, static_cast<std::uint32_t>(n)));
        for (int p = 0; p < 16; ++p)
            for (int k = 0; k < n; ++k) ASSERT_EQ(corner[k], img[p * n + k]) << "pixel " << p << ", " << n << " bytes";
    }
}

TEST(Border, SixBySixWidthOneReplicatesTheInnerBlock) {
    Bytes img = randomBytes(36 * 3, 12);
    const Bytes before = img;
    ASSERT_EQ(1, pm::extendBorder(img.data(), 6, 6, 1, 1, 3));
    auto px = [](const Bytes& b, int r, int c, int k) { return b[(r * 6 + c) * 3 + k]; };
    auto clampInner = [](int v) { return v < 1 ? 1 : (v > 4 ? 4 : v); };
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(px(before, clampInner(r), clampInner(c), k), px(img, r, c, k)) << r << "," << c;
}

TEST(Border, MatchesModelForEveryWidthAndPixelSize) {
    std::mt19937 rng(99);
    for (int trial = 0; trial < 60; ++trial) {
        const int w = 4 + int(rng() % 20), h = 4 + int(rng() % 20);
        const int b = int(rng() % 4);
        const int n = std::vector<int>{1, 2, 3, 6}[rng() % 4];
        Bytes img = randomBytes(static_cast<std::size_t>(w) * h * n, rng());
        Bytes expected = img;
        referenceBorder(expected, w, h, b, n);
        ASSERT_EQ(1, pm::extendBorder(img.data(), w, h, 0, b, static_cast<std::uint32_t>(n)));
        ASSERT_TRUE(sameImage(expected, img, w, n, describe(0, w, h, 0) + ", border " + std::to_string(b)));
    }
}

TEST(Border, RefusalsAndNoOps) {
    Bytes img = randomBytes(8 * 8 * 3, 13);
    const Bytes before = img;
    EXPECT_EQ(0, pm::extendBorder(nullptr, 8, 8, 0, 1, 3));
    EXPECT_EQ(0, pm::extendBorder(img.data(), 8, 8, 0, -1, 3));
    EXPECT_EQ(1, pm::extendBorder(img.data(), 8, 8, 0, 0, 3));
    // Too small to hold the border: left alone rather than overrun.
    EXPECT_EQ(1, pm::extendBorder(img.data(), 3, 8, 0, 3, 3));
    EXPECT_EQ(1, pm::extendBorder(img.data(), 8, 0, 0, 1, 3));
    EXPECT_EQ(1, pm::extendBorder(img.data(), -8, 8, 0, 1, 3));
    EXPECT_EQ(before, img);
}

}  // namespace

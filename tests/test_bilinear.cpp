// Bilinear interpolation (method code 2) against a model written from the
// per-site rules (bilinear_model.h), on random frames in every layout, flip
// and table set.
#include <gtest/gtest.h>

#include "bilinear_model.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

TEST(Bilinear, MatchesModelOnRandomFrames) {
    std::mt19937 rng(20261208);
    const auto tables = tableSets(77);
    for (int trial = 0; trial < 40; ++trial) {
        const int w = 4 + 2 * int(rng() % 14), h = 4 + 2 * int(rng() % 14);
        const Bytes raw = randomBytes(static_cast<std::size_t>(w) * h, rng());
        const Bytes before = randomBytes(static_cast<std::size_t>(w) * h * 3, rng());
        for (int layout = 1; layout <= 4; ++layout) {
            for (std::int32_t flip : flipValues()) {
                for (const TableSet& t : tables) {
                    for (auto entry : {ConvertBayer2Rgb, ConvertBayer2RgbEx}) {
                        Bytes image = before;
                        ASSERT_EQ(1, entry(image.data(), raw.data(), w, h, PM_METHOD_BILINEAR, t.r(), t.g(), t.b(),
                                           flip, layout));
                        ASSERT_TRUE(sameImage(modelBilinear(raw, w, h, t, flip, layout, before), image, w, 3,
                                              describe(layout, w, h, flip, t.name)));
                    }
                }
            }
        }
    }
}

TEST(Bilinear, HandWorkedNeighbourhoods) {
    // Green of a red site uses only down and left; of a blue site all four.
    // Layout 4: (2, 2) is red, (3, 3) is blue.
    Bytes raw(6 * 6, 0);
    auto set = [&](int r, int c, std::uint8_t v) { raw[static_cast<std::size_t>(r) * 6 + c] = v; };
    set(1, 2, 255); set(3, 2, 255); set(2, 1, 0); set(2, 3, 255);   // around red (2, 2)
    set(2, 3, 255); set(4, 3, 255); set(3, 2, 255); set(3, 4, 0);   // around blue (3, 3)
    Bytes image(6 * 6 * 3);
    ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 6, 6, 2, nullptr, nullptr, nullptr, 0, 4));
    EXPECT_EQ(127, image[(2 * 6 + 2) * 3 + 1]);
    EXPECT_EQ(191, image[(3 * 6 + 3) * 3 + 1]);
}

TEST(Bilinear, UniformFrameAndSmallestFrame) {
    Bytes raw(8 * 6, 93);
    Bytes image(8 * 6 * 3);
    ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 8, 6, 2, nullptr, nullptr, nullptr, 0, 3));
    for (std::uint8_t v : image) ASSERT_EQ(93, v);

    // 4 x 4: everything becomes the pixel computed at (2, 2).
    const Bytes small = randomBytes(16, 5);
    Bytes out(48);
    ASSERT_EQ(1, ConvertBayer2Rgb(out.data(), small.data(), 4, 4, 2, nullptr, nullptr, nullptr, 0, 1));
    for (int p = 0; p < 16; ++p)
        for (int k = 0; k < 3; ++k) ASSERT_EQ(out[(2 * 4 + 2) * 3 + k], out[p * 3 + k]) << "pixel " << p;
}

TEST(Bilinear, FlipReversesRows) {
    const Bytes raw = randomBytes(10 * 8, 9);
    Bytes top(10 * 8 * 3), bottom(10 * 8 * 3);
    ASSERT_EQ(1, ConvertBayer2Rgb(top.data(), raw.data(), 10, 8, 2, nullptr, nullptr, nullptr, 0, 2));
    ASSERT_EQ(1, ConvertBayer2Rgb(bottom.data(), raw.data(), 10, 8, 2, nullptr, nullptr, nullptr, 1, 2));
    EXPECT_TRUE(sameImage(flipRows(top, 30), bottom, 10, 3, "flip"));
}

TEST(Bilinear, UnknownLayoutOnlyExtendsTheBorder) {
    const Bytes raw = randomBytes(8 * 8, 3);
    for (int layout : {0, 5, -1}) {
        Bytes image = randomBytes(8 * 8 * 3, 4);
        Bytes expected = image;
        referenceBorder(expected, 8, 8, 2, 3);
        ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 8, 8, 2, nullptr, nullptr, nullptr, 0, layout));
        EXPECT_TRUE(sameImage(expected, image, 8, 3, "layout " + std::to_string(layout)));
    }
}

TEST(Bilinear, RefusedSizesWriteNothing) {
    const Bytes raw = randomBytes(64 * 64, 1);
    const int sizes[][2] = {{3, 8}, {8, 3}, {2, 2}, {5, 8}, {8, 7}, {0, 8}, {8, 0}, {-4, 8}, {8, -4}};
    for (const auto& size : sizes) {
        Bytes image(64 * 64 * 3, 0xAB);
        EXPECT_EQ(0, ConvertBayer2Rgb(image.data(), raw.data(), size[0], size[1], 2, nullptr, nullptr, nullptr, 0, 1))
            << size[0] << "x" << size[1];
        for (std::uint8_t v : image) ASSERT_EQ(0xAB, v);
    }
}

}  // namespace

// The demosaicing methods against the models written from their rules, on
// random frames and destinations in every layout code, flip value and table
// set, plus hand-worked pixels.  Tests here run in one process when the
// binary is run by hand, so each sets the smoothing flag when it needs it;
// the unsmoothed code 5 of a fresh process is tested in
// test_smoothing_lifecycle.cpp.
#include <gtest/gtest.h>

#include "demosaic/forward_window_kernel.h"
#include "frame/library_state.h"
#include "models.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

// Random sizes, the smallest frame, and every width around the vector
// prefixes' 16-pixel block at a few heights.
Sizes conversionSizes(std::uint32_t seed, int count, int steps) {
    std::mt19937 rng(seed);
    Sizes sizes = withRandomSizes({{4, 4}, {4, 6}, {6, 4}}, rng, count, steps);
    for (int w : vectorWidths()) sizes.push_back({w, 4 + 2 * int(rng() % 3)});
    return sizes;
}

TEST(Conversion, BilinearMatchesModel) {
    EXPECT_TRUE(convertsLikeModel({{ConvertBayer2Rgb, 2, "Rgb code 2"}, {ConvertBayer2RgbEx, 2, "Ex code 2"}},
                                  conversionSizes(20261208, 40, 14), 77, kFlips, modelBilinear));
}

TEST(Conversion, SmoothedForwardWindowMatchesModel) {
    pm::setSmoothing();  // code 5 follows the flag
    EXPECT_TRUE(convertsLikeModel(
        {{ConvertBayer2Rgb, 5, "code 5"}, {ConvertBayer2Rgb, 7, "code 7"}}, conversionSizes(5070, 40, 16), 55, kFlips,
        [](const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout, const Bytes& before) {
            return modelForwardWindow(raw, w, h, t, flip, layout, true, before);
        }));
}

TEST(Conversion, MappedWindowMatchesModelWhateverTheFlag) {
    // The mapped method never reads the flag: with it set, the result must
    // still be the unsmoothed rule.  Every even width from 4 to 22 is here
    // (a multiple of 4 or not), and the wide rows where identity tables let
    // a vector prefix take the first columns.
    pm::setSmoothing();
    std::mt19937 rng(1105);
    Sizes sizes;
    for (int w = 4; w <= 22; w += 2) sizes.push_back({w, 4 + 2 * int(rng() % 6)});
    sizes = withRandomSizes(sizes, rng, 20, 12);
    for (int w : vectorWidths()) sizes.push_back({w, 4});
    EXPECT_TRUE(convertsLikeModel({{ConvertBayer2Rgb, 1, "Rgb code 1"},
                                   {ConvertBayer2RgbEx, 1, "Ex code 1"},
                                   {ConvertBayer2RgbEx, 5, "Ex code 5"}},
                                  sizes, 11, kFlips, modelMappedWindow));
}

TEST(Conversion, RotatedMatchesModelAndWritesEveryByte) {
    // Sizes spanning several of the method's tiles in either direction.  The
    // model sets every destination byte, so a byte left as the random
    // destination held it shows as a mismatch.
    std::mt19937 rng(9009);
    EXPECT_TRUE(convertsLikeModel({{ConvertBayer2Rgb, 9, "code 9"}},
                                  withRandomSizes({{70, 66}, {4, 68}, {68, 4}, {34, 34}, {4, 4}}, rng, 36, 16), 99,
                                  kFlips, modelRotated, true));
    EXPECT_EQ(1, pm::smoothingFlag.load());
}

// The row kernel as the record pipelines and the earlier builds will use it:
// 8-bit and 16-bit samples, with the smoothing policy fixed at compile time,
// writing rows 0 to h - 2 and columns 0 to w - 2 only.
template <typename Value>
void checkKernel(std::uint32_t seed, unsigned valueRange) {
    std::mt19937 rng(seed);
    auto randomValues = [&](std::size_t n) {
        std::vector<Value> v(n);
        for (auto& x : v) x = static_cast<Value>(rng() % valueRange);
        return v;
    };
    const std::vector<Value> red = randomValues(valueRange), green = randomValues(valueRange),
                             blue = randomValues(valueRange);
    for (const auto& [w, h] : withRandomSizes({}, rng, 12, 10)) {
        const std::vector<Value> raw = randomValues(std::size_t(w) * h), before = randomValues(std::size_t(w) * h * 3);
        for (int layout = 1; layout <= 4; ++layout)
            for (bool bottomUp : {false, true})
                for (bool smooth : {false, true}) {
                    std::vector<Value> image = before, expected = before;
                    const pm::BgrWriter<Value> writer{image.data(), w, h, bottomUp,
                                                      red.data(), green.data(), blue.data()};
                    if (smooth)
                        pm::forwardWindowImage<pm::SmoothingAlways>(layout, raw.data(), w, h, writer);
                    else
                        pm::forwardWindowImage<pm::SmoothingNever>(layout, raw.data(), w, h, writer);
                    for (int r = 0; r < h - 1; ++r)
                        for (int c = 0; c < w - 1; ++c) {
                            const Channels v = windowChannels(raw, w, layout, r, c, smooth);
                            Value* px = &expected[(std::size_t(bottomUp ? h - 1 - r : r) * w + c) * 3];
                            px[0] = blue[v.blue], px[1] = green[v.green], px[2] = red[v.red];
                        }
                    ASSERT_TRUE(sameImage(expected, image, w, 3,
                                          std::to_string(sizeof(Value) * 8) + "-bit, smoothing " +
                                              std::to_string(smooth) + ", " + describe(layout, w, h, bottomUp)));
                }
    }
}

TEST(Conversion, WindowKernelForEachSampleWidthAndSmoothingPolicy) {
    checkKernel<std::uint8_t>(81, 256);
    // Samples up to 65535: the sum of two greens needs more than 16 bits.
    checkKernel<std::uint16_t>(82, 65536);
}

// Hand-worked pixels, independent of the models.
TEST(Conversion, HandWorkedPixels) {
    auto green = [](const Bytes& image, int w, int r, int c) { return int(image[(std::size_t(r) * w + c) * 3 + 1]); };

    // Code 2, layout 4: the green of red site (2, 2) takes only the lower and
    // left neighbours, of blue site (3, 3) all four.
    Bytes raw(6 * 6, 0), image(6 * 6 * 3);
    for (int at : {1 * 6 + 2, 3 * 6 + 2, 2 * 6 + 3, 4 * 6 + 3}) raw[std::size_t(at)] = 255;
    ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 6, 6, 2, nullptr, nullptr, nullptr, 0, 4));
    EXPECT_EQ(127, green(image, 6, 2, 2));
    EXPECT_EQ(191, green(image, 6, 3, 3));

    // Code 2 on a 4 x 4 frame: the border makes every pixel the one at (2, 2).
    const Bytes small = randomBytes(16, 5);
    ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), small.data(), 4, 4, 2, nullptr, nullptr, nullptr, 0, 1));
    for (int p = 0; p < 16; ++p)
        for (int k = 0; k < 3; ++k) ASSERT_EQ(image[(2 * 4 + 2) * 3 + k], image[p * 3 + k]) << "pixel " << p;

    // Code 7: greens 0 in even rows and 255 in odd rows average to 127 at
    // every pixel; other samples differ from both, so a wrong pick shows.
    for (int layout = 1; layout <= 4; ++layout) {
        Bytes rows(10 * 8), out(10 * 8 * 3);
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 10; ++c)
                rows[std::size_t(r) * 10 + c] = colourAt(layout, r, c) == 'G' ? (r % 2 ? 255 : 0) : 40 + r * 10 + c;
        ASSERT_EQ(1, ConvertBayer2Rgb(out.data(), rows.data(), 10, 8, 7, nullptr, nullptr, nullptr, 0, layout));
        for (int p = 0; p < 80; ++p) ASSERT_EQ(127, green(out, 10, p / 10, p % 10)) << "layout " << layout;
    }

    // Code 1, layout 3, 12 columns: blue site (2, 2) takes the mean of its
    // mapped greens (not the mapped mean); the last group (columns 8 to 11)
    // is filled by pairs, and its blue sites take the mapped right green.
    const int w = 12, h = 6;
    Bytes mosaic = randomBytes(w * h, 23), out(w * h * 3);
    mosaic[2 * w + 3] = 0, mosaic[3 * w + 2] = 255;
    Bytes table(256, 9);
    table[0] = 0, table[127] = 200, table[255] = 255;
    ASSERT_EQ(1, ConvertBayer2Rgb(out.data(), mosaic.data(), w, h, 1, nullptr, table.data(), nullptr, 0, 3));
    EXPECT_EQ(127, green(out, w, 2, 2));
    for (int r = 1; r < h - 1; ++r) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(out[(r * w + 8) * 3 + k], out[(r * w + 9) * 3 + k]) << "row " << r << ", byte " << k;
            EXPECT_EQ(out[(r * w + 10) * 3 + k], out[(r * w + 11) * 3 + k]) << "row " << r << ", byte " << k;
        }
        if (r % 2 == 0) {
            EXPECT_EQ(table[mosaic[r * w + 9]], green(out, w, r, 8)) << "row " << r;
        }
    }
}

}  // namespace

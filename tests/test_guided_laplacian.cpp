// The green-guided (code 6) and Laplacian-corrected (code 8) methods against
// their models on random frames and destinations, hand-worked pixels, and the
// sizes the rules leave open: tiny frames must not depend on what the
// destination held, and code 8, which tests nothing, must stay inside the
// buffers at every size.
#include <gtest/gtest.h>

#include <functional>

#include "demosaic/method_paths.h"
#include "demosaic/methods.h"
#include "demosaic/vector/vector_paths.h"
#include "models.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

const std::vector<Conversion> kGuided = {{ConvertBayer2Rgb, 6, "Rgb code 6"}, {ConvertBayer2RgbEx, 6, "Ex code 6"}};
const std::vector<Conversion> kLaplacian = {{ConvertBayer2Rgb, 8, "code 8"}};

TEST(GreenGuided, MatchesModel) {
    std::mt19937 rng(6006);
    // Every combination of the sizes 4, 6 and 8 (the cell-filled tiny frames
    // and the smallest fully computed one), then random frames.
    Sizes sizes;
    for (int w : {4, 6, 8})
        for (int h : {4, 6, 8}) sizes.push_back({w, h});
    sizes.push_back({4, 30}), sizes.push_back({34, 6});
    EXPECT_TRUE(convertsLikeModel(kGuided, withRandomSizes(sizes, rng, 30, 16), 66, kFlips, modelGreenGuided));
}

TEST(Laplacian, MatchesModel) {
    std::mt19937 rng(8008);
    // Odd sizes and frames lower than the prologue needs are walked safely
    // (the buffers are exactly w x h samples and 3 w h bytes).
    Sizes sizes = {{4, 4}, {5, 5}, {6, 4}, {4, 6}, {5, 8}, {8, 5}, {6, 6}, {7, 7}, {9, 11}, {8, 1}, {8, 2},
                   {8, 3},  {1, 8}, {2, 8}, {3, 3}, {7, 3}, {33, 17}};
    EXPECT_TRUE(convertsLikeModel(kLaplacian, withRandomSizes(sizes, rng, 30, 16), 88, kFlips, modelLaplacian));
}

TEST(Laplacian, SizesOfZeroOrLessTouchNothing) {
    const Bytes raw = randomBytes(64, 3);
    for (auto [w, h] : Sizes{{0, 8}, {8, 0}, {-6, 8}, {8, -6}, {-8, -8}, {0, 0}, {INT32_MIN, 8}, {8, INT32_MIN}})
        for (std::int32_t flip : {0, 1}) {
            Bytes image(64, 0xAB);
            EXPECT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), w, h, 8, nullptr, nullptr, nullptr, flip, 3));
            EXPECT_EQ(Bytes(64, 0xAB), image) << w << "x" << h << ", flip " << flip;
        }
}

TEST(GreenGuided, Refusals) {
    const Bytes raw = randomBytes(16 * 16, 1);
    for (const Conversion& c : kGuided) {
        for (auto [w, h] : Sizes{{3, 8}, {8, 3}, {2, 2}, {5, 8}, {8, 7}, {0, 8}, {-4, 8}, {8, -4}})
            EXPECT_TRUE(refusedUntouched(
                [&, w = w, h = h](std::uint8_t* d) {
                    return c.entry(d, raw.data(), w, h, c.code, nullptr, nullptr, nullptr, 0, 1);
                },
                16 * 16 * 3, std::string(c.name) + ", " + describe(1, w, h, 0)));
        EXPECT_TRUE(refusedUntouched(
            [&](std::uint8_t* d) { return c.entry(d, nullptr, 8, 8, c.code, nullptr, nullptr, nullptr, 0, 1); },
            16 * 16 * 3, std::string(c.name) + ", null source"));
    }
}

// The computed pixels of both methods depend on the frame and the tables
// only: two destinations of different contents give the same bytes there.
// Code 6 computes every byte at every size (the tiny frames through their
// cells); code 8 computes its area, and the frame keeps each destination's
// own bytes.
TEST(GuidedAndLaplacian, ComputedPixelsIgnoreTheDestination) {
    const auto tables = tableSets(41);
    for (int code : {6, 8})
        for (int w : {4, 6, 8, 10})
            for (int h : {4, 6, 8, 10})
                for (int layout = 1; layout <= 4; ++layout)
                    for (std::int32_t flip : {0, 1})
                        for (const TableSet& t : tables) {
                            const Bytes raw = randomBytes(std::size_t(w) * h, std::uint32_t(w * 100 + h));
                            Bytes zeros(std::size_t(w) * h * 3, 0x00), ones(zeros.size(), 0xFF);
                            for (Bytes* image : {&zeros, &ones})
                                ASSERT_EQ(1, ConvertBayer2Rgb(image->data(), raw.data(), w, h, code, t.r(), t.g(),
                                                              t.b(), flip, layout));
                            for (int r = 0; r < h; ++r)
                                for (int c = 0; c < w; ++c) {
                                    const int row = flip ? h - 1 - r : r;
                                    const bool computed = code == 6 || (r >= 2 && r <= h - 3 && c >= 2 && c <= w - 3);
                                    for (int k = 0; k < 3; ++k) {
                                        const std::size_t i = (std::size_t(row) * w + c) * 3 + std::size_t(k);
                                        if (computed) {
                                            ASSERT_EQ(zeros[i], ones[i]) << "code " << code << ", pixel (" << r << ", "
                                                                         << c << "), byte " << k << ", "
                                                                         << describe(layout, w, h, flip, t.name);
                                        }
                                    }
                                }
                        }
}

// Hand-worked pixels on 10 x 10 frames through null tables: the frame is 100
// everywhere except the listed samples (or as `fill` sets it).
struct HandCase {
    const char* what;
    int code, layout;
    std::int32_t flip;
    std::vector<std::array<int, 3>> samples;  // row, column, value
    std::function<int(int, int)> fill;        // value of every sample, when set
    int row, column, byte, expected;
};

TEST(GuidedAndLaplacian, HandWorkedPixels) {
    // Code 6, layout 4: green site (4, 5) between red sites (4, 4) and (4, 6),
    // whose greens come out of the green pass as 3/4 above + 1/4 below with
    // their own colour two rows up cancelling their sample.
    auto neighbours = [](int gc, int x1, int g1, int x2, int g2) {
        return std::vector<std::array<int, 3>>{{4, 5, gc},  {4, 4, x1}, {3, 4, g1}, {5, 4, g1}, {2, 4, x1},
                                               {4, 6, x2}, {3, 6, g2}, {5, 6, g2}, {2, 6, x2}};
    };
    // Code 6, layout 4, blue site (5, 5): diagonal greens 90 (NW), 130 (SE),
    // 70 (SW), 110 (NE) give equal five-gradient sums (140 each); the NE-SW
    // diagonal gives 60 + 100 * 30 / 40 = 135, the other would give 75.
    const std::vector<std::array<int, 3>> tie = {{4, 4, 50}, {6, 4, 60}, {5, 4, 70}, {7, 4, 60}, {3, 4, 90},
                                                 {2, 4, 30}, {4, 6, 160}, {6, 6, 150}, {5, 6, 130}, {7, 6, 140},
                                                 {3, 6, 60}, {2, 6, 30}};
    // Code 8, layout 4: greens and reds 100, blues 128 + 2 (r - 4)(c - 4).
    // Every green estimate is 100; in row 4 both diagonals of a red site are
    // equally steep, falling gives 130 and rising 126.
    auto saddle = [](int r, int c) { return (r % 2 && c % 2) ? 128 + 2 * (r - 4) * (c - 4) : 100; };
    const HandCase cases[] = {
        {"uniform, code 6", 6, 2, 0, {}, [](int, int) { return 77; }, 0, 9, 2, 77},
        {"uniform, code 8", 8, 3, 1, {}, [](int, int) { return 77; }, 7, 3, 0, 77},
        {"between the greens", 6, 4, 0, neighbours(110, 40, 100, 80, 140), nullptr, 4, 5, 2, 50},
        {"between, truncated toward zero", 6, 4, 0, neighbours(110, 80, 100, 41, 140), nullptr, 4, 5, 2, 71},
        {"green extremum", 6, 4, 0, neighbours(120, 40, 100, 60, 110), nullptr, 4, 5, 2, 57},
        {"equal sums take NE-SW", 6, 4, 0, tie, nullptr, 5, 5, 2, 135},
        {"equal sums take NE-SW, flipped", 6, 4, 1, tie, nullptr, 5, 5, 2, 135},
        {"equal gradients: horizontal green", 8, 4, 0,
         {{4, 3, 80}, {4, 5, 80}, {3, 4, 160}, {5, 4, 160}}, nullptr, 4, 4, 1, 80},
        {"diagonal tie top-down: falling", 8, 4, 0, {}, saddle, 4, 4, 0, 130},
        {"diagonal tie bottom-up: rising", 8, 4, 1, {}, saddle, 4, 4, 0, 126},
        {"diagonal tie in column 4", 8, 4, 0, {}, saddle, 6, 4, 0, 130},
    };
    for (const HandCase& k : cases) {
        Bytes raw(100, 100), image(300, 0x5A);
        for (int p = 0; p < 100 && k.fill; ++p) raw[std::size_t(p)] = std::uint8_t(k.fill(p / 10, p % 10));
        for (const auto& [r, c, v] : k.samples) raw[std::size_t(r * 10 + c)] = std::uint8_t(v);
        ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 10, 10, k.code, nullptr, nullptr, nullptr, k.flip,
                                      k.layout));
        const int row = k.flip ? 9 - k.row : k.row;
        EXPECT_EQ(k.expected, image[std::size_t(row * 10 + k.column) * 3 + std::size_t(k.byte)]) << k.what;
    }
}

// Every vector path against the scalar path at the sizes the fast-path test
// (test_fast_paths.cpp) leaves out: code 8's odd widths and heights, walked
// over the even-sized part, and rows longer than the 4096-column strips of
// both methods.
TEST(GuidedAndLaplacian, VectorPathsMatchScalarAtOddAndLongRows) {
    struct Case {
        const char* name;
        decltype(&pm::laplacianGradientOn) method;
        Sizes sizes;
    };
    const Case cases[] = {
        {"code 8", pm::laplacianGradientOn, {{9, 9}, {67, 9}, {65, 12}, {130, 11}, {1031, 8}, {4200, 6}, {4203, 7}}},
        {"code 6", pm::greenGuidedOn, {{4200, 8}, {4230, 10}}},
    };
    std::mt19937 rng(1616);
    const auto tables = tableSets(16);
    for (const Case& k : cases)
        for (auto [w, h] : k.sizes) {
            const Bytes raw = randomBytes(std::size_t(w) * h, rng()), before = randomBytes(raw.size() * 3, rng());
            for (pm::simd::Path path : {pm::simd::Path::Sse2, pm::simd::Path::Avx, pm::simd::Path::Avx2,
                                        pm::simd::Path::Avx512}) {
                if (!pm::simd::pathAvailable(path)) continue;
                for (int layout = 0; layout <= 4; ++layout)
                    for (std::int32_t flip : {0, 1})
                        for (const TableSet& t : tables) {
                            const std::uint8_t* r = pm::tableOrIdentity(t.r());
                            const std::uint8_t* g = pm::tableOrIdentity(t.g());
                            const std::uint8_t* b = pm::tableOrIdentity(t.b());
                            Bytes scalar = before, vector = before;
                            k.method(pm::simd::Path::Scalar, raw.data(), scalar.data(), w, h, r, g, b, flip, layout,
                                     pm::simd::Stores::Auto);
                            k.method(path, raw.data(), vector.data(), w, h, r, g, b, flip, layout,
                                     pm::simd::Stores::Auto);
                            ASSERT_TRUE(sameImage(scalar, vector, w, 3,
                                                  std::string(k.name) + ", path " + std::to_string(int(path)) +
                                                      ", " + describe(layout, w, h, flip, t.name)));
                        }
            }
        }
}
}  // namespace

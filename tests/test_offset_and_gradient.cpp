// Offset bilinear (code 0) and gradient-directed interpolation (code 4) of
// both entries against their models, the choices made where the rules leave
// bytes undefined (tiny frames, green outside the window), the debugger
// message, refusals and hand-worked pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demosaic/colour_difference.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"
#include "frame/library_state.h"
#include "frame/debug_output.h"
#include "models.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

const std::vector<Conversion> kOffsetBilinear = {{ConvertBayer2Rgb, 0, "Rgb code 0"},
                                                 {ConvertBayer2RgbEx, 0, "Ex code 0"}};
const std::vector<Conversion> kGradient = {{ConvertBayer2Rgb, 4, "Rgb code 4"}, {ConvertBayer2RgbEx, 4, "Ex code 4"}};

// The smallest frames in both directions, random sizes, and every width
// around the vector prefixes' block.
Sizes sizes(std::uint32_t seed) {
    std::mt19937 rng(seed);
    Sizes list = withRandomSizes({{4, 4}, {4, 6}, {6, 4}, {6, 6}, {4, 12}, {14, 4}}, rng, 30, 14);
    for (int w : vectorWidths()) list.push_back({w, 4 + 2 * int(rng() % 4)});
    return list;
}

// Counts the messages sent while it is alive and keeps the last text.
struct DebugMessages {
    static inline int count = 0;
    static inline std::string last;
    pm::DebugSink previous;
    DebugMessages() : previous(pm::setDebugSink([](const char* m) { ++count, last = m; })) { count = 0, last.clear(); }
    ~DebugMessages() { pm::setDebugSink(previous); }
};

TEST(OffsetBilinear, MatchesModel) {
    EXPECT_TRUE(convertsLikeModel(kOffsetBilinear, sizes(700), 70, kFlips, modelOffsetBilinear));
}

TEST(Gradient, MatchesModelAndSendsOneMessagePerCall) {
    DebugMessages messages;
    EXPECT_TRUE(convertsLikeModel(kGradient, sizes(400), 40, kFlips, modelGradient));
    // Every accepted call, unknown layout codes included, sent one message.
    const int calls = int(sizes(400).size() * kLayouts.size() * kFlips.size() * tableSets(40).size() * 2);
    EXPECT_EQ(calls, DebugMessages::count);
    EXPECT_EQ("Hello, Edge Sensing!", DebugMessages::last);
}

// The 1.1.2.0 build's code 4: the same image, and no message.
TEST(Gradient, QuietFormSendsNothingAndGivesTheSameImage) {
    DebugMessages messages;
    const std::vector<Conversion> quiet = {{[](std::uint8_t* d, const std::uint8_t* s, std::int32_t w, std::int32_t h,
                                               std::int32_t, const std::uint8_t* r, const std::uint8_t* g,
                                               const std::uint8_t* b, std::int32_t f, std::int32_t l) {
                                                return pm::gradientDirectedQuiet(s, d, w, h, pm::tableOrIdentity(r),
                                                                                 pm::tableOrIdentity(g),
                                                                                 pm::tableOrIdentity(b), f, l);
                                            },
                                            4, "quiet code 4"}};
    EXPECT_TRUE(convertsLikeModel(quiet, sizes(401), 41, {0, 1}, modelGradient));
    EXPECT_EQ(0, DebugMessages::count);
}

// Where the literal rules would leave bytes to what the destination held
// (sizes of 4, green outside the window), two different prior contents must
// give the same image, for every known layout and flip value.
TEST(OffsetBilinearAndGradient, ImageDoesNotDependOnPriorContents) {
    for (const Conversion& c : {kOffsetBilinear[0], kGradient[0]})
        for (const auto& [w, h] : Sizes{{4, 4}, {4, 8}, {10, 4}, {6, 6}, {8, 10}})
            for (int layout = 1; layout <= 4; ++layout)
                for (std::int32_t flip : {0, 1})
                    for (bool mapped : {false, true}) {  // null tables take the row-by-row form of code 4
                        const Bytes raw = randomBytes(std::size_t(w) * h, std::uint32_t(w * 31 + h + layout));
                        Bytes zeros(std::size_t(w) * h * 3, 0), ones(zeros.size(), 0xFF);
                        const Bytes table = randomBytes(256, 3);
                        const std::uint8_t* t = mapped ? table.data() : nullptr;
                        ASSERT_EQ(1, c.entry(zeros.data(), raw.data(), w, h, c.code, t, t, nullptr, flip, layout));
                        ASSERT_EQ(1, c.entry(ones.data(), raw.data(), w, h, c.code, t, t, nullptr, flip, layout));
                        EXPECT_TRUE(sameImage(zeros, ones, w, 3,
                                              std::string(c.name) + ", " + describe(layout, w, h, flip, mapped ? "mapped" : "null")));
                    }
}

TEST(OffsetBilinearAndGradient, RefuseUntouchedAndSilently) {
    DebugMessages messages;
    const Bytes raw(64 * 64, 7);
    const Sizes refused = {{3, 8}, {8, 3}, {2, 2}, {0, 8}, {-4, 8}, {8, -4}, {5, 8}, {8, 7}, {9, 9}};
    for (const std::vector<Conversion>* method : {&kOffsetBilinear, &kGradient})
        for (const Conversion& c : *method) {
            for (const auto& [w, h] : refused)
                EXPECT_TRUE(refusedUntouched(
                    [&, w = w, h = h](std::uint8_t* d) {
                        return c.entry(d, raw.data(), w, h, c.code, nullptr, nullptr, nullptr, 0, 1);
                    },
                    64 * 64 * 3, std::string(c.name) + " " + std::to_string(w) + "x" + std::to_string(h)));
            EXPECT_TRUE(refusedUntouched(
                [&](std::uint8_t* d) { return c.entry(d, nullptr, 8, 8, c.code, nullptr, nullptr, nullptr, 0, 1); },
                64 * 64 * 3, std::string(c.name) + " null source"));
        }
    EXPECT_EQ(0, DebugMessages::count);
}

// The double-precision recipe and its integer form agree for every green and
// every difference the stages can form (four mapped colours minus four
// greens at most).
TEST(Gradient, ColourDifferenceEqualsItsShiftedForm) {
    for (std::uint32_t g = 0; g < 256; ++g)
        for (std::int32_t d = -4 * 255; d <= 4 * 255; ++d) {
            ASSERT_EQ(pm::colourDifference(g, d, 0.5), pm::colourDifferenceShifted(g, d, 1)) << g << ", " << d;
            ASSERT_EQ(pm::colourDifference(g, d, 0.25), pm::colourDifferenceShifted(g, d, 2)) << g << ", " << d;
        }
}

// The method runs its stages row by row with vector prefixes (through tables
// on mapped rows).  Each path, the scalar one included, must give the bytes
// of the stages as described, which a caller's own identity tables select
// (and the scalar path through other tables), at every width around the
// vector blocks, beyond the 4096-column strips the rows are walked in, in
// every layout and both flip states.  Every width of every path through
// every kind of table is in test_fast_paths.cpp.
TEST(Gradient, EveryPathGivesTheBytesOfTheStages) {
    using pm::simd::Path;
    std::vector<Path> paths;
    for (Path p : {Path::Scalar, Path::Sse2, Path::Avx, Path::Avx2, Path::Avx512})
        if (pm::simd::pathAvailable(p)) paths.push_back(p);
    std::vector<int> widths = vectorWidths();
    for (int w : {4096, 4098, 4100, 4102, 8200, 8230}) widths.push_back(w);
    const Bytes own = identity();
    const std::uint8_t* unity = pm::identityTable.data();
    std::mt19937 rng(4242);
    const Bytes curve = randomBytes(3 * 256, 4243);
    for (int w : widths) {
        const int h = w > 2000 ? 6 : 4 + 2 * int(rng() % 4);
        const Bytes raw = randomBytes(std::size_t(w) * h, rng()), before = randomBytes(std::size_t(w) * h * 3, rng());
        for (int layout = 1; layout <= 4; ++layout)
            for (std::int32_t flip : {0, 1}) {
                Bytes expected = before;
                ASSERT_EQ(1, ConvertBayer2Rgb(expected.data(), raw.data(), w, h, 4, own.data(), own.data(), own.data(),
                                              flip, layout));
                Bytes curved = before;
                ASSERT_EQ(1, pm::gradientDirectedOn(Path::Scalar, raw.data(), curved.data(), w, h, curve.data(),
                                                    curve.data() + 256, curve.data() + 512, std::uint32_t(flip), layout));
                for (Path path : paths) {
                    Bytes image = before;
                    ASSERT_EQ(1, pm::gradientDirectedOn(path, raw.data(), image.data(), w, h, unity, unity, unity,
                                                        std::uint32_t(flip), layout));
                    ASSERT_TRUE(sameImage(expected, image, w, 3,
                                          "path " + std::to_string(int(path)) + ", " + describe(layout, w, h, flip)));
                    image = before;
                    ASSERT_EQ(1, pm::gradientDirectedOn(path, raw.data(), image.data(), w, h, curve.data(),
                                                        curve.data() + 256, curve.data() + 512, std::uint32_t(flip),
                                                        layout));
                    ASSERT_TRUE(sameImage(curved, image, w, 3,
                                          "path " + std::to_string(int(path)) + " through tables, " +
                                              describe(layout, w, h, flip)));
                }
            }
    }
}

TEST(OffsetBilinearAndGradient, HandWorkedPixels) {
    auto pixel = [](const Bytes& image, int w, int r, int c, int k) { return int(image[(std::size_t(r) * w + c) * 3 + k]); };

    // Code 0, layout 3, 12 x 12, zero but s(4, 4) = 200: the blue site's own
    // sample lands one up and one left, and red site (5, 5) takes a quarter
    // of it as its diagonal at (4, 4).
    {
        Bytes raw(144, 0), image(144 * 3);
        raw[4 * 12 + 4] = 200;
        ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 12, 12, 0, nullptr, nullptr, nullptr, 0, 3));
        EXPECT_EQ(200, pixel(image, 12, 3, 3, 0));
        EXPECT_EQ(50, pixel(image, 12, 4, 4, 0));
        // Red site (3, 3), at image (2, 2), has (4, 4) only as a diagonal.
        EXPECT_EQ(0, pixel(image, 12, 2, 2, 1));
        EXPECT_EQ(50, pixel(image, 12, 2, 2, 0));
    }
    // Code 0, layout 4, 6 x 6: red site (4, 4) with up, left, right 255 and
    // down 0 takes green (255 * 3) >> 2 = 191 from all four (code 2 would
    // give 127), kept at image pixel (3, 3).
    {
        Bytes raw(36, 0), image(36 * 3);
        for (int at : {3 * 6 + 4, 4 * 6 + 3, 4 * 6 + 5}) raw[std::size_t(at)] = 255;
        ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 6, 6, 0, nullptr, nullptr, nullptr, 0, 4));
        EXPECT_EQ(191, pixel(image, 6, 3, 3, 1));
    }
    // Code 4, flat frame of 90, identity tables: every pixel (90, 90, 90);
    // through a green table t, green sites give t[90], interpolated green
    // t[t[90]] (kept pixels, rows and columns 2 to size - 4).
    {
        Bytes raw(10 * 8, 90), image(10 * 8 * 3), t(256, 0);
        t[90] = 140, t[140] = 30;
        for (int layout = 1; layout <= 4; ++layout) {
            ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 10, 8, 4, nullptr, nullptr, nullptr, 0, layout));
            for (std::size_t i = 0; i < image.size(); ++i) ASSERT_EQ(90, image[i]) << "layout " << layout;
            ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 10, 8, 4, nullptr, t.data(), nullptr, 0, layout));
            for (int r = 2; r <= 4; ++r)
                for (int c = 2; c <= 6; ++c)
                    EXPECT_EQ(colourAt(layout, r, c) == 'G' ? 140 : 30, pixel(image, 10, r, c, 1))
                        << "layout " << layout << " at " << r << ", " << c;
        }
    }
    // Code 4, layout 4 (red at even rows and columns), 8 x 8 of 0 but the
    // red samples 250: at green site (3, 2) of a blue row, red is
    // G + (250 + 250 - G(2, 2) - G(4, 2)) >> 1 = 0 + 250.  Blue at red site
    // (2, 2) maps its four diagonal zeros through the blue table t (t[0] = 5)
    // and the result again: t[0 + (4 * 5 - 0) / 4] = t[5] = 77.
    {
        Bytes raw(64, 0), image(64 * 3), blue(256, 77);
        blue[0] = 5;
        for (int r = 0; r < 8; r += 2)
            for (int c = 0; c < 8; c += 2) raw[std::size_t(r) * 8 + c] = 250;
        ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 8, 8, 4, nullptr, nullptr, blue.data(), 0, 4));
        EXPECT_EQ(0, pixel(image, 8, 3, 2, 1));
        EXPECT_EQ(250, pixel(image, 8, 3, 2, 2));
        EXPECT_EQ(77, pixel(image, 8, 2, 2, 0));
    }
}

}  // namespace

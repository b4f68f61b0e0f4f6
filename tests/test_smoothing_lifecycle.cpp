// The smoothing flag's one-way life, seen from a fresh process: code 5 is
// unsmoothed until code 7 or 9 has run, and smoothed ever after; the mapped
// codes of ConvertBayer2RgbEx never set the flag.  Each case needs a process
// of its own, so CTest runs them one by one (see CMakeLists.txt); the cases
// refuse to run after the flag was set by something else.
#include <gtest/gtest.h>

#include "demosaic/methods.h"
#include "forward_window_model.h"
#include "frame/library_state.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

const char* const kFresh = "this case needs a fresh process: run it alone with --gtest_filter";

TEST(SmoothingLifecycle, Code5IsUnsmoothedUntilCode7Runs) {
    ASSERT_EQ(0, pm::smoothingFlag.load()) << kFresh;
    const int w = 14, h = 10;
    const Bytes raw = randomBytes(w * h, 707);
    const auto tables = tableSets(708);
    const TableSet& t = tables[2];  // arbitrary tables
    for (int layout = 1; layout <= 4; ++layout) {
        Bytes image(w * h * 3);
        ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), w, h, 5, t.r(), t.g(), t.b(), 0, layout));
        EXPECT_TRUE(sameImage(modelForwardWindow(raw, w, h, t, 0, layout, false, Bytes(w * h * 3)), image, w, 3,
                              "fresh code 5, " + describe(layout, w, h, 0, t.name)));
        EXPECT_EQ(0, pm::smoothingFlag.load());
    }
    for (std::int32_t code : {1, 5}) {
        Bytes image(w * h * 3);
        ASSERT_EQ(1, ConvertBayer2RgbEx(image.data(), raw.data(), w, h, code, t.r(), t.g(), t.b(), 0, 1));
        EXPECT_EQ(0, pm::smoothingFlag.load()) << "ConvertBayer2RgbEx code " << code;
    }

    for (int layout = 1; layout <= 4; ++layout) {
        const Bytes smoothed = modelForwardWindow(raw, w, h, t, 0, layout, true, Bytes(w * h * 3));
        Bytes viaCode7(w * h * 3), viaCode5(w * h * 3);
        ASSERT_EQ(1, ConvertBayer2Rgb(viaCode7.data(), raw.data(), w, h, 7, t.r(), t.g(), t.b(), 0, layout));
        EXPECT_EQ(1, pm::smoothingFlag.load());
        EXPECT_TRUE(sameImage(smoothed, viaCode7, w, 3, "code 7, " + describe(layout, w, h, 0, t.name)));
        ASSERT_EQ(1, ConvertBayer2Rgb(viaCode5.data(), raw.data(), w, h, 5, t.r(), t.g(), t.b(), 0, layout));
        EXPECT_TRUE(sameImage(viaCode7, viaCode5, w, 3, "code 5 after code 7, " + describe(layout, w, h, 0, t.name)));
    }
    // The two results differ on this frame, so the comparisons above could
    // tell the variants apart.
    EXPECT_FALSE(modelForwardWindow(raw, w, h, t, 0, 1, false, Bytes(w * h * 3)) ==
                 modelForwardWindow(raw, w, h, t, 0, 1, true, Bytes(w * h * 3)));
}

TEST(SmoothingLifecycle, Code9SetsTheFlagAndIsSmoothedEitherWay) {
    ASSERT_EQ(0, pm::smoothingFlag.load()) << kFresh;
    const int w = 8, h = 6;
    const Bytes raw = randomBytes(w * h, 909);
    // The method itself neither reads nor sets the flag.
    Bytes direct(w * h * 3, 0);
    ASSERT_EQ(1, pm::rotatedTwoByTwo(raw.data(), direct.data(), w, h, pm::identityTable.data(),
                                     pm::identityTable.data(), pm::identityTable.data(), 0, 2));
    EXPECT_EQ(0, pm::smoothingFlag.load());

    Bytes viaEntry(w * h * 3, 0);
    ASSERT_EQ(1, ConvertBayer2Rgb(viaEntry.data(), raw.data(), w, h, 9, nullptr, nullptr, nullptr, 0, 2));
    EXPECT_EQ(1, pm::smoothingFlag.load());
    EXPECT_TRUE(sameImage(direct, viaEntry, h, 3, "code 9 before and after the flag"));

    // Smoothed values: source pixel (r, x) sits at row x, column h - 1 - r.
    const std::vector<unsigned> wide = widen(raw);
    for (int r = 0; r < h - 1; ++r)
        for (int x = 0; x < w - 1; ++x)
            ASSERT_EQ(windowChannels(wide, w, 2, r, x, true).green, direct[(x * h + h - 1 - r) * 3 + 1])
                << "source pixel (" << r << ", " << x << ")";

    // And code 5 now smooths too.
    Bytes code5(w * h * 3);
    ASSERT_EQ(1, ConvertBayer2Rgb(code5.data(), raw.data(), w, h, 5, nullptr, nullptr, nullptr, 0, 2));
    const TableSet none{"null", {}, {}, {}};
    EXPECT_TRUE(sameImage(modelForwardWindow(raw, w, h, none, 0, 2, true, Bytes(w * h * 3)), code5, w, 3,
                          "code 5 after code 9"));
}

}  // namespace

// The smoothing flag's one-way life, seen from a fresh process: code 5 is
// unsmoothed until code 7 or 9 has run, and smoothed ever after; the mapped
// codes of ConvertBayer2RgbEx never set the flag.  Each case needs a process
// of its own, so CTest runs them one by one (see CMakeLists.txt); the cases
// refuse to run after the flag was set by something else.
#include <gtest/gtest.h>

#include "demosaic/methods.h"
#include "frame/library_state.h"
#include "models.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

const char* const kFresh = "this case needs a fresh process: run it alone with --gtest_filter";

TEST(SmoothingLifecycle, Code5IsUnsmoothedUntilCode7Runs) {
    ASSERT_EQ(0, pm::smoothingFlag.load()) << kFresh;
    const int w = 14, h = 10;
    const Bytes raw = randomBytes(w * h, 707), blank(w * h * 3, 0);
    const TableSet t = tableSets(708)[2];  // arbitrary tables
    auto convert = [&](Entry entry, int code, int layout) {
        Bytes image = blank;
        EXPECT_EQ(1, entry(image.data(), raw.data(), w, h, code, t.r(), t.g(), t.b(), 0, layout));
        return image;
    };
    // The two variants differ on this frame, so the comparisons can tell them apart.
    ASSERT_NE(modelForwardWindow(raw, w, h, t, 0, 1, false, blank), modelForwardWindow(raw, w, h, t, 0, 1, true, blank));
    for (int layout = 1; layout <= 4; ++layout)
        EXPECT_TRUE(sameImage(modelForwardWindow(raw, w, h, t, 0, layout, false, blank), convert(ConvertBayer2Rgb, 5, layout),
                              w, 3, "fresh code 5, " + describe(layout, w, h, 0, t.name)));
    for (std::int32_t code : {1, 5}) convert(ConvertBayer2RgbEx, code, 1);
    EXPECT_EQ(0, pm::smoothingFlag.load()) << "after codes 5 and Ex 1, Ex 5";

    for (int layout = 1; layout <= 4; ++layout) {
        const Bytes smoothed = modelForwardWindow(raw, w, h, t, 0, layout, true, blank);
        EXPECT_TRUE(sameImage(smoothed, convert(ConvertBayer2Rgb, 7, layout), w, 3, "code 7, " + describe(layout, w, h, 0)));
        EXPECT_EQ(1, pm::smoothingFlag.load());
        EXPECT_TRUE(sameImage(smoothed, convert(ConvertBayer2Rgb, 5, layout), w, 3,
                              "code 5 after code 7, " + describe(layout, w, h, 0)));
    }
}

TEST(SmoothingLifecycle, Code9SetsTheFlagAndIsSmoothedEitherWay) {
    ASSERT_EQ(0, pm::smoothingFlag.load()) << kFresh;
    const int w = 8, h = 6;
    const Bytes raw = randomBytes(w * h, 909), blank(w * h * 3, 0);
    const TableSet none{"null", {}, {}, {}};
    // The method itself neither reads nor sets the flag: smoothed already.
    Bytes direct = blank, viaEntry = blank, code5 = blank;
    ASSERT_EQ(1, pm::rotatedTwoByTwo(raw.data(), direct.data(), w, h, pm::identityTable.data(),
                                     pm::identityTable.data(), pm::identityTable.data(), 0, 2));
    EXPECT_EQ(0, pm::smoothingFlag.load());
    EXPECT_TRUE(sameImage(modelRotated(raw, w, h, none, 0, 2, blank), direct, h, 3, "code 9 before the flag"));

    ASSERT_EQ(1, ConvertBayer2Rgb(viaEntry.data(), raw.data(), w, h, 9, nullptr, nullptr, nullptr, 0, 2));
    EXPECT_EQ(1, pm::smoothingFlag.load());
    EXPECT_TRUE(sameImage(direct, viaEntry, h, 3, "code 9 before and after the flag"));
    ASSERT_EQ(1, ConvertBayer2Rgb(code5.data(), raw.data(), w, h, 5, nullptr, nullptr, nullptr, 0, 2));
    EXPECT_TRUE(sameImage(modelForwardWindow(raw, w, h, none, 0, 2, true, blank), code5, w, 3, "code 5 after code 9"));
}

// The flag is set before the method checks the sizes, so a size refusal
// still sets it; refusals of the entry itself (null image, unknown code) do not.
TEST(SmoothingLifecycle, SizeRefusalOfCode7StillSetsTheFlag) {
    ASSERT_EQ(0, pm::smoothingFlag.load()) << kFresh;
    const Bytes raw = randomBytes(8 * 8, 77);
    for (std::int32_t code : {7, 9})
        EXPECT_TRUE(refusedUntouched(
            [&](std::uint8_t* d) { return ConvertBayer2Rgb(d, nullptr, 8, 8, code, nullptr, nullptr, nullptr, 0, 1); },
            8 * 8 * 3, "null source, code " + std::to_string(code)));
    EXPECT_TRUE(refusedUntouched(
        [&](std::uint8_t* d) { return ConvertBayer2Rgb(d, raw.data(), 8, 8, 10, nullptr, nullptr, nullptr, 0, 1); },
        8 * 8 * 3, "code 10"));
    EXPECT_EQ(0, pm::smoothingFlag.load()) << "after refusals by the entry";
    EXPECT_TRUE(refusedUntouched(
        [&](std::uint8_t* d) { return ConvertBayer2Rgb(d, raw.data(), 7, 8, 7, nullptr, nullptr, nullptr, 0, 1); },
        8 * 8 * 3, "code 7, width 7"));
    EXPECT_EQ(1, pm::smoothingFlag.load()) << "after code 7 refused for its width";
}

// A record with method 7 sets the flag even when its sizes are refused; one
// with another method does not.
TEST(SmoothingLifecycle, RecordEntrySetsTheFlagForMethod7Only) {
    ASSERT_EQ(0, pm::smoothingFlag.load()) << kFresh;
    const int w = 10, h = 8;
    const Bytes raw = randomBytes(w * h, 511), blank(w * h * 3, 0);
    Bytes unused(w * h * 3), code5 = blank;
    PmConvertRecord rec{unused.data(), 4, 0, 0, raw.data(), 0, 0, 0, 1, w, h, 5, nullptr, nullptr, nullptr, 0};
    EXPECT_EQ(0, PmConvert(0, &rec, 0));
    EXPECT_EQ(0, pm::smoothingFlag.load()) << "after method 5";
    rec.method = 7;
    rec.width = 3;
    EXPECT_EQ(0, PmConvert(0, &rec, 0));
    EXPECT_EQ(1, pm::smoothingFlag.load()) << "after method 7 with a refused width";
    const TableSet none{"null", {}, {}, {}};
    ASSERT_EQ(1, ConvertBayer2Rgb(code5.data(), raw.data(), w, h, 5, nullptr, nullptr, nullptr, 0, 3));
    EXPECT_TRUE(sameImage(modelForwardWindow(raw, w, h, none, 0, 3, true, blank), code5, w, 3, "code 5 after PmConvert"));
}

}  // namespace

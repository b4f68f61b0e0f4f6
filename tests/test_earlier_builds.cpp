// The three builds as callers meet them: each library loaded at run time and
// called by the names of its export definition.  Every method code of the
// earlier builds against the model of the method it names (the shared ones
// against the same models as the current build), the codes that run
// nothing, the 1.1.2.0 build's refusal of null tables, tiny frames, the
// working planes of its colour-difference method, and the calibration
// exports of each build.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "models.h"
#include "models_earlier.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

// Each build's library, loaded once for the whole run and kept loaded.
void* library(const std::string& version) {
    static const std::map<std::string, const char*> paths = {{"1.7.7.6", PIXMILL_LIBRARY_1_7_7_6},
                                                             {"1.5.0.1", PIXMILL_LIBRARY_1_5_0_1},
                                                             {"1.1.2.0", PIXMILL_LIBRARY_1_1_2_0}};
    static std::map<std::string, void*> handles;
    auto& handle = handles[version];
    if (handle == nullptr) handle = dlopen(paths.at(version), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(nullptr, handle) << version << ": " << dlerror();
    return handle;
}

template <typename F>
F exported(const std::string& version, const char* name) {
    return reinterpret_cast<F>(dlsym(library(version), name));
}

Entry rgb(const std::string& version) { return exported<Entry>(version, "ConvertBayer2Rgb"); }
Entry ex(const std::string& version) { return exported<Entry>(version, "ConvertBayer2RgbEx"); }

// Even sizes from 6 (every method's smallest fully computed frame) up, both
// orientations, plus random ones.
Sizes sizes(std::uint32_t seed) {
    std::mt19937 rng(seed);
    Sizes list = {{6, 6}, {6, 10}, {12, 6}, {8, 8}, {16, 12}};
    for (int i = 0; i < 5; ++i) list.push_back({6 + 2 * int(rng() % 12), 6 + 2 * int(rng() % 12)});
    return list;
}

Model forwardWindowModel(bool smooth) {
    return [smooth](const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                    const Bytes& before) { return modelForwardWindow(raw, w, h, t, flip, layout, smooth, before); };
}
Model medianModel(bool counted) {
    return [counted](const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                     const Bytes& before) { return modelMedian(raw, w, h, t, flip, layout, before, counted); };
}

// Which method each code of each earlier entry runs.
struct CodeRow {
    const char* version;
    bool ex;
    std::int32_t code;
    Model model;
};

TEST(EarlierBuilds, MethodCodesRunTheirMethods) {
    const CodeRow rows[] = {
        {"1.5.0.1", false, 0, modelOffsetBilinear},   {"1.5.0.1", true, 0, modelOffsetBilinear},
        {"1.5.0.1", false, 1, modelMappedUnbordered}, {"1.5.0.1", true, 1, modelMappedUnbordered},
        {"1.5.0.1", false, 2, modelBilinear},         {"1.5.0.1", true, 2, modelBilinear},
        {"1.5.0.1", false, 3, medianModel(false)},    {"1.5.0.1", true, 3, medianModel(true)},
        {"1.5.0.1", false, 4, modelGradient},         {"1.5.0.1", true, 4, modelGradient},
        {"1.5.0.1", false, 5, modelWindowUnbordered}, {"1.5.0.1", true, 5, modelMappedUnbordered},
        {"1.5.0.1", false, 6, modelGreenGuided},      {"1.5.0.1", true, 6, modelGreenGuided},
        {"1.1.2.0", false, 0, modelOffsetBilinear},   {"1.1.2.0", false, 1, forwardWindowModel(false)},
        {"1.1.2.0", false, 2, modelBilinear},         {"1.1.2.0", false, 3, modelFloatCounted},
        {"1.1.2.0", false, 4, modelGradient},         {"1.1.2.0", false, 6, modelDirectional},
    };
    std::uint32_t seed = 900;
    for (const CodeRow& row : rows) {
        const std::string name = std::string(row.version) + (row.ex ? " Ex" : " Rgb") + " code " +
                                 std::to_string(row.code);
        const Entry entry = row.ex ? ex(row.version) : rgb(row.version);
        ASSERT_NE(nullptr, entry) << name;
        const bool refusesNull = std::string(row.version) == "1.1.2.0";
        for (FrameMaker frame : {randomFrame, structuredFrame}) {
            ++seed;
            EXPECT_TRUE(convertsLikeModel({{entry, row.code, name.c_str()}}, sizes(seed), seed, {0, 1, 0x100},
                                          row.model, false, frame, refusesNull));
        }
    }
}

// Where the description says an earlier build's code runs the current
// build's method, the two libraries give the same result and image.
TEST(EarlierBuilds, SharedCodesGiveTheCurrentBuildsImages) {
    struct Pair {
        const char* version;
        bool ex;
        std::int32_t code;
        bool currentEx;
        std::int32_t currentCode;
    };
    // The current build's code 5 while its smoothing flag is clear: nothing
    // in this process sets it in that library.
    const Pair pairs[] = {{"1.5.0.1", false, 6, false, 6}, {"1.5.0.1", true, 6, true, 6},
                          {"1.5.0.1", false, 4, false, 4}, {"1.5.0.1", true, 3, true, 3},
                          {"1.1.2.0", false, 1, false, 5}, {"1.1.2.0", false, 4, false, 4},
                          {"1.1.2.0", false, 0, false, 0}};
    std::mt19937 rng(77);
    const Bytes red = randomBytes(256, 1), green = randomBytes(256, 2), blue = randomBytes(256, 3);
    for (const Pair& p : pairs)
        for (const auto& [w, h] : sizes(p.code + 5u))
            for (int layout = 1; layout <= 4; ++layout) {
                const Bytes raw = randomBytes(std::size_t(w) * h, rng());
                Bytes earlier(std::size_t(w) * h * 3, 0x5A), current = earlier;
                const Entry e = p.ex ? ex(p.version) : rgb(p.version);
                const Entry c = p.currentEx ? ex("1.7.7.6") : rgb("1.7.7.6");
                const std::int32_t flip = layout & 1;
                const std::string context = std::string(p.version) + " code " + std::to_string(p.code) + ", " +
                                            describe(layout, w, h, flip);
                ASSERT_EQ(c(current.data(), raw.data(), w, h, p.currentCode, red.data(), green.data(), blue.data(),
                            flip, layout),
                          e(earlier.data(), raw.data(), w, h, p.code, red.data(), green.data(), blue.data(), flip,
                            layout))
                    << context;
                ASSERT_TRUE(sameImage(current, earlier, w, 3, context));
            }
}

// Unknown codes, a null image and (1.1.2.0) any null table run nothing and
// write nothing.
TEST(EarlierBuilds, RefusedCallsWriteNothing) {
    const Bytes raw = randomBytes(16 * 12, 5), table = identity();
    const std::uint8_t* t = table.data();
    struct Call {
        const char* version;
        Entry entry;
        std::int32_t code;
        bool nullRed, nullGreen, nullBlue;
    };
    std::vector<Call> calls;
    for (const char* v : {"1.5.0.1", "1.1.2.0"})
        for (std::int32_t code : {7, 8, 9, 10, -1, 0x7FFFFFFF}) {
            calls.push_back({v, rgb(v), code, false, false, false});
            if (ex(v)) calls.push_back({v, ex(v), code, false, false, false});
        }
    for (std::int32_t code = 0; code <= 6; ++code)
        for (int mask = 1; mask < 8; ++mask)
            calls.push_back({"1.1.2.0", rgb("1.1.2.0"), code, (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0});
    for (const Call& c : calls)
        EXPECT_TRUE(refusedUntouched(
            [&](std::uint8_t* image) {
                return c.entry(image, raw.data(), 16, 12, c.code, c.nullRed ? nullptr : t, c.nullGreen ? nullptr : t,
                               c.nullBlue ? nullptr : t, 0, 1);
            },
            16 * 12 * 3,
            std::string(c.version) + " code " + std::to_string(c.code) + (c.nullRed ? " null red" : "") +
                (c.nullGreen ? " null green" : "") + (c.nullBlue ? " null blue" : "")));
    for (const char* v : {"1.5.0.1", "1.1.2.0"})
        EXPECT_TRUE(refusedUntouched([&](std::uint8_t* image) { return rgb(v)(image, nullptr, 16, 12, 2, t, t, t, 0, 1); },
                                     16 * 12 * 3, std::string(v) + " null source"));
}

// What each build has beyond the conversions: the 1.1.2.0 build has no Ex
// entry and no constant block; the 1.5.0.1 block holds the current values.
TEST(EarlierBuilds, ExportSetsByName) {
    EXPECT_EQ(nullptr, ex("1.1.2.0"));
    EXPECT_EQ(nullptr, exported<void*>("1.1.2.0", "PmGetConstantBlock"));
    EXPECT_EQ(nullptr, exported<void*>("1.5.0.1", "SetBadPixelThreshold"));
    EXPECT_EQ(nullptr, exported<void*>("1.5.0.1", "PmConvert"));
    using Block = const std::int32_t* (*)();
    const auto earlier = exported<Block>("1.5.0.1", "PmGetConstantBlock");
    const auto current = exported<Block>("1.7.7.6", "PmGetConstantBlock");
    ASSERT_NE(nullptr, earlier);
    ASSERT_NE(nullptr, current);
    EXPECT_EQ(earlier(), earlier());
    EXPECT_EQ(std::vector<std::int32_t>(current(), current() + 11), std::vector<std::int32_t>(earlier(), earlier() + 11));
}

// Tiny frames of the 1.1.2.0 build's own staged methods: a side of 4 is
// refused by codes 3 and 6, and every accepted size gives an image that does
// not depend on what the destination held.
TEST(EarlierBuilds, TinyFramesAreRefusedOrDeterministic) {
    const Entry entry = rgb("1.1.2.0");
    const Bytes table = randomBytes(256, 9);
    const std::uint8_t* t = table.data();
    for (std::int32_t code : {3, 5, 6})
        for (const auto& [w, h] : Sizes{{4, 4}, {4, 8}, {10, 4}, {6, 6}, {6, 10}, {12, 6}})
            for (int layout = 1; layout <= 4; ++layout)
                for (std::int32_t flip : {0, 1}) {
                    const Bytes raw = randomBytes(std::size_t(w) * h, std::uint32_t(w * 7 + h + layout));
                    const std::string context = "code " + std::to_string(code) + ", " + describe(layout, w, h, flip);
                    if (code != 5 && (w == 4 || h == 4)) {
                        EXPECT_TRUE(refusedUntouched(
                            [&, w = w, h = h](std::uint8_t* image) {
                                return entry(image, raw.data(), w, h, code, t, t, t, flip, layout);
                            },
                            std::size_t(w) * h * 3, context));
                        continue;
                    }
                    Bytes zeros(std::size_t(w) * h * 3, 0), ones(zeros.size(), 0xFF);
                    ASSERT_EQ(1, entry(zeros.data(), raw.data(), w, h, code, t, t, t, flip, layout)) << context;
                    ASSERT_EQ(1, entry(ones.data(), raw.data(), w, h, code, t, t, t, flip, layout)) << context;
                    EXPECT_TRUE(sameImage(zeros, ones, w, 3, context));
                }
}

// Hand-worked pixels from the descriptions, identity tables, pixel (4, 4) of
// a 10 x 10 frame of 100 with the four neighbours changed (layout 4 puts a
// red site there, layout 3 a blue one).
TEST(EarlierBuilds, HandWorkedPixels) {
    struct Case {
        std::int32_t code;
        int layout;
        int north, east, south, west;
        int byte, expected;
    } cases[] = {
        {3, 4, 200, 11, 200, 11, 1, 111},  // M = 105.5, an edge: 211 - 100
        {3, 3, 10, 10, 11, 10, 1, 10},     // blue site: M = 10.25, one above: (10 + 10) / 2
        {3, 4, 200, 200, 11, 11, 1, 111},  // a corner, its half ring also 100
        {6, 4, 100, 100, 100, 100, 1, 100},  // flat: north wins, (300 + 100 + 100 - 100) / 4
    };
    const Bytes table = identity();
    const std::uint8_t* t = table.data();
    for (const Case& c : cases) {
        Bytes raw(100, 100), image(300, 0);
        raw[34] = std::uint8_t(c.north), raw[45] = std::uint8_t(c.east), raw[54] = std::uint8_t(c.south);
        raw[43] = std::uint8_t(c.west);
        ASSERT_EQ(1, rgb("1.1.2.0")(image.data(), raw.data(), 10, 10, c.code, t, t, t, 0, c.layout));
        EXPECT_EQ(c.expected, image[(4 * 10 + 4) * 3 + c.byte]) << "code " << c.code << ", layout " << c.layout;
    }
    // A uniform frame gives its value everywhere (codes 3, 5 and 6).
    for (std::int32_t code : {3, 5, 6}) {
        Bytes raw(16 * 14, 77), image(16 * 14 * 3, 0);
        ASSERT_EQ(1, rgb("1.1.2.0")(image.data(), raw.data(), 16, 14, code, t, t, t, 1, 2));
        for (std::uint8_t v : image) ASSERT_EQ(77, v) << "code " << code;
    }
}

// The working planes: images that would not fit are refused; the largest
// that fit are converted; overlapping calls on two threads each give their
// own image.
TEST(EarlierBuilds, ColourDifferencePlanes) {
    const Entry entry = rgb("1.1.2.0");
    const Bytes table = identity();
    const std::uint8_t* t = table.data();
    for (const auto& [w, h] : Sizes{{1798, 6}, {6, 2398}, {4000, 4000}}) {
        const Bytes raw(std::size_t(w) * h, 9);
        EXPECT_TRUE(refusedUntouched(
            [&, w = w, h = h](std::uint8_t* image) { return entry(image, raw.data(), w, h, 5, t, t, t, 0, 1); },
            std::size_t(w) * h * 3, describe(1, w, h, 0)));
    }
    const TableSet none{"identity", identity(), identity(), identity()};
    for (const auto& [w, h] : Sizes{{1796, 6}, {6, 2396}}) {
        const Bytes raw = randomBytes(std::size_t(w) * h, std::uint32_t(w + h));
        Bytes image(raw.size() * 3, 0);
        ASSERT_EQ(1, entry(image.data(), raw.data(), w, h, 5, t, t, t, 0, 3));
        EXPECT_TRUE(sameImage(modelColourDifference(raw, w, h, none, 0, 3, image), image, w, 3, describe(3, w, h, 0)));
    }
    // Every layout it knows, through identity and arbitrary tables, from the
    // smallest frames up; unknown layouts are refused.
    std::mt19937 rng(55);
    Sizes list = {{4, 4}, {4, 10}, {12, 4}};
    for (const auto& size : sizes(56)) list.push_back(size);
    for (const auto& [w, h] : list)
        for (FrameMaker frame : {randomFrame, structuredFrame}) {
            const Bytes raw = frame(w, h, rng());
            for (const TableSet& tables : {none, TableSet{"arbitrary", randomBytes(256, 1), randomBytes(256, 2),
                                                          randomBytes(256, 3)}})
                for (int layout = 1; layout <= 4; ++layout)
                    for (std::int32_t flip : {0, 1, 0x100}) {
                        Bytes image = randomBytes(std::size_t(w) * h * 3, rng());
                        const Bytes expected = modelColourDifference(raw, w, h, tables, flip, layout, image);
                        ASSERT_EQ(1, entry(image.data(), raw.data(), w, h, 5, tables.r(), tables.g(), tables.b(), flip,
                                           layout));
                        ASSERT_TRUE(sameImage(expected, image, w, 3, describe(layout, w, h, flip, tables.name)));
                    }
        }
    const Bytes small = randomBytes(64, 2);
    for (int layout : {0, 5, -1})
        EXPECT_TRUE(refusedUntouched([&](std::uint8_t* image) { return entry(image, small.data(), 8, 8, 5, t, t, t, 0, layout); },
                                     8 * 8 * 3, describe(layout, 8, 8, 0)));
    // Two threads, each its own frame, many times: the lock keeps every
    // image that of its own frame.
    auto convertMany = [&](std::uint32_t seed, bool* ok) {
        const int w = 64, h = 48;
        const Bytes frame = randomBytes(std::size_t(w) * h, seed);
        const Bytes expected = modelColourDifference(frame, w, h, none, 0, 2, Bytes(std::size_t(w) * h * 3, 0));
        *ok = true;
        for (int i = 0; i < 40; ++i) {
            Bytes image(expected.size(), 0);
            *ok = *ok && entry(image.data(), frame.data(), w, h, 5, t, t, t, 0, 2) == 1 && image == expected;
        }
    };
    bool first = false, second = false;
    std::thread a(convertMany, 1u, &first), b(convertMany, 2u, &second);
    a.join(), b.join();
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
}

// ---- Calibration exports -------------------------------------------------

// White balance: the current build measures rows and columns 2 to size - 3 and
// accepts odd sizes; the earlier builds measure the centre (rows h/4 to
// 3h/4 - 1, columns w/4 to 3w/4 - 1) and refuse odd sizes.
TEST(EarlierBuilds, WhiteBalanceWindows) {
    using Measure = decltype(&GetWhiteBalanceRatio);
    struct Case {
        int w, h;
        bool currentAccepts, earlierAccepts;
    } cases[] = {{8, 8, true, true}, {7, 8, true, false}, {8, 9, true, false}, {3, 8, false, false}, {12, 10, true, true}};
    for (const Case& c : cases)
        for (const char* v : {"1.7.7.6", "1.5.0.1", "1.1.2.0"}) {
            const bool current = std::string(v) == "1.7.7.6";
            // Red 200 inside the measured window, 50 outside it; green 100, blue 50.
            Bytes image(std::size_t(c.w) * c.h * 3);
            for (int r = 0; r < c.h; ++r)
                for (int col = 0; col < c.w; ++col) {
                    const bool inside = current ? (r >= 2 && r <= c.h - 3 && col >= 2 && col <= c.w - 3)
                                                : (r >= c.h / 4 && r < 3 * c.h / 4 && col >= c.w / 4 && col < 3 * c.w / 4);
                    std::uint8_t* p = &image[(std::size_t(r) * c.w + col) * 3];
                    p[0] = 50, p[1] = 100, p[2] = inside ? 200 : 50;
                }
            double red = -1, green = -1, blue = -1;
            const auto measure = exported<Measure>(v, "GetWhiteBalanceRatio");
            const int result = measure(image.data(), c.w, c.h, &red, &green, &blue);
            const std::string context = std::string(v) + ", " + std::to_string(c.w) + "x" + std::to_string(c.h);
            if (!(current ? c.currentAccepts : c.earlierAccepts)) {
                EXPECT_EQ(0, result) << context;
                EXPECT_EQ(-1, red) << context;
                continue;
            }
            EXPECT_EQ(1, result) << context;
            EXPECT_EQ(0.5, red) << context;
            EXPECT_EQ(1.0, green) << context;
            EXPECT_EQ(2.0, blue) << context;
        }
}

// Detection: the current build marks both sides at its threshold (10 at
// load); the earlier builds only samples at least 10 above the mean.
TEST(EarlierBuilds, DeadPixelDetection) {
    using Detect = decltype(&DetectDeadPixel);
    // Mean 100: samples 9 and 10 above it, 9 and 10 below it.
    Bytes frame(100, 100);
    frame[3] = 110, frame[4] = 109, frame[5] = 90, frame[6] = 91, frame[7] = 101, frame[8] = 99;
    for (const char* v : {"1.7.7.6", "1.5.0.1", "1.1.2.0"}) {
        const bool current = std::string(v) == "1.7.7.6";
        Bytes map(100, 7);
        exported<Detect>(v, "DetectDeadPixel")(frame.data(), map.data(), 10, 10);
        Bytes expected(100, 0);
        expected[3] = 1;
        if (current) expected[5] = 1;
        EXPECT_TRUE(sameImage(expected, map, 10, 1, v));
    }
}

// The calibration exports the builds share give the current build's results.
TEST(EarlierBuilds, SharedCalibrationMatchesCurrentBuild) {
    using Gamma = decltype(&SetGammaLut);
    using Erase = decltype(&EraseDeadPixel);
    using Get = decltype(&GetPatternNoise);
    using Avg = decltype(&AvgPatternNoise);
    using Fix = decltype(&FixPatternNoise);
    std::mt19937 rng(31);
    for (int round = 0; round < 20; ++round) {
        const int w = 4 + int(rng() % 20), h = 4 + int(rng() % 20);
        const double gamma = 0.05 + (rng() % 1000) / 100.0;
        const Bytes frame = randomBytes(std::size_t(w) * h, rng());
        Bytes map = randomBytes(std::size_t(w) * h, rng());
        for (auto& m : map) m = m < 40 ? 1 : 0;
        const int x = int(rng() % 6) - 2, y = int(rng() % 6) - 2, rw = 2 + int(rng() % 20), rh = 2 + int(rng() % 20);
        auto run = [&](const char* v) {
            Bytes table(256), erased = frame, fixed = frame;
            std::vector<std::int32_t> accumulator(std::size_t(w) * h, 0);
            exported<Gamma>(v, "SetGammaLut")(table.data(), gamma);
            exported<Erase>(v, "EraseDeadPixel")(erased.data(), map.data(), x, y, rw, rh, w, h);
            for (int k = 0; k < 3; ++k) exported<Get>(v, "GetPatternNoise")(frame.data(), accumulator.data(), w, h);
            exported<Avg>(v, "AvgPatternNoise")(accumulator.data(), w, h, 3);
            exported<Fix>(v, "FixPatternNoise")(fixed.data(), accumulator.data(), x, y, rw, rh, w, h);
            return std::make_tuple(table, erased, fixed, accumulator);
        };
        const auto current = run("1.7.7.6");
        for (const char* v : {"1.5.0.1", "1.1.2.0"}) EXPECT_TRUE(run(v) == current) << v << ", round " << round;
    }
}

}  // namespace

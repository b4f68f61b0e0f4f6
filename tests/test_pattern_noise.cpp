// Fixed-pattern noise: measurement, averaging and correction against models
// written from the rules, on hand-worked frames, random frame series and
// random regions.
#include <gtest/gtest.h>

#include <limits>

#include "models.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

using Entries = std::vector<std::int32_t>;

// Class of (r, c): 0 when parities agree, 1 even row / odd column, 2 odd row /
// even column.  An empty class is never looked up.
void modelMeasure(const Bytes& frame, int w, int h, Entries& acc) {
    auto cls = [](int r, int c) { return r % 2 == c % 2 ? 0 : r % 2 == 0 ? 1 : 2; };
    std::uint64_t sum[3] = {}, count[3] = {};
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) sum[cls(r, c)] += frame[r * w + c], ++count[cls(r, c)];
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            acc[r * w + c] += frame[r * w + c] - int(sum[cls(r, c)] / count[cls(r, c)]);
}

Bytes modelFix(Bytes frame, const Entries& acc, const RegionArgs& a) {
    const RegionModel m(a);
    for (long j = 0; j < m.rows; ++j)
        for (long k = 0; k < m.cols; ++k) {
            const long v = long(frame[j * m.cols + k]) - acc[(m.y0 + j) * a.mapWidth + m.x0 + k];
            frame[j * m.cols + k] = std::uint8_t(std::clamp(v, 0L, 255L));
        }
    return frame;
}

::testing::AssertionResult sameEntries(const Entries& expected, const Entries& actual, int w, const std::string& what) {
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != actual[i])
            return ::testing::AssertionFailure() << what << ": entry row " << i / w << ", column " << i % w
                                                 << ": expected " << expected[i] << ", got " << actual[i];
    return ::testing::AssertionSuccess();
}

void expectFix(Bytes frame, const Entries& acc, const RegionArgs& a, const Bytes& expected) {
    FixPatternNoise(frame.data(), acc.data(), a.xOffset, a.yOffset, a.regionWidth, a.regionHeight, a.mapWidth,
                    a.mapHeight);
    EXPECT_TRUE(sameImage(expected, frame, RegionModel(a).width(), 1, a.describe()));
}

TEST(PatternNoise, MeasureAndAverageHandWorked) {
    // One frame added to an accumulator that held `before`.  With one row or
    // one column, the empty class is simply absent.
    const struct {
        int w, h;
        Bytes frame;
        Entries before, expected;
    } measured[] = {
        {4, 3, Bytes(12, 50), Entries(12, 0), Entries(12, 0)},
        {2, 2, {10, 20, 30, 40}, {0, 0, 0, 0}, {-15, 0, 0, 15}},
        {3, 1, {10, 20, 30}, {5, 5, 5}, {-5, 5, 15}},
        {1, 3, {10, 20, 30}, {5, 5, 5}, {-5, 5, 15}},
        {1, 1, {200}, {7}, {7}},
    };
    for (const auto& c : measured) {
        Entries acc = c.before;
        GetPatternNoise(c.frame.data(), acc.data(), c.w, c.h);
        EXPECT_TRUE(sameEntries(c.expected, acc, c.w, describe(0, c.w, c.h, 0)));
    }
    // Division truncates toward zero; a count of 1 or less changes nothing.
    const struct {
        int frames;
        Entries expected;
    } averaged[] = {{2, {-3, 3, 0, 0, 0, -4}}, {1, {-7, 7, -1, 1, 0, -8}}, {0, {-7, 7, -1, 1, 0, -8}},
                    {-2, {-7, 7, -1, 1, 0, -8}}};
    for (const auto& c : averaged) {
        Entries acc{-7, 7, -1, 1, 0, -8};
        AvgPatternNoise(acc.data(), 3, 2, c.frames);
        EXPECT_TRUE(sameEntries(c.expected, acc, 3, "frame count " + std::to_string(c.frames)));
    }
}

TEST(PatternNoise, CorrectionHandWorked) {
    const Entries acc{10, -10, -3, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), 0};
    expectFix(Bytes{5, 250, 100, 0, 255, 17}, acc, {0, 0, 6, 1, 6, 1}, Bytes{0, 255, 103, 255, 0, 17});

    // A 2x2 region cut from (3, 2) of a 6x4 map, offsets beyond its size.
    Entries map(24);
    for (int i = 0; i < 24; ++i) map[i] = i;
    expectFix(Bytes{100, 100, 100, 100}, map, {3, 2, 2, 2, 6, 4}, Bytes{85, 84, 79, 78});
    // Negative offsets start at 0; past the right edge the region narrows to 2
    // columns, which is then its row length.
    expectFix(Bytes{50, 50, 50, 50}, map, {-4, -1, 2, 2, 6, 4}, Bytes{50, 49, 44, 43});
    expectFix(Bytes{50, 50, 50, 50}, map, {4, 1, 5, 2, 6, 4}, Bytes{40, 39, 34, 33});
}

TEST(PatternNoise, SeriesMatchesModel) {
    std::mt19937 rng(3405);
    for (int trial = 0; trial < 60; ++trial) {
        const int w = 1 + int(rng() % 20), h = 1 + int(rng() % 20), frames = 1 + int(rng() % 5);
        const std::string context = describe(0, w, h, 0) + ", " + std::to_string(frames) + " frames";
        Entries acc(std::size_t(w) * h, 0), model = acc;
        for (int f = 0; f < frames; ++f) {
            const Bytes frame = randomBytes(acc.size(), rng());
            GetPatternNoise(frame.data(), acc.data(), w, h);
            modelMeasure(frame, w, h, model);
            ASSERT_TRUE(sameEntries(model, acc, w, context));
        }
        AvgPatternNoise(acc.data(), w, h, frames);
        for (auto& e : model) e = frames > 1 ? e / frames : e;  // C++ division truncates toward zero
        ASSERT_TRUE(sameEntries(model, acc, w, context + ", averaged"));
    }
}

TEST(PatternNoise, CorrectionMatchesModelOnRandomRegions) {
    std::mt19937 rng(3406);
    for (int trial = 0; trial < 3000; ++trial) {
        const RegionArgs a = randomRegion(rng);
        Entries acc(mapSize(a));
        for (auto& e : acc) e = int(rng() % 521) - 260;
        const Bytes frame = randomBytes(RegionModel(a).samples(), rng());
        expectFix(frame, acc, a, RegionModel(a).active() ? modelFix(frame, acc, a) : frame);
    }
}

TEST(PatternNoise, NullPointersAndBadSizesTouchNothing) {
    Bytes frame(16, 9);
    Entries acc(16, 4);
    GetPatternNoise(nullptr, acc.data(), 4, 4);
    GetPatternNoise(frame.data(), nullptr, 4, 4);
    GetPatternNoise(frame.data(), acc.data(), 0, 4);
    GetPatternNoise(frame.data(), acc.data(), 4, -4);
    AvgPatternNoise(nullptr, 4, 4, 2);
    AvgPatternNoise(acc.data(), -4, 4, 2);
    AvgPatternNoise(acc.data(), 4, 0, 2);
    AvgPatternNoise(acc.data(), 4, -4, 2);
    FixPatternNoise(nullptr, acc.data(), 0, 0, 4, 4, 4, 4);
    FixPatternNoise(frame.data(), nullptr, 0, 0, 4, 4, 4, 4);
    EXPECT_EQ(Bytes(16, 9), frame);
    EXPECT_TRUE(sameEntries(Entries(16, 4), acc, 4, "untouched"));
}

TEST(PatternNoise, LargeClassMeansDoNotWrap) {
    // One column of 33,686,020 samples: each class holds 16,843,010 of them,
    // whose full-scale sum passes 2^32.  A wrapped sum would give a mean near
    // 0 and deviations near 255.
    const int h = 33686020;
    Bytes frame(h, 255);
    frame[1000] = 200, frame[1001] = 100;  // one of each class
    Entries acc(h, 0);
    GetPatternNoise(frame.data(), acc.data(), 1, h);
    EXPECT_EQ(1, acc[0]);  // 255 - 254: each class mean truncates to 254
    EXPECT_EQ(1, acc[1]);
    EXPECT_EQ(-54, acc[1000]);
    EXPECT_EQ(-154, acc[1001]);
}

}  // namespace

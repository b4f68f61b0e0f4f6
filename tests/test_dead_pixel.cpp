// Dead-pixel detection and erasure against models written from the rules:
// hand-worked neighbourhoods, random frames, maps and regions, and the
// process-wide threshold (always restored to 10, since tests share one process).
#include <gtest/gtest.h>

#include <cstdlib>

#include "calib/dead_pixel.h"
#include "models.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

// Sets the threshold for one test and puts the load-time value back.
struct ThresholdScope {
    explicit ThresholdScope(int value) { EXPECT_EQ(value, SetBadPixelThreshold(value)); }
    ~ThresholdScope() { SetBadPixelThreshold(10); }
};

Bytes modelDetect(const Bytes& frame, int threshold, bool bothSides) {
    std::uint64_t sum = 0;
    for (auto v : frame) sum += v;
    const long mean = long(sum / frame.size());
    Bytes map(frame.size());
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const long d = bothSides ? std::labs(frame[i] - mean) : frame[i] - mean;
        map[i] = d >= threshold;
    }
    return map;
}

Bytes detect(const Bytes& frame, int w, int h) {
    Bytes map(frame.size(), 7);
    DetectDeadPixel(frame.data(), map.data(), w, h);
    return map;
}

Bytes modelErase(Bytes frame, const Bytes& map, const RegionArgs& a) {
    const RegionModel m(a);
    auto s = [&](long j, long k) -> unsigned { return frame[std::size_t(j * m.cols + k)]; };
    for (long j = 0; j < m.rows; ++j) {
        for (long k = 0; k < m.cols; ++k) {
            const bool inside = j >= 2 && j <= m.rows - 3 && k >= 2 && k <= m.cols - 3;
            if (!inside || !map[std::size_t((m.y0 + j) * a.mapWidth + m.x0 + k)]) continue;
            unsigned v;
            if (j % 2 == k % 2)
                v = (s(j - 1, k - 1) + s(j - 1, k + 1) + s(j + 1, k - 1) + s(j + 1, k + 1)) / 4;
            else
                v = (s(j - 2, k - 2) + s(j - 2, k) + s(j - 2, k + 2) + s(j, k - 2) + s(j, k + 2) + s(j + 2, k - 2) +
                     s(j + 2, k) + s(j + 2, k + 2)) / 8;
            frame[std::size_t(j * m.cols + k)] = std::uint8_t(v);
        }
    }
    return frame;
}

void expectErase(Bytes frame, const Bytes& map, const RegionArgs& a, const Bytes& expected) {
    EraseDeadPixel(frame.data(), map.data(), a.xOffset, a.yOffset, a.regionWidth, a.regionHeight, a.mapWidth,
                   a.mapHeight);
    EXPECT_TRUE(sameImage(expected, frame, RegionModel(a).width(), 1, a.describe()));
}

TEST(DeadPixel, DetectionHandWorked) {
    // Samples changed on a background of 100 whose truncated mean stays 100.
    const struct {
        int w, h, threshold;
        std::vector<std::pair<int, int>> samples;
        std::vector<int> marked;
        bool earlier;
    } cases[] = {
        {6, 5, 10, {{7, 120}, {22, 85}}, {7, 22}, false},
        // Exactly the threshold away is marked, on either side.
        {4, 4, 10, {{1, 110}, {2, 109}, {13, 90}, {14, 91}}, {1, 13}, false},
        {6, 5, 25, {{7, 120}, {22, 85}, {3, 125}, {4, 75}}, {3, 4}, false},
        // The earlier builds mark only samples at least 10 above the mean.
        {4, 4, 10, {{0, 110}, {1, 109}, {2, 81}}, {0}, true},
    };
    for (const auto& c : cases) {
        ThresholdScope scope(c.threshold);
        Bytes frame(std::size_t(c.w) * c.h, 100), expected(frame.size(), 0), got(frame.size(), 7);
        for (auto [at, v] : c.samples) frame[std::size_t(at)] = std::uint8_t(v);
        for (int at : c.marked) expected[std::size_t(at)] = 1;
        if (c.earlier)
            pm::detectDeadPixels(frame.data(), got.data(), c.w, c.h, pm::earlierDeadPixelRule());
        else
            got = detect(frame, c.w, c.h);
        EXPECT_TRUE(sameImage(expected, got, c.w, 1, describe(0, c.w, c.h, 0) + ", threshold " +
                                                         std::to_string(c.threshold) + (c.earlier ? ", earlier" : "")));
    }
    for (auto [threshold, mark] : {std::pair{0, 1}, {-4, 1}, {256, 0}}) {
        ThresholdScope scope(threshold);
        const Bytes random = randomBytes(9 * 7, 5 + threshold);
        EXPECT_TRUE(sameImage(Bytes(random.size(), std::uint8_t(mark)), detect(random, 9, 7), 9, 1,
                              "threshold " + std::to_string(threshold)));
    }
}

TEST(DeadPixel, DetectionMatchesModelAndRefusesBadArguments) {
    std::mt19937 rng(3303);
    for (int trial = 0; trial < 200; ++trial) {
        const int w = 1 + int(rng() % 30), h = 1 + int(rng() % 30);
        const int threshold = trial % 4 ? 10 : int(rng() % 300) - 20;
        ThresholdScope scope(threshold);
        Bytes frame = randomBytes(std::size_t(w) * h, rng());
        // Narrow the spread now and then so that marks are rare.
        if (trial % 3 == 0)
            for (auto& v : frame) v = std::uint8_t(120 + v % 24);
        const std::string context = describe(0, w, h, 0) + ", threshold " + std::to_string(threshold);
        EXPECT_TRUE(sameImage(modelDetect(frame, threshold, true), detect(frame, w, h), w, 1, context));
        Bytes early(frame.size(), 7);
        pm::detectDeadPixels(frame.data(), early.data(), w, h, pm::earlierDeadPixelRule());
        EXPECT_TRUE(sameImage(modelDetect(frame, 10, false), early, w, 1, context + ", earlier rule"));
    }
    Bytes frame(16, 1), map(16, 7);
    DetectDeadPixel(nullptr, map.data(), 4, 4);
    DetectDeadPixel(frame.data(), nullptr, 4, 4);
    DetectDeadPixel(frame.data(), map.data(), 0, 4);
    DetectDeadPixel(frame.data(), map.data(), 4, -1);
    EXPECT_EQ(Bytes(16, 7), map);
}

TEST(DeadPixel, LargeFrameMeanDoesNotWrap) {
    // 16,846,920 samples at full scale sum past 2^32: a wrapped sum would give
    // a mean near 0 and mark every sample.
    const int w = 4105, h = 4104;
    Bytes frame(std::size_t(w) * h, 255);
    frame[12345] = 240;
    Bytes map(frame.size(), 7);
    DetectDeadPixel(frame.data(), map.data(), w, h);
    std::size_t marked = 0;
    for (auto v : map) marked += v;
    EXPECT_EQ(1u, marked);
    EXPECT_EQ(1, map[12345]);
}

TEST(DeadPixel, ErasureHandWorked) {
    // Marked map positions (row, column), region samples given by `sample`,
    // and the samples expected to change, worked out by hand from the rules.
    auto frameOf = [](int n, int (*sample)(int)) {
        Bytes f(std::size_t(n), 0);
        for (int i = 0; i < n; ++i) f[std::size_t(i)] = std::uint8_t(sample(i));
        return f;
    };
    const struct {
        RegionArgs region;
        std::vector<std::pair<int, int>> marks;
        int (*sample)(int);
        std::vector<std::pair<int, int>> changed;
    } cases[] = {
        // An 8 x 8 map and region.  (1, 3) and (4, 6) lie within two samples
        // of the edge: left alone.  (2, 2): mean of the diagonals, 66.  (4, 3)
        // and (4, 5): the ring at distance 2, the second seeing the first's
        // new value (122); without that it would be 125, not 127.
        {{0, 0, 8, 8, 8, 8}, {{1, 3}, {4, 6}, {2, 2}, {4, 3}, {4, 5}}, [](int i) { return 3 * i + (i % 5) * 7; },
         {{18, 66}, {35, 122}, {37, 127}}},
        // Negative offsets behave as 0.
        {{-5, -1, 8, 8, 8, 8}, {{1, 3}, {4, 6}, {2, 2}, {4, 3}, {4, 5}}, [](int i) { return 3 * i + (i % 5) * 7; },
         {{18, 66}, {35, 122}, {37, 127}}},
        // A 6 x 6 region cut from (10, 12) of a 20 x 20 map uses the map
        // there, though both offsets exceed its size: region (3, 2), a ring.
        {{10, 12, 6, 6, 20, 20}, {{15, 12}}, [](int i) { return 11 * i; }, {{20, 124}}},
        // Past the right edge: 5 of 9 columns remain, and 5 is the row
        // length.  Region (2, 2): the diagonals.
        {{15, 1, 9, 6, 20, 20}, {{3, 17}}, [](int i) { return 13 * i * i + 11; }, {{12, 109}}},
    };
    for (const auto& c : cases) {
        Bytes map(mapSize(c.region), 0);
        for (auto [r, col] : c.marks) map[std::size_t(r * c.region.mapWidth + col)] = 1;
        const Bytes frame = frameOf(int(RegionModel(c.region).samples()), c.sample);
        Bytes expected = frame;
        for (auto [at, v] : c.changed) expected[std::size_t(at)] = std::uint8_t(v);
        expectErase(frame, map, c.region, expected);
    }
}

TEST(DeadPixel, ErasureMatchesModelOnRandomRegions) {
    std::mt19937 rng(3304);
    for (int trial = 0; trial < 3000; ++trial) {
        const RegionArgs a = randomRegion(rng);
        Bytes map = randomBytes(mapSize(a), rng());
        const unsigned density = 1 + rng() % 4;  // from a few marks to most samples
        for (auto& v : map) v = (v % 4) < density ? std::uint8_t(1 + v % 3) : 0;
        const Bytes frame = randomBytes(RegionModel(a).samples(), rng());
        expectErase(frame, map, a, RegionModel(a).active() ? modelErase(frame, map, a) : frame);
    }
    Bytes frame(16, 9);
    const Bytes map(16, 1);
    EraseDeadPixel(nullptr, map.data(), 0, 0, 4, 4, 4, 4);
    EraseDeadPixel(frame.data(), nullptr, 0, 0, 4, 4, 4, 4);
    EXPECT_EQ(Bytes(16, 9), frame);
}

}  // namespace

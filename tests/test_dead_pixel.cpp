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
    EXPECT_TRUE(sameImage(expected, frame, int(std::max(1L, RegionModel(a).cols)), 1, a.describe()));
}

TEST(DeadPixel, DetectionHandWorked) {
    Bytes frame(6 * 5, 100);
    frame[7] = 120, frame[22] = 85;  // mean stays 100 after truncation
    Bytes expected(frame.size(), 0);
    expected[7] = expected[22] = 1;
    EXPECT_TRUE(sameImage(expected, detect(frame, 6, 5), 6, 1, "hot and dead, 6x5"));

    // Exactly the threshold away is marked, on either side.
    Bytes edge(4 * 4, 100);
    edge[1] = 110, edge[2] = 109, edge[13] = 90, edge[14] = 91;  // sum unchanged
    Bytes edgeMap(16, 0);
    edgeMap[1] = edgeMap[13] = 1;
    EXPECT_TRUE(sameImage(edgeMap, detect(edge, 4, 4), 4, 1, "threshold 10, 4x4"));
    {
        ThresholdScope scope(25);
        frame[3] = 125, frame[4] = 75;
        Bytes map25(frame.size(), 0);
        map25[3] = map25[4] = 1;
        EXPECT_TRUE(sameImage(map25, detect(frame, 6, 5), 6, 1, "threshold 25"));
    }
    for (auto [threshold, mark] : {std::pair{0, 1}, {-4, 1}, {256, 0}}) {
        ThresholdScope scope(threshold);
        const Bytes random = randomBytes(9 * 7, 5 + threshold);
        EXPECT_TRUE(sameImage(Bytes(random.size(), std::uint8_t(mark)), detect(random, 9, 7), 9, 1,
                              "threshold " + std::to_string(threshold)));
    }

    // The earlier builds mark only samples at least 10 above the mean.
    Bytes early(4 * 4, 100);
    early[0] = 110, early[1] = 109, early[2] = 81;  // sum unchanged
    Bytes earlyMap(16, 0);
    earlyMap[0] = 1;
    Bytes got(16, 7);
    pm::detectDeadPixels(early.data(), got.data(), 4, 4, pm::earlierDeadPixelRule());
    EXPECT_TRUE(sameImage(earlyMap, got, 4, 1, "earlier rule"));
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
    // A 8x8 map and region; the frame counts up so every mean is distinct.
    const RegionArgs whole{0, 0, 8, 8, 8, 8};
    Bytes frame(64);
    for (int i = 0; i < 64; ++i) frame[i] = std::uint8_t(3 * i + (i % 5) * 7);
    auto at = [&](const Bytes& f, int j, int k) { return unsigned(f[j * 8 + k]); };
    Bytes map(64, 0);
    map[1 * 8 + 3] = map[4 * 8 + 6] = 1;  // row 1 and column cols - 2: left alone
    map[2 * 8 + 2] = 1;                   // even/even: diagonals
    map[4 * 8 + 3] = map[4 * 8 + 5] = 1;  // even/odd twice: the second sees the first
    Bytes expected = frame;
    expected[2 * 8 + 2] = std::uint8_t((at(frame, 1, 1) + at(frame, 1, 3) + at(frame, 3, 1) + at(frame, 3, 3)) / 4);
    auto ring = [&](const Bytes& f, int j, int k) {
        return (at(f, j - 2, k - 2) + at(f, j - 2, k) + at(f, j - 2, k + 2) + at(f, j, k - 2) + at(f, j, k + 2) +
                at(f, j + 2, k - 2) + at(f, j + 2, k) + at(f, j + 2, k + 2)) / 8;
    };
    expected[4 * 8 + 3] = std::uint8_t(ring(expected, 4, 3));
    expected[4 * 8 + 5] = std::uint8_t(ring(expected, 4, 5));
    ASSERT_NE(ring(frame, 4, 5), ring(expected, 4, 5));  // the chaining is visible
    expectErase(frame, map, whole, expected);

    // Negative offsets behave as 0.
    expectErase(frame, map, {-5, -1, 8, 8, 8, 8}, expected);

    // A 6x6 region cut from (10, 12) of a 20x20 map uses the map there, even
    // though both offsets exceed the region's size.
    Bytes bigMap(400, 0);
    bigMap[(12 + 3) * 20 + 10 + 2] = 1;  // region (3, 2): odd/even, ring
    Bytes region(36);
    for (int i = 0; i < 36; ++i) region[i] = std::uint8_t(11 * i);
    Bytes repaired = region;
    repaired[3 * 6 + 2] = std::uint8_t((region[1 * 6 + 0] + region[1 * 6 + 2] + region[1 * 6 + 4] + region[3 * 6 + 0] +
                                        region[3 * 6 + 4] + region[5 * 6 + 0] + region[5 * 6 + 2] + region[5 * 6 + 4]) / 8);
    expectErase(region, bigMap, {10, 12, 6, 6, 20, 20}, repaired);

    // Past the right edge: 5 of 9 columns remain, and 5 is the row length.
    Bytes narrow(5 * 6);
    for (int i = 0; i < 30; ++i) narrow[i] = std::uint8_t(200 - 5 * i);
    Bytes narrowMap(400, 0);
    narrowMap[(1 + 2) * 20 + 15 + 2] = 1;  // region (2, 2): diagonals
    Bytes narrowed = narrow;
    narrowed[2 * 5 + 2] = std::uint8_t((narrow[1 * 5 + 1] + narrow[1 * 5 + 3] + narrow[3 * 5 + 1] + narrow[3 * 5 + 3]) / 4);
    expectErase(narrow, narrowMap, {15, 1, 9, 6, 20, 20}, narrowed);
}

TEST(DeadPixel, ErasureMatchesModelOnRandomRegions) {
    std::mt19937 rng(3304);
    for (int trial = 0; trial < 3000; ++trial) {
        const RegionArgs a = randomRegion(rng);
        const std::size_t mapSize = std::size_t(std::max(a.mapWidth, 1)) * std::size_t(std::max(a.mapHeight, 1));
        Bytes map = randomBytes(mapSize, rng());
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

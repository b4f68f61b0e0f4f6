// The two median methods (ConvertBayer2Rgb code 3, sorted-neighbour;
// ConvertBayer2RgbEx code 3, counted-neighbour) against their model on random
// and structured frames, hand-worked green values, the sizes they refuse or
// fill from the nearest computed pixel, and their vector prefix alone on each
// path.
#include <gtest/gtest.h>

#include "demosaic/bayer.h"
#include "demosaic/vector/vector_paths.h"
#include "models.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

const Conversion kSorted{ConvertBayer2Rgb, 3, "Rgb code 3"};
const Conversion kCounted{ConvertBayer2RgbEx, 3, "Ex code 3"};

Bytes sortedModel(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                  const Bytes& before) {
    return modelMedian(raw, w, h, t, flip, layout, before, false);
}
Bytes countedModel(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                   const Bytes& before) {
    return modelMedian(raw, w, h, t, flip, layout, before, true);
}

// Sides of 6 (one computed line) and 8 (the smallest with a full border),
// random sizes, and every width around the vector prefix's blocks.
Sizes medianSizes(std::uint32_t seed) {
    std::mt19937 rng(seed);
    Sizes sizes = withRandomSizes({{6, 6}, {6, 8}, {8, 6}, {6, 40}, {40, 6}, {8, 8}, {10, 30}}, rng, 30, 14);
    for (int w : vectorWidths()) sizes.push_back({w, 6 + 2 * int(rng() % 3)});
    sizes.push_back({2200, 8});  // three strips of the prefix through tables
    for (auto& [w, h] : sizes) w = std::max(w, 6), h = std::max(h, 6);
    return sizes;
}

TEST(MedianMethods, MatchModelOnRandomAndStructuredFrames) {
    for (FrameMaker frame : {randomFrame, structuredFrame}) {
        EXPECT_TRUE(convertsLikeModel({kSorted}, medianSizes(303), 31, kFlips, sortedModel, false, frame));
        EXPECT_TRUE(convertsLikeModel({kCounted}, medianSizes(304), 32, kFlips, countedModel, false, frame));
    }
}

// Green at site (4, 4) of a 10 x 10 frame of 90s: red under layout 4, blue
// under layout 3.  The ring's four samples on the upper-right to lower-left
// diagonal hold `diagonal`, the other four `other`.
struct GreenCase {
    Conversion method;
    int layout;
    int north, east, south, west, diagonal, other;
    bool curve;  // green table i * i / 255 instead of none
    int expected;
};

TEST(MedianMethods, HandWorkedGreen) {
    const GreenCase cases[] = {
        // Sorted: two at or below the mean 105: the middle pair's mean.
        {kSorted, 4, 10, 10, 200, 200, 0, 0, false, 105},
        {kSorted, 3, 10, 10, 200, 200, 0, 0, false, 105},
        // One at or below the mean 82: 164 - ring mean, kept within 100..110.
        {kSorted, 4, 0, 100, 110, 120, 60, 60, false, 104},
        {kSorted, 4, 0, 100, 110, 120, 0, 0, false, 110},
        {kSorted, 4, 0, 100, 110, 120, 200, 200, false, 100},
        // Three at or below the mean 57: the upper neighbour, an outlier.
        {kSorted, 4, 200, 10, 10, 10, 0, 0, false, 200},
        // Counted, red site, two above the mean 105: an edge corrects by the
        // whole ring (mean 80), a corner by its diagonal half (mean 40); a
        // ring of 255 pushes 210 - 255 below the range, kept at 10.
        {kCounted, 4, 200, 10, 200, 10, 40, 120, false, 130},
        {kCounted, 4, 200, 200, 10, 10, 40, 120, false, 170},
        {kCounted, 4, 200, 10, 200, 10, 255, 255, false, 10},
        // Three above, one above: the middle pair's mean.
        {kCounted, 4, 0, 100, 110, 120, 0, 0, false, 105},
        {kCounted, 4, 200, 10, 10, 10, 0, 0, false, 10},
        // Smallest at the mean 10: four at or above at a blue site (upper
        // neighbour), one strictly above at a red site (middle pair).
        {kCounted, 3, 11, 10, 10, 10, 0, 0, false, 11},
        {kCounted, 4, 11, 10, 10, 10, 0, 0, false, 10},
        // Four equal neighbours: the green table twice, 100 -> 39 -> 5.
        {kSorted, 4, 100, 100, 100, 100, 0, 0, true, 5},
        {kSorted, 3, 100, 100, 100, 100, 0, 0, true, 5},
        {kCounted, 4, 100, 100, 100, 100, 0, 0, true, 5},
        {kCounted, 3, 100, 100, 100, 100, 0, 0, true, 5},
    };
    Bytes curve(256);
    for (int i = 0; i < 256; ++i) curve[std::size_t(i)] = std::uint8_t(i * i / 255);
    const int w = 10, r = 4, c = 4;
    for (const GreenCase& k : cases) {
        Bytes raw(w * w, 90), image(w * w * 3);
        auto at = [&](int dr, int dc) -> std::uint8_t& { return raw[std::size_t(r + dr) * w + c + dc]; };
        at(-1, 0) = std::uint8_t(k.north), at(0, 1) = std::uint8_t(k.east);
        at(1, 0) = std::uint8_t(k.south), at(0, -1) = std::uint8_t(k.west);
        at(-2, 1) = at(-1, 2) = at(1, -2) = at(2, -1) = std::uint8_t(k.diagonal);
        at(-2, -1) = at(-1, -2) = at(1, 2) = at(2, 1) = std::uint8_t(k.other);
        ASSERT_EQ(1, k.method.entry(image.data(), raw.data(), w, w, k.method.code, nullptr,
                                    k.curve ? curve.data() : nullptr, nullptr, 0, k.layout));
        EXPECT_EQ(k.expected, image[std::size_t(r * w + c) * 3 + 1])
            << k.method.name << ", layout " << k.layout << ", neighbours " << k.north << " " << k.east << " "
            << k.south << " " << k.west << ", ring " << k.diagonal << "/" << k.other;
    }
}

TEST(MedianMethods, RefuseUntouched) {
    // Sizes of 4 are refused too: nothing could be computed there.
    const Bytes raw = randomBytes(12 * 12, 3);
    const std::pair<int, int> sizes[] = {{4, 4}, {4, 10}, {10, 4}, {7, 8}, {8, 7}, {2, 8}, {8, 0}, {-8, 8}};
    for (const Conversion& m : {kSorted, kCounted}) {
        for (const auto& [w, h] : sizes)
            for (int layout : {1, 3, 0})
                EXPECT_TRUE(refusedUntouched(
                    [&, w = w, h = h](std::uint8_t* image) {
                        return m.entry(image, raw.data(), w, h, m.code, nullptr, nullptr, nullptr, 0, layout);
                    },
                    12 * 12 * 3, std::string(m.name) + ", " + describe(layout, w, h, 0)));
        EXPECT_TRUE(refusedUntouched(
            [&](std::uint8_t* image) { return m.entry(image, nullptr, 8, 8, m.code, nullptr, nullptr, nullptr, 0, 1); },
            8 * 8 * 3, std::string(m.name) + ", null source"));
    }
}

TEST(MedianMethods, SidesOfSixIndependentOfPriorContents) {
    // Every pixel comes from the computed line, whatever the destination held.
    const std::pair<int, int> sizes[] = {{6, 6}, {6, 12}, {12, 6}};
    for (const Conversion& m : {kSorted, kCounted})
        for (const auto& [w, h] : sizes)
            for (int layout = 1; layout <= 4; ++layout)
                for (std::int32_t flip : {0, 1}) {
                    const Bytes raw = randomBytes(std::size_t(w) * h, std::uint32_t(w * 100 + h + layout));
                    Bytes zeros(std::size_t(w) * h * 3, 0), ones(std::size_t(w) * h * 3, 0xFF);
                    for (Bytes* image : {&zeros, &ones})
                        ASSERT_EQ(1, m.entry(image->data(), raw.data(), w, h, m.code, nullptr, nullptr, nullptr, flip,
                                             layout));
                    EXPECT_TRUE(
                        sameImage(zeros, ones, w, 3, std::string(m.name) + ", " + describe(layout, w, h, flip)));
                }
}

TEST(MedianMethods, VectorPrefixMatchesModel) {
    // The prefix on window rows 2 and 3 of frames full of ties and edges, at
    // every width around its blocks, unmapped (null tables) and through
    // mapped green rows, on each path the processor has: the pixels it
    // claims must be the model's, the rest untouched.  It must claim all but
    // at most the last pixel of every run of a block or more (AVX-512 hands
    // runs shorter than its 64 pixels to the 32 of AVX2).
    using pm::simd::Path;
    const auto tables = tableSets(71);
    std::mt19937 rng(72);
    std::vector<int> widths;
    for (int w = 6; w <= 140; w += 2) widths.push_back(w);
    for (int w : {258, 1030, 1100}) widths.push_back(w);
    for (Path path : {Path::Sse2, Path::Avx, Path::Avx2, Path::Avx512}) {
        if (!pm::simd::pathAvailable(path)) continue;
        for (bool counted : {false, true})
            for (int w : widths) {
                const int h = 7;
                const Bytes raw = structuredFrame(w, h, rng());
                const std::ptrdiff_t count = w - 5;
                const std::ptrdiff_t block = path == Path::Avx512 && count >= 64 ? 64
                                             : path >= Path::Avx2                 ? 32
                                                                                  : 16;
                const std::ptrdiff_t expected = count >= block ? ((count - block) & ~std::ptrdiff_t{1}) + block : 0;
                for (const TableSet& t : tables) {
                    Bytes green(raw.size());
                    for (std::size_t i = 0; i < raw.size(); ++i) green[i] = t.mapG(raw[i]);
                    const pm::simd::RowPlan plan = pm::simd::planRows(
                        {pm::tableOrIdentity(t.r()), pm::tableOrIdentity(t.g()), pm::tableOrIdentity(t.b())}, path);
                    for (int layout = 1; layout <= 4; ++layout)
                        for (int r : {2, 3}) {
                            const std::string context = std::string(counted ? "counted" : "sorted") + " on path " +
                                                        std::to_string(int(path)) + ", row " + std::to_string(r) +
                                                        ", " + describe(layout, w, h, 0, t.name);
                            const std::uint8_t* rows[5];
                            for (int k = 0; k < 5; ++k) rows[k] = green.data() + std::size_t(r - 2 + k) * w + 2;
                            Bytes out(std::size_t(count) * 3, 0xA5);
                            std::ptrdiff_t done = -1;
                            pm::withLayoutRows(layout, [&](auto even, auto odd) {
                                auto call = [&](auto row) {
                                    using Row = decltype(row);
                                    using pm::simd::MedianRule;
                                    const std::uint8_t* s = raw.data() + std::size_t(r) * w + 2;
                                    const std::uint8_t* const* mapped = plan.unmapped ? nullptr : rows;
                                    return counted ? pm::simd::medianColumns<MedianRule::Counted, Row>(
                                                         s, w, mapped, count, out.data(), plan)
                                                   : pm::simd::medianColumns<MedianRule::Sorted, Row>(
                                                         s, w, mapped, count, out.data(), plan);
                                };
                                done = (r & 1) ? call(odd) : call(even);
                            });
                            ASSERT_EQ(expected, done) << context;
                            for (std::ptrdiff_t i = 0; i < count; ++i) {
                                const int c = 2 + int(i);
                                std::uint8_t want[3] = {0xA5, 0xA5, 0xA5};
                                if (i < done) {
                                    const Channels v = medianChannels(raw, w, layout, r, c, t, counted);
                                    want[0] = t.mapB(v.blue), want[1] = t.mapG(v.green), want[2] = t.mapR(v.red);
                                }
                                for (int k = 0; k < 3; ++k)
                                    ASSERT_EQ(want[k], out[std::size_t(3 * i + k)])
                                        << context << ": column " << c << ", byte " << k;
                            }
                        }
                }
            }
    }
}

}  // namespace

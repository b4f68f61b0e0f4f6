// What every conversion shares: the entries' refusals, table substitution,
// the border extension, the identity table and the constant block.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "demosaic/site_walk.h"
#include "frame/border.h"
#include "frame/debug_output.h"
#include "frame/library_state.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

const Conversion kMethods[] = {{ConvertBayer2Rgb, 1, "Rgb code 1"}, {ConvertBayer2Rgb, 2, "Rgb code 2"},
                               {ConvertBayer2Rgb, 5, "Rgb code 5"}, {ConvertBayer2Rgb, 7, "Rgb code 7"},
                               {ConvertBayer2Rgb, 9, "Rgb code 9"}, {ConvertBayer2RgbEx, 1, "Ex code 1"},
                               {ConvertBayer2RgbEx, 2, "Ex code 2"}, {ConvertBayer2RgbEx, 5, "Ex code 5"}};

TEST(Dispatch, RefusalsWriteNothing) {
    const Bytes raw = randomBytes(64 * 64, 1);
    const std::size_t bytes = 64 * 64 * 3;
    // Sides of 3 or less, or odd; the mapped method's every-even-width rule
    // still refuses width 2.
    const int sizes[][2] = {{3, 8}, {8, 3}, {2, 2}, {2, 8}, {5, 8},  {8, 7},
                            {0, 8}, {8, 0}, {-4, 8}, {8, -4}, {-2, -2}};
    for (const Conversion& c : kMethods) {
        for (const auto& s : sizes)
            EXPECT_TRUE(refusedUntouched(
                [&](std::uint8_t* d) { return c.entry(d, raw.data(), s[0], s[1], c.code, nullptr, nullptr, nullptr, 0, 1); },
                bytes, std::string(c.name) + ", " + std::to_string(s[0]) + "x" + std::to_string(s[1])));
        EXPECT_TRUE(refusedUntouched(
            [&](std::uint8_t* d) { return c.entry(d, nullptr, 8, 8, c.code, nullptr, nullptr, nullptr, 0, 1); }, bytes,
            std::string(c.name) + ", null source"));
        EXPECT_EQ(0, c.entry(nullptr, raw.data(), 8, 8, c.code, nullptr, nullptr, nullptr, 0, 1)) << c.name;
    }
    const Conversion unknown[] = {{ConvertBayer2Rgb, 10, "Rgb"},      {ConvertBayer2Rgb, -1, "Rgb"},
                                  {ConvertBayer2Rgb, 1 << 30, "Rgb"}, {ConvertBayer2RgbEx, 7, "Ex"},
                                  {ConvertBayer2RgbEx, 9, "Ex"},      {ConvertBayer2RgbEx, -2, "Ex"}};
    for (const Conversion& c : unknown)
        EXPECT_TRUE(refusedUntouched(
            [&](std::uint8_t* d) { return c.entry(d, raw.data(), 8, 8, c.code, nullptr, nullptr, nullptr, 0, 1); }, bytes,
            std::string(c.name) + " code " + std::to_string(c.code)));
}

TEST(Dispatch, EachNullTableIsTheIdentityOnItsOwn) {
    const Bytes raw = randomBytes(12 * 10, 2), id = identity();
    const Bytes tables[3] = {randomBytes(256, 3), randomBytes(256, 4), randomBytes(256, 5)};
    for (int mask = 0; mask < 8; ++mask) {
        const std::uint8_t* given[3];
        for (int k = 0; k < 3; ++k) given[k] = (mask >> k) & 1 ? tables[k].data() : nullptr;
        Bytes viaNull(12 * 10 * 3), viaExplicit(12 * 10 * 3);
        ASSERT_EQ(1, ConvertBayer2Rgb(viaNull.data(), raw.data(), 12, 10, 2, given[0], given[1], given[2], 0, 3));
        ASSERT_EQ(1, ConvertBayer2Rgb(viaExplicit.data(), raw.data(), 12, 10, 2, given[0] ? given[0] : id.data(),
                                      given[1] ? given[1] : id.data(), given[2] ? given[2] : id.data(), 0, 3));
        EXPECT_TRUE(sameImage(viaExplicit, viaNull, 12, 3, "table mask " + std::to_string(mask)));
    }
}

TEST(Border, MatchesModelForEveryWidthAndPixelSize) {
    // Hand-worked first: a 4 x 4 image with border 3 takes its last pixel
    // everywhere; a 6 x 6 image with border 1 repeats its inner 4 x 4 block.
    for (int n : {1, 2, 3, 6}) {
        Bytes img = randomBytes(16 * std::size_t(n), 11);
        const Bytes corner(img.begin() + 15 * n, img.end());
        ASSERT_EQ(1, pm::extendBorder(img.data(), 4, 4, 0, 3, std::uint32_t(n)));
        for (int p = 0; p < 16; ++p)
            ASSERT_EQ(corner, Bytes(img.begin() + p * n, img.begin() + (p + 1) * n)) << "pixel " << p << ", " << n;
    }
    Bytes img = randomBytes(36 * 3, 12);
    const Bytes before = img;
    ASSERT_EQ(1, pm::extendBorder(img.data(), 6, 6, 1, 1, 3));
    auto inner = [](int v) { return v < 1 ? 1 : v > 4 ? 4 : v; };
    for (int p = 0; p < 36 * 3; ++p)
        ASSERT_EQ(before[(inner(p / 18) * 6 + inner(p / 3 % 6)) * 3 + p % 3], img[p]) << "6x6 byte " << p;

    std::mt19937 rng(99);
    for (int trial = 0; trial < 60; ++trial) {
        const int w = 4 + int(rng() % 20), h = 4 + int(rng() % 20), b = int(rng() % 4);
        const int n = std::vector<int>{1, 2, 3, 6}[rng() % 4];
        Bytes image = randomBytes(std::size_t(w) * h * n, rng()), expected = image;
        referenceBorder(expected, w, h, b, n);
        ASSERT_EQ(1, pm::extendBorder(image.data(), w, h, 0, b, std::uint32_t(n)));
        ASSERT_TRUE(sameImage(expected, image, w, n, describe(0, w, h, 0) + ", border " + std::to_string(b)));
    }
}

TEST(Border, RefusalsAndNoOps) {
    Bytes img = randomBytes(8 * 8 * 3, 13);
    const Bytes before = img;
    EXPECT_EQ(0, pm::extendBorder(nullptr, 8, 8, 0, 1, 3));
    EXPECT_EQ(0, pm::extendBorder(img.data(), 8, 8, 0, -1, 3));
    // Border 0, and images too small to hold the border: left alone.
    for (auto [w, h, b] : {std::tuple{8, 8, 0}, {3, 8, 3}, {8, 0, 1}, {-8, 8, 1}})
        EXPECT_EQ(1, pm::extendBorder(img.data(), w, h, 0, b, 3)) << w << "x" << h << ", border " << b;
    EXPECT_EQ(before, img);
}

// The staged methods' walk: every window position once, in row-major order,
// with the site colour of the layout table; nothing for unknown layouts.
TEST(SiteWalk, VisitsEveryPositionOnceWithItsColour) {
    const pm::Window windows[] = {{2, 9, 3, 10}, {1, 1, 1, 1}, {3, 4, 2, 2}, {2, 1, 0, 5}};
    for (int layout = 0; layout <= 5; ++layout)
        for (const pm::Window& w : windows) {
            std::vector<std::pair<long, long>> seen;
            pm::forEachSite(layout, w, [&](std::int64_t r, std::int64_t c, auto site) {
                constexpr pm::Site s = decltype(site)::value;
                const char expected = colourAt(layout, r, c);
                const char got = s == pm::Site::Red ? 'R' : s == pm::Site::Blue ? 'B' : 'G';
                EXPECT_EQ(expected, got) << "layout " << layout << " at " << r << "," << c;
                if (got == 'G') {
                    EXPECT_EQ(s == pm::Site::GreenInRedRow, colourAt(layout, r, c ^ 1) == 'R');
                }
                seen.emplace_back(r, c);
            });
            std::vector<std::pair<long, long>> expected;
            if (layout >= 1 && layout <= 4)
                for (long r = w.firstRow; r <= w.lastRow; ++r)
                    for (long c = w.firstColumn; c <= w.lastColumn; ++c) expected.emplace_back(r, c);
            EXPECT_EQ(expected, seen) << "layout " << layout;
        }
}

TEST(DebugOutput, SilentUntilASinkIsInstalled) {
    static std::vector<std::string> received;
    pm::debugOutput("unheard");
    const pm::DebugSink sink = [](const char* m) { received.emplace_back(m); };
    const pm::DebugSink before = pm::setDebugSink(sink);
    pm::debugOutput("heard");
    EXPECT_EQ(sink, pm::setDebugSink(before));
    pm::debugOutput("unheard again");
    EXPECT_EQ(std::vector<std::string>{"heard"}, received);
}

TEST(LibraryState, IdentityTableAndConstantBlock) {
    for (int i = 0; i < 256; ++i) ASSERT_EQ(i, pm::identityTable[std::size_t(i)]);
    const std::int32_t* block = PmGetConstantBlock();
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(block, PmGetConstantBlock());
    const std::vector<std::int32_t> first(block, block + 11);
    Bytes raw = randomBytes(8 * 8, 7), image(8 * 8 * 3);
    ConvertBayer2Rgb(image.data(), raw.data(), 8, 8, 2, nullptr, nullptr, nullptr, 0, 1);
    EXPECT_EQ(first, std::vector<std::int32_t>(block, block + 11));
    EXPECT_EQ(10, pm::deadPixelThreshold.load());
}

// Callers may be handed the identity tables' addresses (the record entry
// fills null table fields with them); a write through one must fault rather than
// corrupt every later conversion.
TEST(LibraryStateDeathTest, IdentityTableIsReadOnly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto* writable = const_cast<std::uint8_t*>(pm::identityTable.data());
    EXPECT_DEATH(
        {
            writable[7] = 0;
            std::fprintf(stderr, "written\n");
            std::exit(0);
        },
        "");
    EXPECT_EQ(7, pm::identityTable[7]);
    // The same for the 16-bit table handed out for 16-bit sources.
    auto* writable16 = const_cast<std::uint16_t*>(pm::identityTable16.data());
    EXPECT_DEATH(
        {
            writable16[40000] = 0;
            std::fprintf(stderr, "written\n");
            std::exit(0);
        },
        "");
    EXPECT_EQ(40000, pm::identityTable16[40000]);
}

}  // namespace

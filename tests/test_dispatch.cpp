// The conversion entries' dispatch: refusals, table substitution, the
// identity table and the constant block.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "frame/library_state.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

using Entry = decltype(&ConvertBayer2Rgb);

TEST(Dispatch, NullImagesAndUnknownCodesWriteNothing) {
    const Bytes raw = randomBytes(8 * 8, 1);
    struct Case {
        Entry entry;
        const char* name;
        std::int32_t code;
    };
    const Case unknown[] = {{ConvertBayer2Rgb, "Rgb", 10},   {ConvertBayer2Rgb, "Rgb", -1},
                            {ConvertBayer2Rgb, "Rgb", 1 << 30}, {ConvertBayer2RgbEx, "Ex", 7},
                            {ConvertBayer2RgbEx, "Ex", 9},     {ConvertBayer2RgbEx, "Ex", -2}};
    for (const Case& c : unknown) {
        Bytes image(8 * 8 * 3, 0x5A);
        EXPECT_EQ(0, c.entry(image.data(), raw.data(), 8, 8, c.code, nullptr, nullptr, nullptr, 0, 1))
            << c.name << " code " << c.code;
        for (std::uint8_t v : image) ASSERT_EQ(0x5A, v);
    }
    for (Entry entry : {ConvertBayer2Rgb, ConvertBayer2RgbEx}) {
        Bytes image(8 * 8 * 3, 0x5A);
        EXPECT_EQ(0, entry(image.data(), nullptr, 8, 8, 2, nullptr, nullptr, nullptr, 0, 1));
        EXPECT_EQ(0, entry(nullptr, raw.data(), 8, 8, 2, nullptr, nullptr, nullptr, 0, 1));
        for (std::uint8_t v : image) ASSERT_EQ(0x5A, v);
    }
}

TEST(Dispatch, EachNullTableIsTheIdentityOnItsOwn) {
    const Bytes raw = randomBytes(12 * 10, 2);
    const Bytes id = identity();
    const Bytes red = randomBytes(256, 3), green = randomBytes(256, 4), blue = randomBytes(256, 5);
    for (int mask = 0; mask < 8; ++mask) {
        const std::uint8_t* r = (mask & 1) ? red.data() : nullptr;
        const std::uint8_t* g = (mask & 2) ? green.data() : nullptr;
        const std::uint8_t* b = (mask & 4) ? blue.data() : nullptr;
        Bytes viaNull(12 * 10 * 3), viaExplicit(12 * 10 * 3);
        ASSERT_EQ(1, ConvertBayer2Rgb(viaNull.data(), raw.data(), 12, 10, 2, r, g, b, 0, 3));
        ASSERT_EQ(1, ConvertBayer2Rgb(viaExplicit.data(), raw.data(), 12, 10, 2, r ? r : id.data(),
                                      g ? g : id.data(), b ? b : id.data(), 0, 3));
        EXPECT_TRUE(sameImage(viaExplicit, viaNull, 12, 3, "table mask " + std::to_string(mask)));
    }
}

TEST(Dispatch, TablesProduceTheirOwnBytes) {
    // Constant tables reveal which table feeds which byte.
    const Bytes raw = randomBytes(8 * 8, 6);
    const Bytes red(256, 200), green(256, 100), blue(256, 50);
    Bytes image(8 * 8 * 3);
    ASSERT_EQ(1, ConvertBayer2RgbEx(image.data(), raw.data(), 8, 8, 2, red.data(), green.data(), blue.data(), 0, 4));
    for (std::size_t p = 0; p < 64; ++p) {
        ASSERT_EQ(50, image[p * 3 + 0]);
        ASSERT_EQ(100, image[p * 3 + 1]);
        ASSERT_EQ(200, image[p * 3 + 2]);
    }
}

TEST(LibraryState, IdentityTableAndConstantBlock) {
    for (int i = 0; i < 256; ++i) ASSERT_EQ(i, pm::identityTable[static_cast<std::size_t>(i)]);
    const std::int32_t* block = PmGetConstantBlock();
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(block, PmGetConstantBlock());
    const std::vector<std::int32_t> first(block, block + 11);
    Bytes raw = randomBytes(8 * 8, 7), image(8 * 8 * 3);
    ConvertBayer2Rgb(image.data(), raw.data(), 8, 8, 2, nullptr, nullptr, nullptr, 0, 1);
    EXPECT_EQ(first, std::vector<std::int32_t>(block, block + 11));
    EXPECT_EQ(10, pm::deadPixelThreshold.load());
}

// Callers may be handed the identity table's address (the record entry fills
// null table fields with it); a write through it must fault rather than
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
}

}  // namespace

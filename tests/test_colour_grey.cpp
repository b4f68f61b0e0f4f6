// The colour and grey conversions of the record entry, reached through
// PmConvert, against a model written from their rules: every source format,
// grey and colour destinations, every record layout code and flip value,
// null, identity and arbitrary tables of both sample widths.
#include <gtest/gtest.h>

#include "models.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

// The conversion entries' layout code of the mosaic a record layout code
// names: record 0 RGGB, 1 GBRG, 2 GRBG, 3 BGGR.  0 for the codes that name none.
int entryLayoutOf(std::uint32_t recordLayout) {
    static const int entry[4] = {4, 1, 2, 3};
    return recordLayout < 4 ? entry[recordLayout] : 0;
}

template <typename V>
unsigned mapped(const std::vector<V>& table, unsigned v) {
    return table.empty() ? v : table[v];
}

// Tables of one kind for samples of type V: empty means null (identity).
template <typename V>
struct Tables {
    const char* name;
    std::vector<V> red, green, blue;
};

template <typename V>
std::vector<V> randomValues(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<V> v(n);
    for (auto& x : v) x = static_cast<V>(rng());
    return v;
}

template <typename V>
std::vector<Tables<V>> tableKinds(std::uint32_t seed) {
    constexpr std::size_t entries = std::size_t(1) << (8 * sizeof(V));
    std::vector<V> identity(entries);
    for (std::size_t i = 0; i < entries; ++i) identity[i] = static_cast<V>(i);
    return {{"null", {}, {}, {}},
            {"identity", identity, identity, identity},
            {"arbitrary", randomValues<V>(entries, seed), randomValues<V>(entries, seed + 1),
             randomValues<V>(entries, seed + 2)},
            {"green only", {}, randomValues<V>(entries, seed + 3), {}}};
}

// Rows and columns 0 to size - 2 from the smoothed forward window, through
// the tables, as B, G, R or as (601 G + 306 R + 117 B) >> 10; then a border
// of one pixel over everything.
template <typename V>
std::vector<V> modelPipeline(const std::vector<V>& raw, int w, int h, const Tables<V>& t, bool grey,
                             std::int32_t flip, std::uint32_t recordLayout, std::vector<V> image) {
    const int n = grey ? 1 : 3;
    const int layout = entryLayoutOf(recordLayout);
    const bool bottomUp = (flip & 0xFF) != 0;
    for (int r = 0; layout != 0 && r < h - 1; ++r)
        for (int c = 0; c < w - 1; ++c) {
            const Channels v = windowChannels(raw, w, layout, r, c, true);
            const unsigned b = mapped(t.blue, v.blue), g = mapped(t.green, v.green), red = mapped(t.red, v.red);
            V* px = &image[(std::size_t(bottomUp ? h - 1 - r : r) * w + c) * n];
            if (grey) {
                px[0] = static_cast<V>((601 * g + 306 * red + 117 * b) >> 10);
            } else {
                px[0] = static_cast<V>(b), px[1] = static_cast<V>(g), px[2] = static_cast<V>(red);
            }
        }
    referenceBorder(image, w, h, 1, n);
    return image;
}

// A conversion record over the given buffers; the reserved fields hold
// garbage, which must change nothing.
PmConvertRecord record(void* dest, std::int32_t destFormat, const void* src, std::int32_t srcFormat,
                       std::uint32_t layout, int w, int h, const void* red, const void* green, const void* blue,
                       std::uint32_t flip) {
    return {dest,   destFormat, 0xDEADBEEF, 7,   src,  srcFormat, 0xFFFFFFFF, 12345, layout,
            w,      h,          7,          red, green, blue,     flip};
}

template <typename V>
const void* tableOrNull(const std::vector<V>& t) {
    return t.empty() ? nullptr : t.data();
}

template <typename V>
::testing::AssertionResult convertsLikeModel(std::int32_t srcFormat, const Sizes& sizes, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const auto tables = tableKinds<V>(seed);
    const std::vector<std::uint32_t> layouts = {0, 1, 2, 3, 4, 0x80000000u};
    for (const auto& [w, h] : sizes) {
        const std::vector<V> raw = randomValues<V>(std::size_t(w) * h, rng());
        for (std::int32_t destFormat : {0, 5, 4, 6, 9, -1}) {
            const bool grey = destFormat == 0 || destFormat == 5;
            const std::vector<V> before = randomValues<V>(std::size_t(w) * h * (grey ? 1 : 3), rng());
            for (std::uint32_t layout : layouts)
                for (std::int32_t flip : {0, 1, 0x100, -256})
                    for (const Tables<V>& t : tables) {
                        std::vector<V> image = before;
                        PmConvertRecord rec = record(image.data(), destFormat, raw.data(), srcFormat, layout, w, h,
                                                     tableOrNull(t.red), tableOrNull(t.green), tableOrNull(t.blue),
                                                     std::uint32_t(flip));
                        std::ostringstream context;
                        context << "source format " << srcFormat << ", destination format " << destFormat
                                << ", record layout " << layout << ", " << w << "x" << h << ", flip " << flip
                                << ", tables " << t.name;
                        const std::int32_t result = PmConvert(0, &rec, std::int32_t(rng()));
                        if (result != 1)
                            return ::testing::AssertionFailure() << context.str() << ": returned " << result;
                        const auto same = sameImage(modelPipeline(raw, w, h, t, grey, flip, layout, before), image, w,
                                                    grey ? 1 : 3, context.str());
                        if (!same) return same;
                    }
        }
    }
    return ::testing::AssertionSuccess();
}

Sizes pipelineSizes(std::uint32_t seed) {
    std::mt19937 rng(seed);
    return withRandomSizes({{4, 4}, {4, 6}, {6, 4}, {38, 4}}, rng, 8, 12);
}

TEST(ColourGrey, EightBitFormatsMatchModel) {
    EXPECT_TRUE(convertsLikeModel<std::uint8_t>(PM_FORMAT_MONO8, pipelineSizes(1), 101));
    EXPECT_TRUE(convertsLikeModel<std::uint8_t>(PM_FORMAT_RAW8, pipelineSizes(2), 102));
}

// 70 x 6 reaches the vector blocks of every path (8, 16 and 32 pixels) and
// leaves pixels to the scalar kernel after them.
TEST(ColourGrey, SixteenBitFormatsMatchModel) {
    Sizes wide = pipelineSizes(4);
    wide.push_back({70, 6});
    EXPECT_TRUE(convertsLikeModel<std::uint16_t>(PM_FORMAT_MONO16, pipelineSizes(3), 103));
    EXPECT_TRUE(convertsLikeModel<std::uint16_t>(PM_FORMAT_RAW16, wide, 104));
}

// The 8-bit colour conversion is method code 7 (vector prefix included) with
// the record's layout codes renumbered: equal at every width around the
// prefix's blocks.
TEST(ColourGrey, EightBitColourEqualsMethodCode7) {
    const TableSet arbitrary = tableSets(77)[2];
    for (int w : vectorWidths())
        for (std::uint32_t layout = 0; layout < 4; ++layout)
            for (const TableSet* t : {&arbitrary, static_cast<const TableSet*>(nullptr)}) {
                const int h = 6;
                const Bytes raw = randomBytes(std::size_t(w) * h, std::uint32_t(w) * 4 + layout);
                Bytes viaRecord(std::size_t(w) * h * 3, 1), viaCode7(viaRecord.size(), 2);
                const std::uint8_t *r = t ? t->r() : nullptr, *g = t ? t->g() : nullptr, *b = t ? t->b() : nullptr;
                PmConvertRecord rec = record(viaRecord.data(), PM_FORMAT_BGR8, raw.data(), PM_FORMAT_RAW8, layout, w,
                                             h, r, g, b, 1);
                ASSERT_EQ(1, PmConvert(0, &rec, 0));
                ASSERT_EQ(1, ConvertBayer2Rgb(viaCode7.data(), raw.data(), w, h, 7, r, g, b, 1,
                                              entryLayoutOf(layout)));
                ASSERT_TRUE(sameImage(viaCode7, viaRecord, w, 3,
                                      "record layout " + std::to_string(layout) + ", width " + std::to_string(w)));
            }
}

// Frames whose every window holds the same red, green and blue: every grey
// pixel is the hand-worked value, at both sample widths, through the
// identity tables.
TEST(ColourGrey, HandWorkedGreyValues) {
    struct Row {
        unsigned red, green, blue, grey;
    };
    const Row rows[] = {{200, 200, 200, 200}, {255, 0, 0, 76},  {0, 255, 0, 149},
                        {0, 0, 255, 29},      {200, 100, 50, 124}, {40000, 40000, 40000, 40000}};
    for (const Row& row : rows)
        for (std::uint32_t layout = 0; layout < 4; ++layout) {
            const int w = 8, h = 6, entry = entryLayoutOf(layout);
            std::vector<std::uint16_t> raw16(w * h), grey16(w * h);
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c) {
                    const char colour = colourAt(entry, r, c);
                    raw16[r * w + c] = std::uint16_t(colour == 'R' ? row.red : colour == 'G' ? row.green : row.blue);
                }
            PmConvertRecord rec = record(grey16.data(), PM_FORMAT_MONO16, raw16.data(), PM_FORMAT_RAW16, layout, w,
                                         h, nullptr, nullptr, nullptr, 0);
            ASSERT_EQ(1, PmConvert(0, &rec, 0));
            for (int p = 0; p < w * h; ++p) ASSERT_EQ(row.grey, grey16[p]) << "16-bit, pixel " << p << ", " << row.red;
            if (row.red > 255) continue;
            Bytes raw8(raw16.begin(), raw16.end()), grey8(w * h);
            rec = record(grey8.data(), PM_FORMAT_MONO8, raw8.data(), PM_FORMAT_RAW8, layout, w, h, nullptr, nullptr,
                         nullptr, 0);
            ASSERT_EQ(1, PmConvert(0, &rec, 0));
            for (int p = 0; p < w * h; ++p) ASSERT_EQ(row.grey, grey8[p]) << "8-bit, pixel " << p << ", " << row.red;
        }
}

// Refused sizes return 0 with nothing written; a source format that names no
// sample width returns 1 with nothing written, not even the border.
TEST(ColourGrey, RefusalsAndUnknownSourceFormats) {
    struct Row {
        int w, h;
        std::int32_t srcFormat, destFormat, result;
    };
    const Row rows[] = {
        {4, 3, 0, 4, 0},      {5, 4, 0, 4, 0},          {2, 2, 5, 5, 0},          {3, 4, 10, 4, 0},
        {4, 2, 9, 0, 0},      {-4, -4, 0, 4, 0},        {65536, 32768, 5, 6, 0},  {46342, 46342, 0, 0, 0},
        {8, 8, 4, 4, 1},      {8, 8, 6, 0, 1},          {8, 8, 1, 4, 1},          {8, 8, -1, 5, 1},
    };
    const Bytes raw = randomBytes(8 * 8 * 2, 3);
    for (const Row& row : rows) {
        Bytes image(8 * 8 * 6, 0xAB);
        PmConvertRecord rec = record(image.data(), row.destFormat, raw.data(), row.srcFormat, 1, row.w, row.h,
                                     nullptr, nullptr, nullptr, 0);
        const std::string context = std::to_string(row.w) + "x" + std::to_string(row.h) + ", source format " +
                                    std::to_string(row.srcFormat);
        EXPECT_EQ(row.result, PmConvert(0, &rec, 0)) << context;
        EXPECT_EQ(Bytes(image.size(), 0xAB), image) << context;
    }
}

}  // namespace

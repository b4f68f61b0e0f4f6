// PmConvert as a record entry: which table fields come back filled and with
// which identity table, which records are left untouched, operation 1
// against GetWhiteBalanceRatio, and what other operation codes do.  The
// pixels themselves are tested in test_colour_grey.cpp.
#include <gtest/gtest.h>

#include <cstring>

#include "frame/library_state.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

bool sameRecord(const PmConvertRecord& a, const PmConvertRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The record's layout is the ABI: field offsets of the natural C layout,
// with pointers of 8 bytes (x86-64) or 4 (32-bit x86).
#if UINTPTR_MAX > 0xFFFFFFFFu
static_assert(offsetof(PmConvertRecord, srcFormat) == 32 && offsetof(PmConvertRecord, layout) == 44 &&
                  offsetof(PmConvertRecord, lutRed) == 64 && offsetof(PmConvertRecord, flip) == 88 &&
                  sizeof(PmConvertRecord) == 96,
              "conversion record layout");
static_assert(offsetof(PmWhiteBalanceRecord, width) == 20 && offsetof(PmWhiteBalanceRecord, redRatio) == 32 &&
                  sizeof(PmWhiteBalanceRecord) == 56,
              "white-balance record layout");
#else
static_assert(offsetof(PmConvertRecord, srcFormat) == 20 && offsetof(PmConvertRecord, layout) == 32 &&
                  offsetof(PmConvertRecord, lutRed) == 48 && offsetof(PmConvertRecord, flip) == 60 &&
                  sizeof(PmConvertRecord) == 64,
              "conversion record layout");
static_assert(offsetof(PmWhiteBalanceRecord, width) == 16 && offsetof(PmWhiteBalanceRecord, redRatio) == 24 &&
                  sizeof(PmWhiteBalanceRecord) == 36,
              "white-balance record layout");
#endif

// Null table fields come back as the identity table of the source's sample
// width, whether or not anything is converted; given tables are kept.
TEST(RecordEntry, NullTableFieldsComeBackFilled) {
    const void* id8 = pm::identityTable.data();
    const void* id16 = pm::identityTable16.data();
    const std::uint8_t own[256] = {};
    struct Row {
        std::int32_t srcFormat, method, width;
        const void* identity;
        std::int32_t result;
    };
    const Row rows[] = {
        {0, 7, 8, id8, 1},  {9, 7, 8, id8, 1},   {5, 7, 8, id16, 1}, {10, 7, 8, id16, 1},
        {4, 7, 8, id8, 1},  {-1, 7, 8, id8, 1},  {0, 5, 8, id8, 0},  {10, 5, 8, id16, 0},
        {0, 7, 3, id8, 0},  {5, 7, 3, id16, 0},
    };
    std::vector<std::uint16_t> src(8 * 8), dest(8 * 8 * 3);
    for (const Row& row : rows) {
        PmConvertRecord rec{dest.data(), 4, 0, 0, src.data(), row.srcFormat, 0, 0, 1, row.width, 8, row.method,
                            nullptr, own, nullptr, 0};
        const std::string context = "source format " + std::to_string(row.srcFormat) + ", method " +
                                    std::to_string(row.method) + ", width " + std::to_string(row.width);
        EXPECT_EQ(row.result, PmConvert(0, &rec, 0)) << context;
        EXPECT_EQ(row.identity, rec.lutRed) << context;
        EXPECT_EQ(static_cast<const void*>(own), rec.lutGreen) << context;
        EXPECT_EQ(row.identity, rec.lutBlue) << context;
    }
    for (std::size_t i = 0; i < pm::identityTable16.size(); ++i)
        ASSERT_EQ(i, pm::identityTable16[i]) << "16-bit identity entry " << i;
}

// A method other than 7 converts nothing; null images, other operation codes
// and a null record leave everything as it was.
TEST(RecordEntry, RejectedRecordsAreLeftAlone) {
    Bytes src(8 * 8, 5), dest(8 * 8 * 3, 0xAB);
    const Bytes untouched = dest;
    const PmConvertRecord good{dest.data(), 4, 0, 0, src.data(), 0, 0, 0, 1, 8, 8, 7, nullptr, nullptr, nullptr, 0};
    PmConvertRecord noDest = good, noSrc = good, method5 = good;
    noDest.dest = nullptr;
    noSrc.src = nullptr;
    method5.method = 5;
    for (PmConvertRecord* rec : {&noDest, &noSrc}) {
        const PmConvertRecord before = *rec;
        EXPECT_EQ(0, PmConvert(0, rec, 0));
        EXPECT_TRUE(sameRecord(before, *rec));
    }
    EXPECT_EQ(0, PmConvert(0, &method5, 0));
    EXPECT_EQ(untouched, dest);
    for (std::int32_t operation : {-1, 2, 3, 0x10000}) {
        PmConvertRecord rec = good;
        EXPECT_EQ(0, PmConvert(operation, &rec, 0)) << "operation " << operation;
        EXPECT_TRUE(sameRecord(good, rec)) << "operation " << operation;
        EXPECT_EQ(untouched, dest) << "operation " << operation;
    }
    EXPECT_EQ(0, PmConvert(0, nullptr, 0));
    EXPECT_EQ(0, PmConvert(1, nullptr, 0));
}

// Operation 1: the measurement of GetWhiteBalanceRatio for format 4, the
// same on 16-bit channels for format 6, ratios 0.0 for any other format.
TEST(RecordEntry, WhiteBalanceOperation) {
    constexpr double kept = -7.5;
    auto measure = [&](const void* image, std::int32_t format, int w, int h, double out[3]) {
        out[0] = out[1] = out[2] = kept;
        PmWhiteBalanceRecord rec{image, format, 0xFFFFFFFF, 3, w, h, &out[0], &out[1], &out[2]};
        return PmConvert(1, &rec, 99);
    };
    for (int seed = 0; seed < 6; ++seed) {
        const int w = 5 + 3 * seed, h = 4 + 5 * seed;
        const Bytes image = randomBytes(std::size_t(w) * h * 3, std::uint32_t(seed));
        double viaRecord[3], direct[3];
        ASSERT_EQ(1, measure(image.data(), PM_FORMAT_BGR8, w, h, viaRecord));
        ASSERT_EQ(1, GetWhiteBalanceRatio(image.data(), w, h, &direct[0], &direct[1], &direct[2]));
        for (int k = 0; k < 3; ++k) EXPECT_EQ(direct[k], viaRecord[k]) << w << "x" << h << ", ratio " << k;
    }
    struct Row {
        std::int32_t format;
        int w, h;
        std::int32_t result;
        double red, green, blue;
    };
    // Blue 1000, green 2000, red 4000 in 16-bit channels (read as bytes by
    // format 4, which therefore measures something else).
    const Row rows[] = {{6, 9, 7, 1, 0.5, 1.0, 2.0},  {6, 4, 9, 1, 0.0, 0.0, 0.0},     {0, 9, 7, 1, 0.0, 0.0, 0.0},
                        {5, 9, 7, 1, 0.0, 0.0, 0.0},  {10, 9, 7, 1, 0.0, 0.0, 0.0},    {6, 3, 9, 0, kept, kept, kept},
                        {6, 9, 3, 0, kept, kept, kept}};
    std::vector<std::uint16_t> image16;
    for (int p = 0; p < 9 * 9; ++p) image16.insert(image16.end(), {1000, 2000, 4000});
    for (const Row& row : rows) {
        double out[3];
        const std::string context = "format " + std::to_string(row.format) + ", " + std::to_string(row.w) + "x" +
                                    std::to_string(row.h);
        EXPECT_EQ(row.result, measure(image16.data(), row.format, row.w, row.h, out)) << context;
        EXPECT_EQ(row.red, out[0]) << context;
        EXPECT_EQ(row.green, out[1]) << context;
        EXPECT_EQ(row.blue, out[2]) << context;
    }
    double out[3];
    EXPECT_EQ(0, measure(nullptr, PM_FORMAT_BGR8, 9, 9, out));
    EXPECT_EQ(kept, out[0]);
}

}  // namespace

// Frames of 2^31 samples and more: every method and every calibration step
// must handle them (or refuse them) without an index overflowing 32 bits.
//
// Such frames would need gigabytes; the test only reserves the address space
// (LargeBuffer, reserved_buffers.h: results are checked in the first and last
// 48 MiB).  A frame of one value (or a repeating pixel) keeps every view alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pixmill.h"
#include "reserved_buffers.h"

namespace {

using pmtest::LargeBuffer;

// Square frame just past 2^31 samples: 46342 x 46342 = 2^31 + 97,316.
constexpr std::int32_t kSide = 46342;
constexpr std::uint64_t kSamples = std::uint64_t(kSide) * kSide;
constexpr std::uint8_t kValue = 0x37, kBefore = 0xEE;

struct Code {
    bool ex;
    std::int32_t code;
    int keptMargin;  // pixels along each edge the method leaves as they were
};

// Every method once: the Ex codes not listed name methods of these codes.
const Code kMethods[] = {{false, 0, 0}, {false, 1, 0}, {false, 2, 0}, {false, 3, 0}, {false, 4, 0}, {false, 5, 0},
                         {false, 6, 0}, {false, 7, 0}, {false, 8, 3}, {false, 9, 0}, {true, 3, 0}};

// Converts a frame of one value by every method into a destination that
// held kBefore: the image is that value everywhere the method computes, or,
// for a call that returns 0, nothing is written.
void convertsEveryMethod(std::int32_t width, std::int32_t height) {
    const std::uint64_t samples = std::uint64_t(width) * std::uint64_t(height);
    LargeBuffer raw(samples, {kValue}), image(3 * samples, {kBefore});
    ASSERT_TRUE(raw.ok() && image.ok());
    for (const Code& c : kMethods) {
        const std::string name = std::string(c.ex ? "Ex " : "") + "code " + std::to_string(c.code) + ", " +
                                 std::to_string(width) + "x" + std::to_string(height);
        image.fill({kBefore});
        const PmConvertBayerFunction entry =
            c.ex ? PmConvertBayerFunction{ConvertBayer2RgbEx} : PmConvertBayerFunction{ConvertBayer2Rgb};
        const std::int32_t result =
            entry(image.data(), raw.data(), width, height, c.code, nullptr, nullptr, nullptr, 0, 1 + c.code % 4);
        if (result == 0) {  // a code without a method yet, or a refusal
            EXPECT_EQ(-1, image.firstFailure([&](std::uint64_t i) { return image.data()[i] == kBefore; })) << name;
            continue;
        }
        const std::uint64_t m = std::uint64_t(c.keptMargin), rowBytes = 3 * std::uint64_t(width);
        const std::int64_t bad = image.firstFailure([&](std::uint64_t i) {
            const std::uint64_t row = i / rowBytes, column = i % rowBytes / 3;
            const bool kept = row < m || column < m || row + m >= std::uint64_t(height) ||
                              column + m >= std::uint64_t(width);
            return kept || image.data()[i] == kValue;
        });
        EXPECT_EQ(-1, bad) << name << ": byte " << bad << " (row " << bad / std::int64_t(rowBytes) << ")";
    }
}

TEST(LargeFrames, EveryMethodPastTwoToThe31Samples) { convertsEveryMethod(kSide, kSide); }

// Rows of more than 2^31 bytes: 3 x width overflows 32 bits.
TEST(LargeFrames, EveryMethodOnRowsPastTwoToThe31Bytes) { convertsEveryMethod(715827884, 4); }

TEST(LargeFrames, CalibrationPastTwoToThe31Samples) {
    LargeBuffer frame(kSamples, {kValue});
    ASSERT_TRUE(frame.ok());
    {
        // One value everywhere: nothing strays from the mean.
        LargeBuffer map(kSamples, {kBefore});
        ASSERT_TRUE(map.ok());
        SetBadPixelThreshold(10);
        DetectDeadPixel(frame.data(), map.data(), kSide, kSide);
        EXPECT_EQ(-1, map.firstFailure([&](std::uint64_t i) { return map.data()[i] == 0; }));
        EraseDeadPixel(frame.data(), map.data(), 0, 0, kSide, kSide, kSide, kSide);
        EXPECT_EQ(-1, frame.firstFailure([&](std::uint64_t i) { return frame.data()[i] == kValue; }));
    }
    {
        // 4-byte accumulator entries of 0 and 4 in turn (even entries 0),
        // past 2^33 bytes.
        LargeBuffer accumulator(4 * kSamples, {0, 0, 0, 0, 4, 0, 0, 0});
        ASSERT_TRUE(accumulator.ok());
        auto* entries = reinterpret_cast<std::int32_t*>(accumulator.data());
        GetPatternNoise(frame.data(), entries, kSide, kSide);  // adds 0
        AvgPatternNoise(entries, kSide, kSide, 2);             // 4 becomes 2 (in private memory)
        EXPECT_EQ(-1, accumulator.firstFailure([&](std::uint64_t i) {
            return i % 4 != 0 || entries[i / 4] == (i / 4 % 2 == 0 ? 0 : 2);
        }));
        FixPatternNoise(frame.data(), entries, 0, 0, kSide, kSide, kSide, kSide);
        // Views of the accumulator's shared chunk were divided once each, so
        // the frame is checked against whatever each entry holds.
        EXPECT_EQ(-1, frame.firstFailure([&](std::uint64_t i) {
            const std::int64_t v = std::int64_t(kValue) - entries[i];
            return frame.data()[i] == (v < 0 ? 0 : v > 255 ? 255 : v);
        }));
    }
    {
        LargeBuffer image(3 * kSamples, {50, 100, 200});  // blue, green, red
        ASSERT_TRUE(image.ok());
        double red = 0, green = 0, blue = 0;
        ASSERT_EQ(1, GetWhiteBalanceRatio(image.data(), kSide, kSide, &red, &green, &blue));
        EXPECT_EQ(0.5, red);
        EXPECT_EQ(1.0, green);
        EXPECT_EQ(2.0, blue);
    }
}

}  // namespace

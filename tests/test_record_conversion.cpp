// pixmill-convert's record conversions: packed frames unpacked and scaled to
// 16 bits, the conversion through PmConvert against ConvertBayer2Rgb and
// against itself at the other sample width, white balance on 16-bit frames,
// and what it refuses.
#include <gtest/gtest.h>

#include <cstdint>

#include "calibration.h"
#include "pixmill.h"
#include "record_conversion.h"
#include "test_scene.h"

using namespace pmtool;

namespace {

TEST(RecordConversion, PackedFramesAreUnpackedToFullScale) {
    // 10-bit 1, 2, 3 and 1023 (second word: 1023 in bits 0-9); 12-bit 0x321,
    // 0x654, then 0xFFF and 0x000.  Top bits repeat below: 1 -> 64, 2 -> 128,
    // 3 -> 192, 1023 -> 65535; 0x321 -> 0x3213, 0x654 -> 0x6546.
    const WideFrame ten = unpackFrame({0x01, 0x08, 0x30, 0x00, 0xFF, 0x03, 0, 0}, 2, 2, 10);
    EXPECT_EQ((std::vector<std::uint16_t>{64, 128, 192, 65535}), ten.samples);
    const WideFrame twelve = unpackFrame({0x21, 0x43, 0x65, 0xFF, 0x0F, 0x00}, 4, 1, 12);
    EXPECT_EQ((std::vector<std::uint16_t>{0x3213, 0x6546, 0xFFFF, 0}), twelve.samples);
    // A file one byte short of the frame, and sizes beyond the caps.
    EXPECT_THROW(unpackFrame(std::vector<std::uint8_t>(7), 2, 2, 10), RecordError);
    EXPECT_THROW(unpackFrame(std::vector<std::uint8_t>(5), 4, 1, 12), RecordError);
    EXPECT_THROW(unpackFrame({}, 70000, 2, 12), RecordError);
}

TEST(RecordConversion, EightBitColourIsMethod7AndSixteenBitAgrees) {
    Options options;
    options.layout = PM_LAYOUT_RGGB;
    options.flip = true;
    FrameFile file;
    file.narrow = mosaicScene(makeTestScene(), options.layout);
    const GreyFrame& frame = file.narrow;
    std::vector<std::uint8_t> code7(frame.samples.size() * 3);
    ASSERT_EQ(1, ConvertBayer2Rgb(code7.data(), frame.samples.data(), frame.width, frame.height, 7, nullptr, nullptr,
                                  nullptr, 1, options.layout));

    options.depth = 8;
    const DeepImage colour8 = convertThroughRecord(options, file);
    ASSERT_EQ(8, colour8.depth);
    EXPECT_EQ(std::vector<std::uint16_t>(code7.begin(), code7.end()), colour8.values);

    // Widened samples (x 257) through identity tables: a copied sample is
    // the 8-bit value x 257; the mean of two, (a + b) x 257 >> 1, adds 128
    // to that when a + b is odd, where the 8-bit mean dropped a half.
    options.depth = 16;
    const DeepImage colour16 = convertThroughRecord(options, file);
    ASSERT_EQ(16, colour16.depth);
    for (std::size_t i = 0; i < code7.size(); ++i) {
        const unsigned widened = code7[i] * 257u;
        ASSERT_TRUE(colour16.values[i] == widened || colour16.values[i] == widened + 128) << "value " << i;
    }

    // Grey at 8 bits is the weighted sum of the 8-bit colour.
    options.depth = 0;
    options.grey = true;
    const DeepImage grey8 = convertThroughRecord(options, file);
    ASSERT_EQ(1, grey8.channels);
    for (std::size_t p = 0; p < grey8.values.size(); ++p) {
        const unsigned b = code7[3 * p], g = code7[3 * p + 1], r = code7[3 * p + 2];
        ASSERT_EQ((601 * g + 306 * r + 117 * b) >> 10, grey8.values[p]) << "pixel " << p;
    }
}

TEST(RecordConversion, WhiteBalanceOnSixteenBitFramesNeutralisesACast) {
    // A grey target seen through a cast: red 20000, green 30000, blue 15000.
    const std::int32_t w = 16, h = 12;
    FrameFile file;
    file.wide = true;
    file.wideFrame = {w, h, std::vector<std::uint16_t>(std::size_t(w * h))};
    for (std::int32_t r = 0; r < h; ++r)
        for (std::int32_t c = 0; c < w; ++c)
            file.wideFrame.samples[std::size_t(r * w + c)] = (r % 2) != (c % 2) ? 30000 : r % 2 ? 15000 : 20000;
    Options options;
    options.layout = PM_LAYOUT_RGGB;
    options.whiteBalance = true;
    const DeepImage image = convertThroughRecord(options, file);
    for (std::size_t i = 0; i < image.values.size(); ++i) ASSERT_EQ(30000, image.values[i]) << "value " << i;
}

TEST(RecordConversion, Refusals) {
    FrameFile wide;
    wide.wide = true;
    wide.wideFrame = {4, 4, std::vector<std::uint16_t>(16, 1000)};
    Options method2;
    method2.method = 2;
    method2.methodGiven = true;
    EXPECT_THROW(convertThroughRecord(method2, wide), RecordError);
    Options dark;
    dark.darkFrames = {"dark.pgm"};
    EXPECT_THROW(convertThroughRecord(dark, wide), RecordError);
    Options flat;
    flat.flatFrame = "flat.pgm";
    EXPECT_THROW(convertThroughRecord(flat, wide), RecordError);
}

}  // namespace

// pixmill-convert's adjustment steps on packed BGR images: the turns move
// every colour of every pixel where a viewer expects it, sharpening sees the
// same image whatever the row padding, and the steps run in the stated order.
#include <gtest/gtest.h>

#include "adjustments.h"
#include "pixmill.h"

using namespace pmtool;

namespace {

BgrImage numbered(std::int32_t width, std::int32_t height) {
    BgrImage image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    for (std::size_t i = 0; i < image.bytes.size(); ++i) image.bytes[i] = std::uint8_t(i * 7 + i / 3);
    return image;
}

TEST(ConvertAdjustments, TurnsAsSeenWithRowZeroAtTheTop) {
    const BgrImage source = numbered(5, 3);  // sides not multiples of 4
    for (bool clockwise : {true, false}) {
        Options options;
        options.rotate = clockwise ? Options::Rotation::Clockwise : Options::Rotation::CounterClockwise;
        BgrImage image = source;
        adjustImage(image, options);
        ASSERT_EQ(3, image.width);
        ASSERT_EQ(5, image.height);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                for (int ch = 0; ch < 3; ++ch) {
                    // Clockwise: the left column becomes the top row, read bottom to top.
                    const int y = clockwise ? 2 - c : c, x = clockwise ? r : 4 - r;
                    EXPECT_EQ(source.bytes[std::size_t(y * 5 + x) * 3 + ch], image.bytes[std::size_t(r * 3 + c) * 3 + ch])
                        << (clockwise ? "cw" : "ccw") << " pixel " << r << ", " << c << ", byte " << ch;
                }
    }
}

TEST(ConvertAdjustments, StepsRunInTheStatedOrder) {
    // 5 pixels of 3 bytes leave a padded row of 16 bytes for sharpening.
    const BgrImage source = numbered(5, 4);
    Options options;
    options.colorCorrect = true;
    options.brightness = 30;
    options.contrast = 20;
    options.sharpen = 1.5f;
    BgrImage expected = source;
    ROIColorCorrection(expected.bytes.data(), 0, 0, 5, 4, 5, 0);
    ASSERT_EQ(0, PmBrightness(expected.bytes.data(), 60, 30, expected.bytes.data()));
    ASSERT_EQ(0, PmContrast(expected.bytes.data(), 60, 20, expected.bytes.data()));
    std::vector<std::uint8_t> padded(16 * 4, 0);
    for (int y = 0; y < 4; ++y) std::copy_n(&expected.bytes[std::size_t(y) * 15], 15, &padded[std::size_t(y) * 16]);
    ASSERT_EQ(0, PmSharpen24B(padded.data(), 5, 4, 1.5f, padded.data()));
    for (int y = 0; y < 4; ++y) std::copy_n(&padded[std::size_t(y) * 16], 15, &expected.bytes[std::size_t(y) * 15]);
    BgrImage image = source;
    adjustImage(image, options);
    EXPECT_EQ(expected.bytes, image.bytes);
}

}  // namespace

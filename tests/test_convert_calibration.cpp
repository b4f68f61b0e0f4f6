// pixmill-convert's calibration steps: each one undoes a known, planted fault
// of the frame or colour cast exactly.
#include <gtest/gtest.h>

#include <cstdint>

#include "calibration.h"
#include "pixmill.h"
#include "test_scene.h"

using namespace pmtool;

namespace {

GreyFrame uniformFrame(std::int32_t width, std::int32_t height, std::uint8_t value) {
    return {width, height, std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height), value)};
}

TEST(ConvertCalibration, GainsScaleTheSampleAheadOfTheTable) {
    const Tables linear = foldGains(Tables{}, Gains{2.0, 1.0, 0.5});
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(std::min(255, 2 * i), linear.red[std::size_t(i)]) << i;
        EXPECT_EQ(i, linear.green[std::size_t(i)]) << i;
        EXPECT_EQ((i + 1) / 2, linear.blue[std::size_t(i)]) << i;  // halves round up
    }
    // With a curve, the curve maps the scaled sample; a gain of 0 is left out.
    const Tables curve = gammaTables(0.45);
    const Tables folded = foldGains(curve, Gains{1.5, 0.0, 1.0});
    for (int i = 0; i < 256; ++i) {
        const int scaled = std::min(255, int(i * 1.5 + 0.5));
        EXPECT_EQ(curve.red[std::size_t(scaled)], folded.red[std::size_t(i)]) << i;
        EXPECT_EQ(curve.green[std::size_t(i)], folded.green[std::size_t(i)]) << i;
    }
}

TEST(ConvertCalibration, WhiteBalanceNeutralisesAGreyTargetsCast) {
    // A grey target seen through a cast: red 100, green 150, blue 75.
    RgbScene scene{16, 12, {}};
    for (int p = 0; p < 16 * 12; ++p) scene.rgb.insert(scene.rgb.end(), {100, 150, 75});
    const GreyFrame frame = mosaicScene(scene, PM_LAYOUT_BGGR);
    BgrImage image{16, 12, std::vector<std::uint8_t>(16 * 12 * 3)};
    ASSERT_EQ(1, ConvertBayer2Rgb(image.bytes.data(), frame.samples.data(), 16, 12, PM_METHOD_BILINEAR, nullptr,
                                  nullptr, nullptr, 0, PM_LAYOUT_BGGR));
    const Gains gains = measureGains(image);
    EXPECT_DOUBLE_EQ(1.5, gains.red);
    EXPECT_DOUBLE_EQ(1.0, gains.green);
    EXPECT_DOUBLE_EQ(2.0, gains.blue);
    const Tables tables = foldGains(Tables{}, gains);
    ASSERT_EQ(1, ConvertBayer2Rgb(image.bytes.data(), frame.samples.data(), 16, 12, PM_METHOD_BILINEAR,
                                  tables.red.data(), tables.green.data(), tables.blue.data(), 0, PM_LAYOUT_BGGR));
    for (std::size_t i = 0; i < image.bytes.size(); ++i) ASSERT_EQ(150, image.bytes[i]) << "byte " << i;
}

TEST(ConvertCalibration, DarkFramesTakeTheirPatternOutOfTheFrame) {
    // A pattern whose mean is 0 within each parity class, on a dark level of
    // 50; the frame carries the same pattern on top of a ramp.
    const std::int32_t w = 8, h = 6;
    std::vector<int> pattern(std::size_t(w * h));
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) pattern[std::size_t(r * w + c)] = ((r / 2 + c / 2) % 2 == 0 ? 3 : -3);
    GreyFrame dark = uniformFrame(w, h, 0), frame = uniformFrame(w, h, 0);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        dark.samples[i] = std::uint8_t(50 + pattern[i]);
        frame.samples[i] = std::uint8_t(10 + 4 * int(i) + pattern[i]);
    }
    removePatternNoise(frame, {dark, dark, dark});
    for (std::size_t i = 0; i < pattern.size(); ++i) EXPECT_EQ(10 + 4 * int(i), frame.samples[i]) << "sample " << i;
    EXPECT_THROW(removePatternNoise(frame, {uniformFrame(w, h + 2, 50)}), CalibrationError);
}

TEST(ConvertCalibration, FlatFrameDefectsAreErased) {
    GreyFrame flat = uniformFrame(10, 10, 100), frame = uniformFrame(10, 10, 60);
    flat.samples[4 * 10 + 5] = 130;   // hot in the flat frame ...
    frame.samples[4 * 10 + 5] = 250;  // ... and in the live frame
    frame.samples[6 * 10 + 6] = 0;    // not marked: left alone
    eraseDefects(frame, flat, 20);
    EXPECT_EQ(60, frame.samples[4 * 10 + 5]);
    EXPECT_EQ(0, frame.samples[6 * 10 + 6]);
    frame.samples[4 * 10 + 5] = 250;
    eraseDefects(frame, flat, 31);  // 130 lies 30 from the mean: not marked now
    EXPECT_EQ(250, frame.samples[4 * 10 + 5]);
    EXPECT_THROW(eraseDefects(frame, uniformFrame(10, 12, 100), 10), CalibrationError);
}

}  // namespace

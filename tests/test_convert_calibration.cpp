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
    removePatternNoise(frame, {dark, dark, dark}, PM_LAYOUT_GBRG);
    for (std::size_t i = 0; i < pattern.size(); ++i) EXPECT_EQ(10 + 4 * int(i), frame.samples[i]) << "sample " << i;
    EXPECT_THROW(removePatternNoise(frame, {uniformFrame(w, h + 2, 50)}, PM_LAYOUT_GBRG), CalibrationError);
}

TEST(ConvertCalibration, FlatFrameDefectsAreErased) {
    GreyFrame flat = uniformFrame(10, 10, 100), frame = uniformFrame(10, 10, 60);
    flat.samples[4 * 10 + 5] = 130;   // hot in the flat frame ...
    frame.samples[4 * 10 + 5] = 250;  // ... and in the live frame
    frame.samples[6 * 10 + 6] = 0;    // not marked: left alone
    eraseDefects(frame, flat, 20, PM_LAYOUT_GBRG);
    EXPECT_EQ(60, frame.samples[4 * 10 + 5]);
    EXPECT_EQ(0, frame.samples[6 * 10 + 6]);
    frame.samples[4 * 10 + 5] = 250;
    eraseDefects(frame, flat, 31, PM_LAYOUT_GBRG);  // 130 lies 30 from the mean: not marked now
    EXPECT_EQ(250, frame.samples[4 * 10 + 5]);
    EXPECT_THROW(eraseDefects(frame, uniformFrame(10, 12, 100), 10, PM_LAYOUT_GBRG), CalibrationError);
}

// A frame of one level per colour (red, green, blue) in Bayer layout `layout`.
GreyFrame colourFrame(std::int32_t w, std::int32_t h, int layout, std::uint8_t red, std::uint8_t green,
                      std::uint8_t blue) {
    RgbScene scene{w, h, {}};
    for (int p = 0; p < w * h; ++p) scene.rgb.insert(scene.rgb.end(), {red, green, blue});
    return mosaicScene(scene, layout);
}

// Rows per layout: repairs draw on the defect's own colour, and a flat frame
// whose colours differ in level (a colour cast) marks nothing by itself.
TEST(ConvertCalibration, PlantedDefectsAreRepairedFromTheirOwnColourOnEveryLayout) {
    const std::int32_t w = 32, h = 24;
    for (int layout = 1; layout <= 4; ++layout) {
        GreyFrame flat = colourFrame(w, h, layout, 110, 160, 90);
        GreyFrame frame = colourFrame(w, h, layout, 200, 120, 40);
        const GreyFrame clean = frame;
        std::size_t count = 99;
        EXPECT_EQ(std::vector<std::uint8_t>(flat.samples.size(), 0), detectDefects(flat, 10, count)) << layout;
        EXPECT_EQ(0u, count);
        // Defects at sites of every parity, away from the kept border.
        const std::size_t sites[] = {5 * w + 6, 5 * w + 7, 8 * w + 9, 9 * w + 9, 12 * w + 20, 17 * w + 13};
        for (std::size_t site : sites) {
            flat.samples[site] = 250;
            frame.samples[site] = std::uint8_t(site % 2 ? 0 : 255);
        }
        EXPECT_EQ(6u, eraseDefects(frame, flat, 10, layout)) << layout;
        for (std::size_t i = 0; i < clean.samples.size(); ++i)
            ASSERT_EQ(clean.samples[i], frame.samples[i]) << "layout " << layout << ", sample " << i;
    }
}

TEST(ConvertCalibration, AFlatFrameMarkingTooManySamplesIsRefused) {
    GreyFrame flat = colourFrame(20, 10, PM_LAYOUT_RGGB, 100, 100, 100);
    std::size_t count = 0;
    for (std::size_t i = 0; i < 4; ++i) flat.samples[i * 20 + 8] = 0;  // 4 of 200: 2 %, the limit
    detectDefects(flat, 10, count);
    EXPECT_EQ(4u, count);
    flat.samples[190] = 0;
    try {
        detectDefects(flat, 10, count);
        ADD_FAILURE() << "a map of 5 defects in 200 samples was accepted";
    } catch (const CalibrationError& error) {
        EXPECT_NE(std::string::npos, std::string(error.what()).find("5 of 200")) << error.what();
    }
}

// Black levels that differ per colour are no pattern: only the fixed pattern
// on top of them comes out, and the colour balance stays.
TEST(ConvertCalibration, DarkFramesKeepTheColourBalanceOnEveryLayout) {
    const std::int32_t w = 8, h = 8;
    for (int layout = 1; layout <= 4; ++layout) {
        GreyFrame dark = colourFrame(w, h, layout, 12, 16, 20), frame = colourFrame(w, h, layout, 80, 76, 72);
        const GreyFrame clean = frame;
        for (std::int32_t r = 0; r < h; ++r)
            for (std::int32_t c = 0; c < w; ++c) {
                const int noise = (r / 2 + c / 2) % 2 == 0 ? 3 : -3;  // mean 0 in each colour
                dark.samples[std::size_t(r * w + c)] = std::uint8_t(dark.samples[std::size_t(r * w + c)] + noise);
                frame.samples[std::size_t(r * w + c)] = std::uint8_t(frame.samples[std::size_t(r * w + c)] + noise);
            }
        removePatternNoise(frame, {dark, dark}, layout);
        EXPECT_EQ(clean.samples, frame.samples) << "layout " << layout;
    }
}

TEST(ConvertCalibration, WhiteBalanceThatCannotMeasureIsRefused) {
    // A side of 4 leaves nothing to measure: the library gives gains of 0.
    const BgrImage small{4, 6, std::vector<std::uint8_t>(4 * 6 * 3, 100)};
    EXPECT_THROW(measureGains(small), CalibrationError);
    BgrImage noBlue{8, 8, std::vector<std::uint8_t>(8 * 8 * 3, 100)};
    for (std::size_t i = 0; i < noBlue.bytes.size(); i += 3) noBlue.bytes[i] = 0;
    EXPECT_THROW(measureGains(noBlue), CalibrationError);
    EXPECT_TRUE(gammaTables(1.0).red.empty());  // gamma 1 is no curve, not a lossy one
}

}  // namespace

// The built-in test scene of pixmill-convert: its Bayer sampling against the
// layout table, and its colour bars coming back unchanged through the
// library's bilinear conversion in every layout.
#include <gtest/gtest.h>

#include "pixmill.h"
#include "test_scene.h"
#include "test_support.h"

using pmtest::colourAt;

namespace {

int channelOf(char colour) { return colour == 'R' ? 0 : colour == 'G' ? 1 : 2; }

const std::uint8_t kBars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                  {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};

TEST(TestScene, MosaicKeepsTheSiteColourOfEveryLayout) {
    const pmtool::RgbScene scene = pmtool::makeTestScene();
    ASSERT_EQ(640, scene.width);
    ASSERT_EQ(480, scene.height);
    ASSERT_EQ(640u * 480u * 3u, scene.rgb.size());
    for (int layout = 1; layout <= 4; ++layout) {
        const pmtool::GreyFrame frame = pmtool::mosaicScene(scene, layout);
        ASSERT_EQ(scene.width, frame.width);
        ASSERT_EQ(scene.height, frame.height);
        for (int r = 0; r < frame.height; ++r)
            for (int c = 0; c < frame.width; ++c) {
                const std::size_t at = std::size_t(r) * std::size_t(frame.width) + std::size_t(c);
                const char colour = colourAt(layout, r, c);
                ASSERT_EQ(scene.rgb[at * 3 + std::size_t(channelOf(colour))], frame.samples[at])
                    << "sample row " << r << " column " << c << " (" << colour << ") layout " << layout;
            }
    }
    for (int bad : {0, 5, -1}) EXPECT_THROW(pmtool::mosaicScene(scene, bad), std::invalid_argument) << bad;
}

// Inside a uniform bar every interpolated colour equals the bar's, so a
// mosaic laid out differently from the library's reading would show up as
// swapped channels here.
TEST(TestScene, BarsSurviveBilinearConversionInEveryLayout) {
    const pmtool::RgbScene scene = pmtool::makeTestScene();
    const int w = scene.width, h = scene.height;
    for (int layout = 1; layout <= 4; ++layout) {
        for (int flip = 0; flip <= 1; ++flip) {
            const pmtool::GreyFrame frame = pmtool::mosaicScene(scene, layout);
            std::vector<std::uint8_t> bgr(std::size_t(w) * h * 3);
            ASSERT_EQ(1, ConvertBayer2Rgb(bgr.data(), frame.samples.data(), w, h, PM_METHOD_BILINEAR, nullptr,
                                          nullptr, nullptr, flip, layout));
            for (int bar = 0; bar < 8; ++bar)
                for (int y = 4; y < 150; y += 7)
                    for (int x = bar * 80 + 3; x < bar * 80 + 77; x += 5) {
                        const int row = flip ? h - 1 - y : y;
                        const std::uint8_t* px = &bgr[(std::size_t(row) * w + std::size_t(x)) * 3];
                        for (int ch = 0; ch < 3; ++ch)
                            ASSERT_EQ(kBars[bar][ch], px[2 - ch])
                                << "pixel row " << y << " column " << x << " channel " << "RGB"[ch] << " layout "
                                << layout << " flip " << flip << ", " << w << "x" << h;
                    }
        }
    }
}

}  // namespace

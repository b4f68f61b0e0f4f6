// Forward-window interpolation (codes 5 and 7) and its rotated form (code 9)
// against models written from the window rules, on random frames in every
// layout, flip value and table set.  This binary runs many tests in one
// process, so tests here set the smoothing flag themselves; the unsmoothed
// result of code 5 in a fresh process is checked by the lifecycle tests, and
// the unsmoothed kernel directly below.
#include <gtest/gtest.h>

#include "demosaic/forward_window_kernel.h"
#include "forward_window_model.h"
#include "frame/library_state.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

int evenSize(std::mt19937& rng, int steps) { return 4 + 2 * int(rng() % unsigned(steps)); }

TEST(ForwardWindow, SmoothedCodesMatchModelOnRandomFrames) {
    pm::setSmoothing();
    std::mt19937 rng(5070);
    const auto tables = tableSets(55);
    for (int trial = 0; trial < 40; ++trial) {
        const int w = evenSize(rng, 16), h = evenSize(rng, 16);
        const Bytes raw = randomBytes(static_cast<std::size_t>(w) * h, rng());
        const Bytes before = randomBytes(static_cast<std::size_t>(w) * h * 3, rng());
        for (int layout = 1; layout <= 4; ++layout) {
            for (std::int32_t flip : flipValues()) {
                for (const TableSet& t : tables) {
                    const Bytes expected = modelForwardWindow(raw, w, h, t, flip, layout, true, before);
                    for (std::int32_t code : {PM_METHOD_FORWARD_WINDOW, PM_METHOD_SMOOTHED_WINDOW}) {
                        Bytes image = before;
                        ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), w, h, code, t.r(), t.g(), t.b(),
                                                      flip, layout));
                        ASSERT_TRUE(sameImage(expected, image, w, 3,
                                              "code " + std::to_string(code) + ", " +
                                                  describe(layout, w, h, flip, t.name)));
                    }
                }
            }
        }
    }
    EXPECT_EQ(1, pm::smoothingFlag.load());
}

// The row kernel as the record pipelines and the earlier builds will use it:
// 8-bit and 16-bit samples, with the smoothing policy fixed at compile time.
template <typename Smoothing, typename Value>
std::vector<Value> runKernel(const std::vector<Value>& raw, int w, int h, int layout, bool bottomUp,
                             const std::vector<Value>& red, const std::vector<Value>& green,
                             const std::vector<Value>& blue, std::vector<Value> image) {
    const pm::BgrWriter<Value> writer{image.data(), w, h, bottomUp, red.data(), green.data(), blue.data()};
    pm::forwardWindowImage<Smoothing>(layout, raw.data(), w, h, writer);
    return image;
}

template <typename Value>
void checkKernel(std::uint32_t seed, unsigned valueRange) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<unsigned> value(0, valueRange - 1);
    auto randomValues = [&](std::size_t n) {
        std::vector<Value> v(n);
        for (auto& x : v) x = static_cast<Value>(value(rng));
        return v;
    };
    const std::vector<Value> red = randomValues(valueRange), green = randomValues(valueRange),
                             blue = randomValues(valueRange);
    for (int trial = 0; trial < 12; ++trial) {
        const int w = evenSize(rng, 10), h = evenSize(rng, 10);
        const std::vector<Value> raw = randomValues(static_cast<std::size_t>(w) * h);
        const std::vector<unsigned> wide(raw.begin(), raw.end());
        const std::vector<Value> before = randomValues(static_cast<std::size_t>(w) * h * 3);
        for (int layout = 1; layout <= 4; ++layout) {
            for (bool bottomUp : {false, true}) {
                for (bool smooth : {false, true}) {
                    const std::vector<Value> image =
                        smooth ? runKernel<pm::SmoothingAlways>(raw, w, h, layout, bottomUp, red, green, blue, before)
                               : runKernel<pm::SmoothingNever>(raw, w, h, layout, bottomUp, red, green, blue, before);
                    for (int r = 0; r < h; ++r) {
                        for (int c = 0; c < w; ++c) {
                            const int row = bottomUp ? h - 1 - r : r;
                            const std::size_t at = (static_cast<std::size_t>(row) * w + c) * 3;
                            Value expected[3] = {before[at], before[at + 1], before[at + 2]};
                            if (r < h - 1 && c < w - 1) {
                                const Channels v = windowChannels(wide, w, layout, r, c, smooth);
                                expected[0] = blue[v.blue];
                                expected[1] = green[v.green];
                                expected[2] = red[v.red];
                            }
                            for (int k = 0; k < 3; ++k)
                                ASSERT_EQ(expected[k], image[at + k])
                                    << sizeof(Value) * 8 << "-bit, smoothing " << smooth << ", "
                                    << describe(layout, w, h, bottomUp) << ": pixel (" << r << ", " << c
                                    << "), byte " << k;
                        }
                    }
                }
            }
        }
    }
}

TEST(ForwardWindow, KernelForEachSampleWidthAndSmoothingPolicy) {
    checkKernel<std::uint8_t>(81, 256);
    // Samples up to 65535: the sum of two greens needs more than 16 bits.
    checkKernel<std::uint16_t>(82, 65536);
}

TEST(ForwardWindow, GreenRowsOfZeroAndFullAverageWhenSmoothed) {
    // Greens are 0 in even rows and 255 in odd rows; every other sample is
    // distinct from both so a wrong pick shows.
    pm::setSmoothing();
    for (int layout = 1; layout <= 4; ++layout) {
        Bytes raw(10 * 8);
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 10; ++c)
                raw[static_cast<std::size_t>(r) * 10 + c] =
                    colourAt(layout, r, c) == 'G' ? (r % 2 ? 255 : 0) : std::uint8_t(40 + r * 10 + c);
        Bytes image(10 * 8 * 3);
        ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 10, 8, 7, nullptr, nullptr, nullptr, 0, layout));
        for (int p = 0; p < 80; ++p) ASSERT_EQ(127, image[p * 3 + 1]) << "layout " << layout << ", pixel " << p;
    }
}

TEST(ForwardWindow, UnknownLayoutOnlyExtendsTheBorder) {
    const Bytes raw = randomBytes(8 * 6, 3);
    for (std::int32_t code : {5, 7}) {
        for (int layout : {0, 5, -1}) {
            Bytes image = randomBytes(8 * 6 * 3, 4);
            Bytes expected = image;
            referenceBorder(expected, 8, 6, 1, 3);
            ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), 8, 6, code, nullptr, nullptr, nullptr, 0, layout));
            EXPECT_TRUE(sameImage(expected, image, 8, 3,
                                  "code " + std::to_string(code) + ", layout " + std::to_string(layout)));
        }
    }
}

TEST(ForwardWindow, RefusedSizesWriteNothing) {
    const Bytes raw = randomBytes(64 * 64, 1);
    const int sizes[][2] = {{3, 8}, {8, 3}, {2, 2}, {5, 8}, {8, 7}, {0, 8}, {8, 0}, {-4, 8}, {8, -4}, {-2, -2}};
    for (std::int32_t code : {5, 7, 9}) {
        for (const auto& size : sizes) {
            Bytes image(64 * 64 * 3, 0xAB);
            EXPECT_EQ(0, ConvertBayer2Rgb(image.data(), raw.data(), size[0], size[1], code, nullptr, nullptr,
                                          nullptr, 0, 1))
                << "code " << code << ", " << size[0] << "x" << size[1];
            for (std::uint8_t v : image) ASSERT_EQ(0xAB, v);
        }
    }
}

// Code 9: the smoothed values at destination row x, column h - 1 - r (r with
// flip) of a destination w rows of h pixels; the column of the source's last
// row copies its neighbour in every row, then the last row (the source's last
// column) copies the row before it.
Bytes modelRotated(const Bytes& raw8, int w, int h, const TableSet& t, std::int32_t flip, int layout, Bytes image) {
    const std::vector<unsigned> raw = widen(raw8);
    const bool transposed = (flip & 0xFF) != 0;
    auto px = [&](int row, int column) { return &image[(static_cast<std::size_t>(row) * h + column) * 3]; };
    if (layout >= 1 && layout <= 4) {
        for (int r = 0; r < h - 1; ++r) {
            for (int x = 0; x < w - 1; ++x) {
                const Channels v = windowChannels(raw, w, layout, r, x, true);
                std::uint8_t* p = px(x, transposed ? r : h - 1 - r);
                p[0] = t.mapB(v.blue);
                p[1] = t.mapG(v.green);
                p[2] = t.mapR(v.red);
            }
        }
    }
    for (int row = 0; row < w; ++row) {
        if (transposed)
            std::memcpy(px(row, h - 1), px(row, h - 2), 3);
        else
            std::memcpy(px(row, 0), px(row, 1), 3);
    }
    std::memcpy(px(w - 1, 0), px(w - 2, 0), static_cast<std::size_t>(h) * 3);
    return image;
}

TEST(RotatedTwoByTwo, MatchesModelOnRandomFrames) {
    std::mt19937 rng(9009);
    const auto tables = tableSets(99);
    // Random sizes, plus sizes that span several of the method's tiles in
    // either direction.
    std::vector<std::pair<int, int>> sizes = {{70, 66}, {4, 68}, {68, 4}, {34, 34}};
    for (int trial = 0; trial < 36; ++trial) sizes.push_back({evenSize(rng, 16), evenSize(rng, 16)});
    for (const auto& [w, h] : sizes) {
        const Bytes raw = randomBytes(static_cast<std::size_t>(w) * h, rng());
        const Bytes before = randomBytes(static_cast<std::size_t>(w) * h * 3, rng());
        for (int layout = 1; layout <= 4; ++layout) {
            for (std::int32_t flip : flipValues()) {
                for (const TableSet& t : tables) {
                    Bytes image = before;
                    ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), w, h, PM_METHOD_ROTATED_TWO_BY_TWO,
                                                  t.r(), t.g(), t.b(), flip, layout));
                    // The destination is h pixels wide.
                    ASSERT_TRUE(sameImage(modelRotated(raw, w, h, t, flip, layout, before), image, h, 3,
                                          "code 9, " + describe(layout, w, h, flip, t.name)));
                }
            }
        }
    }
    EXPECT_EQ(1, pm::smoothingFlag.load());
}

TEST(RotatedTwoByTwo, InteriorIsTheTurnedCode7Image) {
    const int w = 10, h = 6;
    const Bytes raw = randomBytes(w * h, 17);
    const Bytes red = randomBytes(256, 18);
    for (int layout = 1; layout <= 4; ++layout) {
        for (std::int32_t flip : {0, 1}) {
            Bytes upright(w * h * 3), turned(w * h * 3, 0);
            ASSERT_EQ(1, ConvertBayer2Rgb(upright.data(), raw.data(), w, h, 7, red.data(), nullptr, nullptr, 0,
                                          layout));
            ASSERT_EQ(1, ConvertBayer2Rgb(turned.data(), raw.data(), w, h, 9, red.data(), nullptr, nullptr, flip,
                                          layout));
            for (int r = 1; r < h - 1; ++r)
                for (int x = 1; x < w - 1; ++x)
                    for (int k = 0; k < 3; ++k)
                        ASSERT_EQ(upright[(r * w + x) * 3 + k], turned[(x * h + (flip ? r : h - 1 - r)) * 3 + k])
                            << describe(layout, w, h, flip) << ": source pixel (" << r << ", " << x << "), byte "
                            << k;
        }
    }
}

TEST(RotatedTwoByTwo, EveryByteWrittenWhateverTheDestinationHeld) {
    // Two destinations with different previous contents give the same image.
    const int w = 8, h = 12;
    const Bytes raw = randomBytes(w * h, 31);
    for (int layout = 1; layout <= 4; ++layout) {
        for (std::int32_t flip : {0, 1}) {
            Bytes zeros(w * h * 3, 0), ones(w * h * 3, 0xFF);
            ASSERT_EQ(1, ConvertBayer2Rgb(zeros.data(), raw.data(), w, h, 9, nullptr, nullptr, nullptr, flip, layout));
            ASSERT_EQ(1, ConvertBayer2Rgb(ones.data(), raw.data(), w, h, 9, nullptr, nullptr, nullptr, flip, layout));
            EXPECT_TRUE(sameImage(zeros, ones, h, 3, describe(layout, w, h, flip)));
        }
    }
}

TEST(RotatedTwoByTwo, UnknownLayoutRunsOnlyTheBorderStep) {
    const int w = 6, h = 8;
    const Bytes raw = randomBytes(w * h, 41);
    const TableSet none{"null", {}, {}, {}};
    for (int layout : {0, 5, -3}) {
        for (std::int32_t flip : {0, 1}) {
            const Bytes before = randomBytes(w * h * 3, 42);
            Bytes image = before;
            ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), w, h, 9, nullptr, nullptr, nullptr, flip, layout));
            EXPECT_TRUE(sameImage(modelRotated(raw, w, h, none, flip, layout, before), image, h, 3,
                                  describe(layout, w, h, flip)));
        }
    }
}

}  // namespace

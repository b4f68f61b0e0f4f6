// White-balance measurement against a model that sums the window pixel by
// pixel, for 8-bit and 16-bit components, plus hand-worked images.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <tuple>

#include "calib/white_balance.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

struct Ratios {
    double red, green, blue;
    bool operator==(const Ratios& o) const { return red == o.red && green == o.green && blue == o.blue; }
};
std::ostream& operator<<(std::ostream& s, const Ratios& r) {
    return s << "{red " << r.red << ", green " << r.green << ", blue " << r.blue << "}";
}
constexpr double kUntouched = -123.25;
constexpr Ratios kKept{kUntouched, kUntouched, kUntouched};

// Components as plain numbers (blue, green, red per pixel); the window is the
// interior, or the centre for the earlier builds.
Ratios modelRatios(const std::vector<unsigned>& px, int w, int h, bool centre) {
    const long r0 = centre ? h / 4 : 2, r1 = centre ? 3L * h / 4 : h - 2;
    const long c0 = centre ? w / 4 : 2, c1 = centre ? 3L * w / 4 : w - 2;
    std::uint64_t sum[3] = {}, count = 0;
    for (long r = r0; r < r1; ++r)
        for (long c = c0; c < c1; ++c, ++count)
            for (int k = 0; k < 3; ++k) sum[k] += px[(r * w + c) * 3 + k];
    auto mean = [&](int k) { return count ? double(sum[k]) / double(count) : 0.0; };
    auto ratio = [&](double m) { return m >= 1e-9 ? mean(1) / m : 0.0; };
    return {ratio(mean(2)), ratio(mean(1)), ratio(mean(0))};
}

// Stores the components as the format lays them out (16-bit little-endian),
// starting `shift` bytes into the buffer, and measures into `out`.
int measure(const std::vector<unsigned>& px, int w, int h, int format, Ratios& out, std::size_t shift = 0,
            const pm::WhiteBalancePolicy& policy = pm::kCurrentWhiteBalance) {
    Bytes buffer(shift + px.size() * 2);
    for (std::size_t i = 0; i < px.size(); ++i) {
        if (format == PM_FORMAT_BGR16) {
            buffer[shift + 2 * i] = std::uint8_t(px[i] & 0xFF);
            buffer[shift + 2 * i + 1] = std::uint8_t(px[i] >> 8);
        } else {
            buffer[shift + i] = std::uint8_t(px[i]);
        }
    }
    out = kKept;
    return pm::measureWhiteBalance(buffer.data() + shift, w, h, format, &out.red, &out.green, &out.blue, policy);
}

std::vector<unsigned> uniform(int w, int h, unsigned b, unsigned g, unsigned r) {
    std::vector<unsigned> px;
    for (long i = 0; i < long(w) * h; ++i) px.insert(px.end(), {b, g, r});
    return px;
}

TEST(WhiteBalance, MatchesModelOnRandomImages) {
    std::mt19937 rng(4401);
    for (int trial = 0; trial < 300; ++trial) {
        const int w = 4 + int(rng() % 20), h = 4 + int(rng() % 20);
        const int format = trial % 2 ? PM_FORMAT_BGR16 : PM_FORMAT_BGR8;
        std::vector<unsigned> px(std::size_t(w) * h * 3);
        for (auto& v : px) v = rng() % (format == PM_FORMAT_BGR16 ? 65536 : 256);
        if (trial % 7 == 0)  // a channel without any signal
            for (std::size_t i = std::size_t(trial % 3); i < px.size(); i += 3) px[i] = 0;
        const std::string context = "format " + std::to_string(format) + ", " + describe(0, w, h, 0);
        Ratios got, exported = kKept;
        ASSERT_EQ(1, measure(px, w, h, format, got, std::size_t(trial % 3)));
        EXPECT_EQ(modelRatios(px, w, h, false), got) << context;
        if (format == PM_FORMAT_BGR8) {
            const Bytes bytes(px.begin(), px.end());
            ASSERT_EQ(1, GetWhiteBalanceRatio(bytes.data(), w, h, &exported.red, &exported.green, &exported.blue));
            EXPECT_EQ(got, exported) << context;
        }
        // The earlier builds' centre window and odd-size refusal.
        const int expected = (w % 2 == 0 && h % 2 == 0) ? 1 : 0;
        ASSERT_EQ(expected, measure(px, w, h, format, got, 0, pm::kEarlierWhiteBalance)) << context;
        if (expected) {
            EXPECT_EQ(modelRatios(px, w, h, true), got) << context << ", centre window";
        }
    }
}

TEST(WhiteBalance, HandWorkedImages) {
    // Uniform images, measured or not: an empty window (a side of 4) or a
    // format other than 4 and 6 gives all ratios 0.
    const struct {
        int w, h, format;
        unsigned b, g, r;
        Ratios expected;
    } cases[] = {
        {9, 7, 4, 128, 128, 128, {1.0, 1.0, 1.0}}, {8, 6, 4, 50, 100, 200, {0.5, 1.0, 2.0}},
        {8, 6, 6, 50, 100, 0, {0.0, 1.0, 2.0}},    {8, 6, 4, 50, 0, 200, {0.0, 0.0, 0.0}},
        {4, 9, 4, 9, 9, 9, {0.0, 0.0, 0.0}},       {9, 4, 6, 9, 9, 9, {0.0, 0.0, 0.0}},
        {4, 4, 4, 9, 9, 9, {0.0, 0.0, 0.0}},       {9, 9, 0, 9, 9, 9, {0.0, 0.0, 0.0}},
        {9, 9, 5, 9, 9, 9, {0.0, 0.0, 0.0}},       {9, 9, 9, 9, 9, 9, {0.0, 0.0, 0.0}},
        {9, 9, -1, 9, 9, 9, {0.0, 0.0, 0.0}},
        // 296 x 296 interior pixels at 65535 sum past 2^32: a wrapped sum
        // would give a wrong green mean.
        {300, 300, 6, 65535, 65535, 32768, {65535.0 / 32768.0, 1.0, 1.0}},
    };
    Ratios got;
    for (const auto& c : cases) {
        ASSERT_EQ(1, measure(uniform(c.w, c.h, c.b, c.g, c.r), c.w, c.h, c.format, got)) << c.w << "x" << c.h;
        EXPECT_EQ(c.expected, got) << c.w << "x" << c.h << ", format " << c.format << ", " << c.b << "/" << c.g
                                   << "/" << c.r;
    }

    // A 5 x 5 image measures only its centre; the two outer rings do not count.
    std::vector<unsigned> five = uniform(5, 5, 7, 250, 3);
    five[(2 * 5 + 2) * 3 + 0] = 10, five[(2 * 5 + 2) * 3 + 1] = 30, five[(2 * 5 + 2) * 3 + 2] = 60;
    ASSERT_EQ(1, measure(five, 5, 5, PM_FORMAT_BGR8, got));
    EXPECT_EQ((Ratios{0.5, 1.0, 3.0}), got) << "5x5";

    // Earlier builds: an 8 x 8 image measures rows and columns 2 to 5.
    std::vector<unsigned> eight = uniform(8, 8, 1, 1, 1);
    for (int r = 2; r <= 5; ++r)
        for (int c = 2; c <= 5; ++c) eight[(r * 8 + c) * 3 + 2] = 4;
    ASSERT_EQ(1, measure(eight, 8, 8, PM_FORMAT_BGR8, got, 0, pm::kEarlierWhiteBalance));
    EXPECT_EQ((Ratios{0.25, 1.0, 1.0}), got) << "8x8 centre window";
}

TEST(WhiteBalance, RefusalsKeepTheOutputs) {
    Ratios got;
    for (auto [w, h] : {std::pair{3, 9}, {9, 3}, {0, 9}, {9, -5}, {-7, -7}}) {
        ASSERT_EQ(0, measure(uniform(9, 9, 9, 9, 9), w, h, PM_FORMAT_BGR8, got)) << w << "x" << h;
        EXPECT_EQ(kKept, got) << w << "x" << h;
    }
    EXPECT_EQ(0, measure(uniform(7, 8, 9, 9, 9), 7, 8, PM_FORMAT_BGR8, got, 0, pm::kEarlierWhiteBalance));
    Ratios kept = kKept;
    EXPECT_EQ(0, GetWhiteBalanceRatio(nullptr, 9, 9, &kept.red, &kept.green, &kept.blue));
    EXPECT_EQ(0, pm::measureWhiteBalance(nullptr, 9, 9, PM_FORMAT_BGR16, &kept.red, &kept.green, &kept.blue));
    EXPECT_EQ(kKept, kept) << "null image";

    // Null ratio pointers are skipped; the others are still written.
    const Bytes image(6 * 6 * 3, 100);
    double blue = kUntouched;
    EXPECT_EQ(1, GetWhiteBalanceRatio(image.data(), 6, 6, nullptr, nullptr, &blue));
    EXPECT_EQ(1.0, blue);
    EXPECT_EQ(1, GetWhiteBalanceRatio(image.data(), 6, 6, nullptr, nullptr, nullptr));
}

}  // namespace

// Image adjustments against plain models written from their descriptions:
// tone curves, quarter turns (all four entry points), sharpening and region
// colour correction, with the documented figures as table rows.
#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <cstdlib>
#include <limits>
#include <new>

#include "adjust/rotate.h"
#include "adjust/sharpen.h"
#include "adjust/tone_curve.h"
#include "demosaic/vector/vector_paths.h"
#include "pixmill.h"
#include "pixmill_decorated.hpp"
#include "test_support.h"

using namespace pmtest;

// Test-controlled failure of the nothrow array allocation the sharpening
// uses for its scratch rows; every other allocation goes through untouched.
namespace {
bool failNothrowArrays = false;
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (failNothrowArrays) return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

// ---- Tone curves --------------------------------------------------------

// The curve of the description, step by step: control points, segment
// controls, Bezier samples, bytes.
Bytes curveModel(const std::vector<std::pair<double, double>>& p, int segments) {
    double curve[256];
    for (double& v : curve) v = -1.0;  // must all be overwritten
    const auto slope = [&](int a, int b) { return (p[b].second - p[a].second) / (p[b].first - p[a].first); };
    for (int b = 0; b < segments; ++b) {
        const double x0 = p[b].first, y0 = p[b].second, x1 = p[b + 1].first, y1 = p[b + 1].second;
        const double dx = x1 - x0;
        const bool before = b > 0, after = b + 2 < int(p.size());
        double c1 = y0 + (y1 - y0) * 0.3333333333333333, c2 = y0 + (y1 - y0) * 0.6666666666666666;
        if (after) c2 = y1 - slope(b, b + 2) * dx * 0.3333333333333333;
        if (before) c1 = y0 + slope(b - 1, b + 1) * dx * 0.3333333333333333;
        if (after && !before) c1 = y0 + (c2 - y0) * 0.5;
        if (before && !after) c2 = y1 + (c1 - y1) * 0.5;
        const int k = int(255 * dx + 0.5), start = int(255 * x0 + 0.5);
        for (int i = 0; i <= k && start + i < 256; ++i) {
            const double t = (i / dx) / 255.0, u = 1.0 - t;
            const double y = u * (u * (u * y0 + 3 * (t * c1)) + 3 * (t * t * c2)) + t * t * t * y1;
            curve[start + i] = std::isnan(y) ? 0.0 : std::min(1.0, std::max(0.0, y));
        }
    }
    Bytes table(256);
    for (int k = 0; k < 256; ++k) {
        EXPECT_GE(curve[k], 0.0) << "entry " << k << " never written";
        const int v = int(curve[k] * 255.0 + 0.5);
        table[k] = std::uint8_t(std::min(255, std::max(0, v)));
    }
    return table;
}

constexpr double kR = 0.00392156862745098;

Bytes brightnessModel(int b) {
    const double s = b * 0.8;
    const int hi = int(s * 0.5 + 160.0), lo = int(160.0 - s * 0.5);
    return curveModel({{0, 0}, {lo * kR, hi * kR}, {1, 1}, {1.1, 1.0}}, 2);
}

Bytes contrastModel(int a) {
    const int c = a / 2;
    return curveModel({{0, 0}, {0.24705882352941178, (63 - c) * kR}, {0.5, 0.5}, {0.7490196078431373, (191 + c) * kR},
                       {1, 1}},
                      4);
}

using ToneEntry = decltype(&PmBrightness);

Bytes toneTable(ToneEntry entry, int amount) {
    Bytes out(256, 0xA5);
    EXPECT_EQ(0, entry(identity().data(), 256, amount, out.data())) << "amount " << amount;
    return out;
}

TEST(ToneCurves, DocumentedTables) {
    // Runs of entries from `first`.
    const struct {
        ToneEntry entry;
        const char* name;
        int amount, first;
        std::vector<int> entries;
    } runs[] = {
        {PmBrightness, "brightness", 0, 176, {176, 178}},
        {PmBrightness, "brightness", 0, 192, {194}},
        {PmBrightness, "brightness", 0, 208, {211}},
        {PmBrightness, "brightness", 0, 255, {255}},
        {PmBrightness, "brightness", 150, 0, {0, 3, 6, 8, 11, 14, 17, 20}},
        {PmBrightness, "brightness", -150, 0, {0, 0, 0, 1, 1, 1, 1, 1}},
        {PmBrightness, "brightness", -150, 250, {238}},
        {PmBrightness, "brightness", -150, 255, {255}},
        {PmContrast, "contrast", 100, 128, {128}},
        {PmContrast, "contrast", -50, 0, {0, 2, 3, 5, 6, 8, 10, 11}},
        {PmContrast, "contrast", -50, 128, {128}},
        {PmContrast, "contrast", -50, 255, {255}},
    };
    for (const auto& run : runs) {
        const Bytes t = toneTable(run.entry, run.amount);
        for (std::size_t k = 0; k < run.entries.size(); ++k)
            EXPECT_EQ(run.entries[k], t[run.first + k]) << run.name << " " << run.amount << ", entry " << run.first + k;
    }
    const Bytes b0 = toneTable(PmBrightness, 0), b150 = toneTable(PmBrightness, 150);
    const Bytes c0 = toneTable(PmContrast, 0), c100 = toneTable(PmContrast, 100);
    for (int k = 0; k < 256; ++k) {
        // Brightness 0 leaves the curve above the diagonal from 177 and
        // meets it again just below the top (entries 253 to 255).
        if (k <= 176 || k >= 253) {
            EXPECT_EQ(k, b0[k]) << "brightness 0, entry " << k;
        } else {
            EXPECT_TRUE(b0[k] >= k + 1 && b0[k] <= k + 3) << "brightness 0, entry " << k;
        }
        // 253 from 169 to 220, 252 to 228, 253 to 245, 254 to 252, then 255.
        if (k >= 169) {
            const int expected = k <= 220 ? 253 : k <= 228 ? 252 : k <= 245 ? 253 : k <= 252 ? 254 : 255;
            EXPECT_EQ(expected, b150[k]) << "brightness 150, entry " << k;
        }
        const bool oneBelow = k == 139 || k == 150 || k == 151 || k == 172 || k == 176 || k == 180 || k == 181;
        EXPECT_EQ(oneBelow ? k - 1 : k, c0[k]) << "contrast 0, entry " << k;
        if (k <= 19 || k >= 236) {
            EXPECT_EQ(k <= 19 ? 0 : 255, c100[k]) << "contrast 100, entry " << k;
        }
    }
    EXPECT_LT(b150[168], 253);
    EXPECT_EQ(c0, toneTable(PmContrast, 1));
    EXPECT_EQ(c0, toneTable(PmContrast, -1));
    // Amounts 1 and -1 move the middle point to (159, 160) and (160, 159).
    EXPECT_EQ(curveModel({{0, 0}, {159 * kR, 160 * kR}, {1, 1}, {1.1, 1.0}}, 2), toneTable(PmBrightness, 1));
    EXPECT_EQ(curveModel({{0, 0}, {160 * kR, 159 * kR}, {1, 1}, {1.1, 1.0}}, 2), toneTable(PmBrightness, -1));
}

TEST(ToneCurves, EveryAmountMatchesModelOnRandomBytes) {
    const Bytes source = randomBytes(3000, 41);
    const struct {
        ToneEntry entry;
        const char* name;
        int low, high;
        Bytes (*model)(int);
    } curves[] = {{PmBrightness, "brightness", -150, 150, brightnessModel},
                  {PmContrast, "contrast", -50, 100, contrastModel}};
    for (const auto& curve : curves)
        for (int amount = curve.low; amount <= curve.high; ++amount) {
            const Bytes table = curve.model(amount);
            Bytes expected(source.size());
            for (std::size_t i = 0; i < source.size(); ++i) expected[i] = table[source[i]];
            Bytes out(source.size() + 1, 0xA5), inPlace = source;
            ASSERT_EQ(0, curve.entry(source.data(), int(source.size()), amount, out.data()));
            ASSERT_EQ(0, curve.entry(inPlace.data(), int(inPlace.size()), amount, inPlace.data()));
            ASSERT_EQ(0xA5, out.back()) << curve.name << " " << amount << ": wrote past count";
            out.pop_back();
            ASSERT_TRUE(sameImage(expected, out, int(source.size()), 1, std::string(curve.name) + " " + std::to_string(amount)));
            ASSERT_TRUE(sameImage(expected, inPlace, int(source.size()), 1, std::string(curve.name) + " in place"));
        }
}

TEST(ToneCurves, RefusalsWriteNothing) {
    Bytes source(16, 7);
    const struct {
        ToneEntry entry;
        int amount;
        bool nullSource, nullDestination;
        int count, expected;
    } cases[] = {
        {PmBrightness, 151, true, true, 16, -13}, {PmBrightness, -151, false, false, 16, -13},
        {PmContrast, 101, true, false, 16, -13},  {PmContrast, -51, false, false, 16, -13},
        {PmBrightness, 0, true, false, 16, -12},  {PmContrast, 0, false, true, 16, -12},
        {PmBrightness, 150, false, false, 0, 0},  {PmContrast, 100, false, false, -5, 0},
    };
    for (const auto& c : cases) {
        Bytes out(16, 0xAB);
        const int result = c.entry(c.nullSource ? nullptr : source.data(), c.count, c.amount,
                                   c.nullDestination ? nullptr : out.data());
        EXPECT_EQ(c.expected, result) << "amount " << c.amount << ", count " << c.count;
        EXPECT_EQ(Bytes(16, 0xAB), out) << "amount " << c.amount << ", count " << c.count;
    }
}

// ---- Quarter turns ------------------------------------------------------

int padded(int n) { return (n + 3) / 4 * 4; }

// dst[r][c] = src[height-1-c][r] (fromBottomLeft) or src[c][width-1-r].
Bytes turnModel(const Bytes& src, int w, int h, bool fromBottomLeft, const Bytes& before) {
    Bytes dst = before;
    for (int r = 0; r < w; ++r)
        for (int c = 0; c < h; ++c)
            dst[std::size_t(r) * padded(h) + c] =
                fromBottomLeft ? src[std::size_t(h - 1 - c) * padded(w) + r] : src[std::size_t(c) * padded(w) + w - 1 - r];
    return dst;
}

using PlainTurn = std::int32_t (*)(const std::uint8_t*, std::int32_t, std::int32_t, std::uint8_t*);
using DecoratedTurn = int (*)(unsigned char*, int, int, unsigned char*);
const struct TurnEntry {
    const char* name;
    bool fromBottomLeft;
    PlainTurn plain;
    DecoratedTurn decorated;
} kTurns[] = {
    {"plain CW", true, PmRotate90CW8B, nullptr},
    {"plain CCW", false, PmRotate90CCW8B, nullptr},
    {"decorated CW", false, nullptr, PmRotate90CW8B},
    {"decorated CCW", true, nullptr, PmRotate90CCW8B},
};

int turn(const TurnEntry& e, Bytes& src, int w, int h, Bytes& dst) {
    return e.plain ? e.plain(src.data(), w, h, dst.data()) : e.decorated(src.data(), w, h, dst.data());
}

TEST(QuarterTurns, DocumentedFourByFour) {
    Bytes src(16);
    for (int i = 0; i < 16; ++i) src[i] = std::uint8_t(i);
    const Bytes clockwise = {12, 8, 4, 0, 13, 9, 5, 1, 14, 10, 6, 2, 15, 11, 7, 3};
    const Bytes counter = {3, 7, 11, 15, 2, 6, 10, 14, 1, 5, 9, 13, 0, 4, 8, 12};
    for (const TurnEntry& e : kTurns) {
        Bytes dst(16, 0);
        EXPECT_EQ(0, turn(e, src, 4, 4, dst));
        EXPECT_EQ(e.fromBottomLeft ? clockwise : counter, dst) << e.name;
    }
}

TEST(QuarterTurns, EverySizeMatchesModelWithinBothImages) {
    std::mt19937 rng(90);
    Sizes sizes;
    for (int w = 1; w <= 13; ++w)
        for (int h = 1; h <= 13; ++h) sizes.push_back({w, h});
    for (int k = 0; k < 20; ++k) sizes.push_back({1 + int(rng() % 300), 1 + int(rng() % 300)});
    for (const auto& [w, h] : sizes) {
        // Exactly sized buffers, so a sanitizer build sees any stray access.
        Bytes src = randomBytes(std::size_t(padded(w)) * h, rng());
        const Bytes before = randomBytes(std::size_t(padded(h)) * w, rng());
        for (const TurnEntry& e : kTurns) {
            Bytes dst = before;
            ASSERT_EQ(0, turn(e, src, w, h, dst));
            ASSERT_TRUE(sameImage(turnModel(src, w, h, e.fromBottomLeft, before), dst, padded(h), 1,
                                  std::string(e.name) + " " + std::to_string(w) + "x" + std::to_string(h)));
        }
        // A turn each way restores the source (its padding aside).
        Bytes there(std::size_t(padded(h)) * w), back(src.size());
        PmRotate90CW8B(src.data(), w, h, there.data());
        PmRotate90CCW8B(there.data(), h, w, back.data());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(src[std::size_t(y) * padded(w) + x], back[std::size_t(y) * padded(w) + x]) << w << "x" << h;
    }
}

TEST(QuarterTurns, EmptySizesAndOtherAnglesWriteNothing) {
    Bytes src = randomBytes(64, 3);
    for (const TurnEntry& e : kTurns)
        for (const auto& [w, h] : Sizes{{0, 4}, {4, 0}, {-4, 4}, {4, -1}, {0, 0}, {-2147483647 - 1, 8}}) {
            Bytes dst(64, 0xAB);
            EXPECT_EQ(0, turn(e, src, w, h, dst)) << e.name;
            EXPECT_EQ(Bytes(64, 0xAB), dst) << e.name << " " << w << "x" << h;
        }
    for (const TurnEntry& e : kTurns) {
        Bytes dst(64, 0xAB);
        EXPECT_EQ(0, e.plain ? e.plain(nullptr, 4, 4, dst.data()) : e.decorated(nullptr, 4, 4, dst.data()));
        EXPECT_EQ(Bytes(64, 0xAB), dst) << e.name << ", null source";
        EXPECT_EQ(0, e.plain ? e.plain(src.data(), 4, 4, nullptr) : e.decorated(src.data(), 4, 4, nullptr))
            << e.name << ", null destination";
    }
    // The internal routine turns when the single-precision sine of the
    // negated angle lies beyond +-0.999999; any other angle writes nothing.
    const struct {
        float angle;
        int turn;  // 1: from bottom left, -1: from top right, 0: nothing
    } angles[] = {{90.0f, -1}, {-90.0f, 1}, {89.95f, -1}, {-89.95f, 1}, {89.9f, 0},  {0.0f, 0},
                  {270.0f, 1}, {-270.0f, -1}, {450.0f, -1}, {180.0f, 0}, {std::nanf(""), 0}};
    for (const auto& a : angles) {
        Bytes dst(64, 0xAB);
        EXPECT_EQ(0, pm::rotateQuarter(5, 6, src.data(), a.angle, dst.data()));
        const Bytes expected = a.turn == 0 ? Bytes(64, 0xAB) : turnModel(src, 5, 6, a.turn > 0, Bytes(64, 0xAB));
        EXPECT_EQ(expected, dst) << "angle " << a.angle;
    }
}

// ---- Sharpening -----------------------------------------------------------

int stride24(int w) { return (3 * w + 3) / 4 * 4; }

// Direct 3 x 3 sums over mirrored coordinates (-1 -> 1, n -> n - 2), the
// gain in single precision, padding copied.
Bytes sharpenModel(const Bytes& src, int w, int h, int gain) {
    Bytes dst = src;
    const int s = stride24(w);
    auto mirror = [](int i, int n) { return i < 0 ? 1 : i >= n ? n - 2 : i; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                int box = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) box += src[mirror(y + dy, h) * s + 3 * mirror(x + dx, w) + ch];
                const int v = src[y * s + 3 * x + ch];
                const long long product = (9LL * v - box) * gain;
                const int d = int(product >= 0 ? product / 256 : -((-product + 255) / 256));
                dst[y * s + 3 * x + ch] = std::uint8_t(std::min(255, std::max(0, v + d)));
            }
    return dst;
}

TEST(Sharpening, MatchesModelSeparateAndInPlace) {
    std::mt19937 rng(24);
    Sizes sizes;
    for (int w = 3; w <= 9; ++w)
        for (int h = 3; h <= 6; ++h) sizes.push_back({w, h});
    for (int k = 0; k < 12; ++k) sizes.push_back({3 + int(rng() % 200), 3 + int(rng() % 60)});
    const float amounts[] = {5.0f, 1.0f, 0.0352f, 0.03515f, 2.7182817f, 0.5f, 4.99f};
    for (const auto& [w, h] : sizes)
        for (float amount : amounts) {
            const Bytes src = randomBytes(std::size_t(stride24(w)) * h, rng());
            const Bytes expected = sharpenModel(src, w, h, int(amount * 28.444445f));
            Bytes dst = randomBytes(src.size(), rng()), same = src;
            const std::string context = std::to_string(w) + "x" + std::to_string(h) + " amount " + std::to_string(amount);
            ASSERT_EQ(0, PmSharpen24B(src.data(), w, h, amount, dst.data())) << context;
            ASSERT_TRUE(sameImage(expected, dst, stride24(w), 1, context));
            ASSERT_EQ(0, PmSharpen24B(same.data(), w, h, amount, same.data())) << context;
            ASSERT_TRUE(sameImage(expected, same, stride24(w), 1, context + " in place"));
        }
    // The decorated form has no amount check: negative amounts blur, huge
    // gains are held at 1000000, NaN copies.
    const Bytes src = randomBytes(std::size_t(stride24(7)) * 5, 8);
    const struct {
        float amount;
        int gain;
    } gains[] = {{-2.0f, -56}, {40.0f, 1137}, {1e30f, 1000000}, {-1e30f, -1000000}, {std::nanf(""), 0}};
    for (const auto& g : gains) {
        Bytes in = src, dst(src.size());
        ASSERT_EQ(0, PmEmphasize24B(in.data(), 7, 5, g.amount, dst.data()));
        ASSERT_TRUE(sameImage(sharpenModel(src, 7, 5, g.gain), dst, stride24(7), 1, "gain " + std::to_string(g.gain)));
    }
}

TEST(Sharpening, DocumentedCases) {
    // One byte of 200 on 100 at pixel (3, 3), blue channel, amount 1.
    const int w = 7, h = 7, s = stride24(w);
    Bytes img(std::size_t(s) * h, 100);
    img[3 * s + 9] = 200;
    Bytes out(img.size());
    ASSERT_EQ(0, PmSharpen24B(img.data(), w, h, 1.0f, out.data()));
    for (int y = 2; y <= 4; ++y)
        for (int x = 2; x <= 4; ++x)
            EXPECT_EQ(x == 3 && y == 3 ? 255 : 89, out[y * s + 3 * x]) << "pixel " << x << ", " << y;
    EXPECT_EQ(100, out[3 * s + 10]);
    // Uniform images stay as they are, at the largest gain.
    Bytes uniform(std::size_t(stride24(5)) * 4, 77), copy(uniform.size());
    ASSERT_EQ(0, PmSharpen24B(uniform.data(), 5, 4, 5.0f, copy.data()));
    EXPECT_EQ(uniform, copy);
}

TEST(Sharpening, RefusalsWriteNothing) {
    Bytes src = randomBytes(std::size_t(stride24(4)) * 4, 5);
    const struct {
        float amount;
        int w, h;
        bool nullSource, nullDestination;
        int expected;
    } cases[] = {
        {0.0f, 4, 4, false, false, -13},        {-1.0f, 4, 4, false, false, -13},
        {5.0001f, 4, 4, true, true, -13},       {std::nanf(""), 4, 4, false, false, -13},
        {std::numeric_limits<float>::infinity(), 4, 4, false, false, -13},
        {1.0f, 2, 4, false, false, -13},        {1.0f, 4, 2, true, false, -13},
        {1.0f, -3, 4, false, false, -13},       {1.0f, 4, 4, false, true, -12},
        {1.0f, 4, 4, true, false, -12},
    };
    for (const auto& c : cases) {
        Bytes dst(src.size(), 0xAB);
        EXPECT_EQ(c.expected, PmSharpen24B(c.nullSource ? nullptr : src.data(), c.w, c.h, c.amount,
                                           c.nullDestination ? nullptr : dst.data()))
            << "amount " << c.amount << ", " << c.w << "x" << c.h;
        EXPECT_EQ(Bytes(src.size(), 0xAB), dst) << "amount " << c.amount << ", " << c.w << "x" << c.h;
    }
    Bytes dst(src.size(), 0xAB);
    EXPECT_EQ(-13, PmEmphasize24B(src.data(), 4, 1, 1.0f, dst.data()));
    EXPECT_EQ(-12, PmEmphasize24B(nullptr, 4, 4, 1.0f, dst.data()));
    failNothrowArrays = true;
    EXPECT_EQ(-14, PmSharpen24B(src.data(), 4, 4, 1.0f, dst.data()));
    EXPECT_EQ(-14, PmEmphasize24B(src.data(), 4, 4, 1.0f, dst.data()));
    failNothrowArrays = false;
    EXPECT_EQ(Bytes(src.size(), 0xAB), dst);
}

// ---- Region colour correction ---------------------------------------------

struct CorrectionModel {
    int linear[256], encode[4096];
    double matrix[3][3] = {{2.3575837, -0.6381306, -0.1427682},  // red out from red, green, blue in
                           {-0.29117, 1.944898, -0.2019927},
                           {-0.02574, -0.5427545, 1.8808441}};
    CorrectionModel() {
        for (int i = 0; i < 256; ++i) linear[i] = int(4096.0 * std::pow(i / 256.0, 2.34));
        for (int i = 0; i < 4096; ++i) encode[i] = int(4096.0 * std::pow(i / 4096.0, 0.45));
    }
    void pixel(std::uint8_t* p) const {
        const int in[3] = {linear[p[2]], linear[p[1]], linear[p[0]]};  // red, green, blue
        int out[3];
        for (int o = 0; o < 3; ++o) {
            out[o] = 0;
            for (int i = 0; i < 3; ++i) out[o] += int(matrix[o][i] * in[i]);
            out[o] = std::min(4095, std::max(0, out[o]));
        }
        p[0] = std::uint8_t(encode[out[2]] >> 4);
        p[1] = std::uint8_t(encode[out[1]] >> 4);
        p[2] = std::uint8_t(encode[out[0]] >> 4);
    }
};

TEST(ColorCorrection, DocumentedPixelsAndTables) {
    const CorrectionModel model;
    EXPECT_EQ(4058, model.linear[255]);
    EXPECT_EQ(809, model.linear[128]);
    EXPECT_EQ(0, model.linear[7]);
    EXPECT_EQ(97, model.encode[1]);
    EXPECT_EQ(2998, model.encode[2048]);
    EXPECT_EQ(4095, model.encode[4095]);
    EXPECT_EQ(9654, int(model.matrix[0][0] * 4095));
    EXPECT_EQ(-2613, int(model.matrix[0][1] * 4095));
    // Blue, green, red in and out.
    const struct {
        Bytes in, out;
    } pixels[] = {{{0, 0, 0}, {0, 0, 0}},
                  {{100, 100, 100}, {107, 112, 116}},
                  {{255, 255, 255}, {255, 255, 255}},
                  {{0, 0, 128}, {0, 0, 181}}};
    for (const auto& p : pixels) {
        Bytes image = p.in;
        ROIColorCorrection(image.data(), 0, 0, 1, 1, 1, 12345);
        EXPECT_EQ(p.out, image) << int(p.in[0]) << ", " << int(p.in[1]) << ", " << int(p.in[2]);
    }
    ROIColorCorrection(nullptr, 0, 0, 4, 4, 4, 0);  // does nothing
}

TEST(ColorCorrection, RegionsClippedToTheImage) {
    const CorrectionModel model;
    std::mt19937 rng(44);
    const int w = 23, h = 17;
    const Bytes original = randomBytes(std::size_t(w) * h * 3, 45);
    // x0, y0, region width, region height; rows must stay above h.
    const std::vector<std::array<int, 4>> regions = {
        {0, 0, w, h}, {3, 2, 5, 7}, {-4, -3, 10, 8}, {20, 10, 50, 7}, {0, 0, 0, 5}, {0, 0, 5, 0},
        {-10, 0, 5, 3}, {w, 0, 3, 3}, {-2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647 - 1000}, {5, 16, 2147483647, 1}};
    for (const auto& [x0, y0, rw, rh] : regions) {
        Bytes image = original, expected = original;
        for (long long y = std::max(y0, 0); y < std::min<long long>(h, (long long)y0 + rh); ++y)
            for (long long x = std::max(x0, 0); x < std::min<long long>(w, (long long)x0 + rw); ++x)
                model.pixel(&expected[std::size_t(y * w + x) * 3]);
        if ((long long)y0 + rh > h) continue;  // rows below the image are the caller's promise
        ROIColorCorrection(image.data(), x0, y0, rw, rh, w, int(rng()));
        ASSERT_TRUE(sameImage(expected, image, w, 3,
                              "region " + std::to_string(x0) + ", " + std::to_string(y0) + ", " + std::to_string(rw) +
                                  "x" + std::to_string(rh)));
    }
    // Every colour against the model: 4096 rows of 4096 pixels.
    Bytes all(std::size_t(3) << 24);
    for (std::size_t i = 0; i < all.size() / 3; ++i) {
        all[3 * i] = std::uint8_t(i);
        all[3 * i + 1] = std::uint8_t(i >> 8);
        all[3 * i + 2] = std::uint8_t(i >> 16);
    }
    Bytes expected = all;
    for (std::size_t i = 0; i < expected.size(); i += 3) model.pixel(&expected[i]);
    ROIColorCorrection(all.data(), 0, 0, 4096, 4096, 4096, 0);
    EXPECT_TRUE(sameImage(expected, all, 4096, 3, "every colour"));
}

// ---- Vector paths against the scalar loops -------------------------------

class AdjustVectorPath : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!pm::simd::pathAvailable(pm::simd::Path::Avx2)) GTEST_SKIP() << "processor lacks AVX2";
    }
};

TEST_F(AdjustVectorPath, ToneMappingEqualsScalarAtEveryLength) {
    using pm::adjust::Path;
    for (std::uint32_t seed = 0; seed < 4; ++seed) {
        pm::ByteTable table;
        const Bytes random = randomBytes(256, seed);
        std::copy(random.begin(), random.end(), table.begin());
        for (std::size_t count : {0, 1, 31, 32, 33, 63, 64, 65, 255, 256, 1000, 4099}) {
            const Bytes source = randomBytes(count, seed + 100);
            Bytes scalar(count + 1, 0xA5), vector(count + 1, 0xA5), inPlace = source;
            pm::mapBytes(source.data(), count, table, scalar.data(), Path::Scalar);
            pm::mapBytes(source.data(), count, table, vector.data(), Path::Avx2);
            pm::mapBytes(inPlace.data(), count, table, inPlace.data(), Path::Avx2);
            inPlace.push_back(0xA5);
            const std::string context = "table " + std::to_string(seed) + ", count " + std::to_string(count);
            ASSERT_TRUE(sameImage(scalar, vector, int(count + 1), 1, context));
            ASSERT_TRUE(sameImage(scalar, inPlace, int(count + 1), 1, context + " in place"));
        }
    }
}

TEST_F(AdjustVectorPath, SharpeningEqualsScalar) {
    using pm::adjust::Path;
    std::mt19937 rng(77);
    // Row lengths (3 x width bytes) below, at and above the 16- and 32-byte
    // blocks; gains of either sign, up to and beyond the vector path's 4095.
    const int widths[] = {3, 4, 5, 6, 7, 10, 11, 12, 13, 21, 22, 23, 64, 101};
    const float amounts[] = {5.0f, 1.0f, 0.2f, -3.0f, 143.9f, -143.9f, 144.0f, 1000.0f};
    for (int w : widths)
        for (float amount : amounts) {
            const int h = 3 + int(rng() % 7);
            const Bytes src = randomBytes(std::size_t(stride24(w)) * h, rng());
            Bytes scalar(src.size()), vector(src.size()), inPlace = src;
            ASSERT_EQ(0, pm::emphasize(src.data(), w, h, amount, scalar.data(), Path::Scalar));
            ASSERT_EQ(0, pm::emphasize(src.data(), w, h, amount, vector.data(), Path::Avx2));
            ASSERT_EQ(0, pm::emphasize(inPlace.data(), w, h, amount, inPlace.data(), Path::Avx2));
            const std::string context = std::to_string(w) + "x" + std::to_string(h) + " amount " + std::to_string(amount);
            ASSERT_TRUE(sameImage(scalar, vector, stride24(w), 1, context));
            ASSERT_TRUE(sameImage(scalar, inPlace, stride24(w), 1, context + " in place"));
        }
}

}  // namespace

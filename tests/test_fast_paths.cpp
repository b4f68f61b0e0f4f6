// Whole conversions of the methods with vector prefixes on each path this
// processor has, and with rows streamed past the cache on the paths that can,
// byte for byte against the same conversion on the scalar path (whose bytes
// the model tests pin down), with guard bytes around the destination.
// Widths run over every even width around the 16- and 32-pixel blocks (and
// the rotated method's 128-column tiles), heights 4 to 8 and beyond its
// 16-row tiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <random>

#include "demosaic/colour_grey.h"
#include "demosaic/method_paths.h"
#include "frame/library_state.h"
#include "legacy/methods.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;
using pm::simd::Path;
using pm::simd::Stores;

namespace {

constexpr std::size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0x5A;

struct PathMethod {
    const char* name;
    decltype(&pm::bilinearOn) method;
    bool turned;  // destination rows are `height` pixels long
};
const PathMethod kMethods[] = {
    {"bilinear", pm::bilinearOn, false},
    {"offset bilinear", pm::offsetBilinearOn, false},
    {"forward window", pm::forwardWindowOn, false},
    {"mapped window", pm::mappedWindowOn, false},
    {"rotated", pm::rotatedTwoByTwoOn, true},
    {"gradient directed", pm::gradientDirectedOn, false},
    {"green guided", pm::greenGuidedOn, false},
    {"laplacian", pm::laplacianGradientOn, false},
    {"sorted median", pm::sortedMedianOn, false},
    {"counted median", pm::countedMedianOn, false},
    {"exact mean counted median", pm::floatCountedMedianOn, false},
    {"colour difference", pm::colourDifferencePlanesOn, false},
    {"directional guided", pm::directionalGreenGuidedOn, false},
};

std::vector<Path> vectorPaths() {
    std::vector<Path> paths;
    for (Path p : {Path::Sse2, Path::Avx, Path::Avx2, Path::Avx512})
        if (pm::simd::pathAvailable(p)) paths.push_back(p);
    return paths;
}

// Each vector path writing in place, and those with whole-line stores also
// streaming (which by themselves only frames larger than the cache do), for
// methods that stream (not the turned one, which writes through its tiles),
// tables that let them (all the identity) and rows long enough to stream
// any block.
std::vector<std::pair<Path, Stores>> vectorRuns(const PathMethod& m, int width, const pm::LookupTables& tables) {
    std::vector<std::pair<Path, Stores>> runs;
    for (Path p : vectorPaths()) runs.push_back({p, Stores::InPlace});
    if (m.turned || !pm::allIdentity(tables) || width < 96) return runs;
    for (Path p : {Path::Avx2, Path::Avx512})
        if (pm::simd::pathAvailable(p)) runs.push_back({p, Stores::Streamed});
    return runs;
}

const char* pathName(Path p) {
    return p == Path::Avx512 ? "AVX-512" : p == Path::Avx2 ? "AVX2" : p == Path::Avx ? "AVX" : "SSE2";
}

// The paths a test compares, printed so that a run under an emulator shows
// which ones it reached.
void reportPaths(const char* what) {
    std::string names;
    for (Path p : vectorPaths()) names += std::string(" ") + pathName(p);
    std::printf("[  paths   ] %s:%s\n", what, names.empty() ? " none" : names.c_str());
}

// With PIXMILL_TEST_SWEEP=blocks (the 32-bit suite under the emulator, some
// 15 times slower, and the unoptimised sanitizer build) the sweeps take only the widths round the 16-, 32- and
// 64-pixel blocks, and the wider frames random contents only.
bool blocksSweep() {
    const char* sweep = std::getenv("PIXMILL_TEST_SWEEP");
    return sweep != nullptr && std::string(sweep) == "blocks";
}

// The even widths to 80 that the sweeps run.
std::vector<int> sweepWidths() {
    std::vector<int> widths;
    for (int w = 4; w <= 80; w += 2)
        if (!blocksSweep() || w <= 6 || (w + 2) % 16 <= 4) widths.push_back(w);
    return widths;
}

// The table sets of test_support.h (null, identity, arbitrary, green only),
// gamma-like curves with a different exponent per channel, an inverting
// table, constant tables and random permutations.
Bytes curve(double exponent) {
    Bytes t(256);
    for (int i = 0; i < 256; ++i) t[std::size_t(i)] = std::uint8_t(255.0 * std::pow(i / 255.0, exponent) + 0.5);
    return t;
}
std::vector<TableSet> allTables(std::uint32_t seed) {
    std::vector<TableSet> sets = tableSets(seed);
    sets.push_back({"curves", curve(0.45), curve(0.55), curve(0.65)});
    Bytes inverting(256), permutation = identity();
    for (int i = 0; i < 256; ++i) inverting[std::size_t(i)] = std::uint8_t(255 - i);
    std::shuffle(permutation.begin(), permutation.end(), std::mt19937(seed));
    sets.push_back({"inverting", inverting, identity(), inverting});
    sets.push_back({"constant", Bytes(256, 200), Bytes(256, 7), Bytes(256, 255)});
    sets.push_back({"permutation", permutation, Bytes(permutation.rbegin(), permutation.rend()), permutation});
    return sets;
}

// Random frames, and structured ones: flat, extremes, a checkerboard of 0
// and 255, a diagonal ramp, a vertical edge.
std::vector<std::pair<const char*, Bytes>> frames(int w, int h, std::uint32_t seed, bool structured) {
    std::vector<std::pair<const char*, Bytes>> list{{"random", randomBytes(std::size_t(w) * h, seed)}};
    if (!structured) return list;
    auto make = [&](const char* name, auto value) {
        Bytes f(std::size_t(w) * h);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) f[std::size_t(r) * w + c] = std::uint8_t(value(r, c));
        list.push_back({name, f});
    };
    make("flat", [](int, int) { return 117; });
    make("zero", [](int, int) { return 0; });
    make("full", [](int, int) { return 255; });
    make("checker", [](int r, int c) { return ((r ^ c) & 1) ? 255 : 0; });
    make("ramp", [](int r, int c) { return (r * 7 + c * 13) & 0xFF; });
    make("edge", [w](int, int c) { return c < w / 2 ? 3 : 252; });
    return list;
}

// Runs `m` on the scalar path and on each vector path for every frame,
// layout, flip and table set; the images must be equal and the guards whole.
::testing::AssertionResult pathsAgree(const PathMethod& m, int w, int h, std::uint32_t seed, bool structured) {
    const std::size_t bytes = std::size_t(w) * h * 3;
    const Bytes before = randomBytes(bytes, seed + 1);
    const std::vector<TableSet> tables = allTables(seed);
    for (const auto& [frameName, raw] : frames(w, h, seed, structured))
        for (int layout : {1, 2, 3, 4, 0, 5, -1})
            for (std::int32_t flip : {0, 1, 0x100})
                for (const TableSet& t : tables) {
                    const pm::LookupTables applied{pm::tableOrIdentity(t.r()), pm::tableOrIdentity(t.g()),
                                                   pm::tableOrIdentity(t.b())};
                    auto run = [&, &raw = raw](Path path, Stores stores) {
                        Bytes out(bytes + 2 * kGuard, kGuardByte);
                        std::copy(before.begin(), before.end(), out.begin() + kGuard);
                        const std::int32_t result =
                            m.method(path, raw.data(), out.data() + kGuard, w, h, applied.red, applied.green,
                                     applied.blue, std::uint32_t(flip), layout, stores);
                        return std::make_pair(result, out);
                    };
                    const auto scalar = run(Path::Scalar, Stores::InPlace);
                    for (const auto& [path, stores] : vectorRuns(m, w, applied)) {
                        const std::string context = std::string(m.name) + " on " + pathName(path) +
                                                    (stores == Stores::Streamed ? " streamed, " : ", ") + frameName +
                                                    " frame, " + describe(layout, w, h, flip, t.name);
                        const auto vector = run(path, stores);
                        if (vector.first != scalar.first)
                            return ::testing::AssertionFailure() << context << ": result " << vector.first;
                        for (std::size_t i = 0; i < kGuard; ++i)
                            if (vector.second[i] != kGuardByte || vector.second[kGuard + bytes + i] != kGuardByte)
                                return ::testing::AssertionFailure() << context << ": guard byte " << i << " written";
                        auto image = [&](const Bytes& out) {
                            return Bytes(out.begin() + kGuard, out.begin() + std::ptrdiff_t(kGuard + bytes));
                        };
                        const auto same = sameImage(image(scalar.second), image(vector.second), m.turned ? h : w, 3,
                                                    context);
                        if (!same) return same;
                    }
                }
    return ::testing::AssertionSuccess();
}

class FastPaths : public ::testing::TestWithParam<PathMethod> {
  protected:
    // The forward window follows the process-wide smoothing flag: each test
    // runs with it clear and then set, and leaves it as it found it.
    void TearDown() override { pm::smoothingFlag.store(saved_); }
    std::int32_t saved_ = pm::smoothingFlag.load();
};

TEST_P(FastPaths, EveryPathGivesTheScalarBytes) {
    if (vectorPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    const PathMethod& m = GetParam();
    reportPaths(m.name);
    for (std::int32_t smoothing : {0, 1}) {
        pm::smoothingFlag.store(smoothing);
        std::uint32_t seed = 900;
        // Every even width to 80 (W - 4 to W + 4 round 16, 32, 64 for each
        // method's count), heights 4 to 8, structured frames at some.
        for (int w : sweepWidths())
            for (int h : {4, 6, 8}) ASSERT_TRUE(pathsAgree(m, w, h, ++seed, w % 16 == 0 || w <= 8));
        // Wider, and round the rotated method's 16-row, 128-column tiles.
        for (const auto& [w, h] : Sizes{{126, 4}, {128, 6}, {130, 8}, {132, 18}, {256, 16}, {258, 34}, {262, 14}})
            ASSERT_TRUE(pathsAgree(m, w, h, ++seed, !blocksSweep()));
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, FastPaths, ::testing::ValuesIn(kMethods),
                         [](const ::testing::TestParamInfo<PathMethod>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

// The colour-difference method's edge-weighted estimate: one single-precision
// division, and the double recipe only where the quotient is whole, gives
// what the recipe gives for every pair of colour samples and every green
// step, on every path (with g0 at the low end of the green step).
TEST(ColourDifferenceEstimate, EqualsTheDoubleRecipeForEveryInput) {
    using Words = std::vector<std::int16_t>;
    const std::size_t n = 511 * 256;
    Words a(n), c(n), g0(n), g2(n), expected(n);
    std::vector<Path> paths = vectorPaths();
    paths.insert(paths.begin(), Path::Scalar);
    for (Path path : paths) {
        const pm::simd::RowPlan plan =
            pm::simd::planRows({pm::identityTable.data(), pm::identityTable.data(), pm::identityTable.data()}, path);
        // The sweep of blocks (emulated and unoptimised runs) takes every 17th.
        for (int first = 0; first < 256; first += blocksSweep() ? 17 : 1) {
            std::size_t k = 0;
            for (int step = -255; step <= 255; ++step)
                for (int second = 0; second < 256; ++second, ++k) {
                    a[k] = std::int16_t(first), c[k] = std::int16_t(second);
                    g0[k] = std::int16_t(step < 0 ? -step : 0), g2[k] = std::int16_t(g0[k] + step);
                    const double wa = 1.0 / ((second - first) * (second - first) + 1);
                    const double wc = 1.0 / (step * step + 1);
                    expected[k] = std::int16_t(g0[k] - std::int32_t((first * wa + second * wc) / (wa + wc)));
                }
            Words difference(n), whole(n + 15);
            pm::colourDifferenceEstimates(plan, a.data(), c.data(), g0.data(), g2.data(), std::int64_t(n),
                                          difference.data(), whole.data());
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(expected[i], difference[i]) << (path == Path::Scalar ? "scalar" : pathName(path)) << ", a "
                                                      << a[i] << ", c " << c[i] << ", green step " << g2[i] - g0[i];
        }
    }
}

// The guided colour of the directional method as its vector blocks compute
// it: the proportional term (g0 - g1)(x2 - x1) / (g2 - g1) as one
// single-precision division truncated, for every numerator and divisor the
// rule can meet, equals the integer division; the mean as the integer
// (2 g0 - g1 - g2 + 2 (x1 + x2)) / 4 rounded down, clamped as a table index,
// equals the recipe in double precision truncated and clamped.
TEST(GuidedValue, VectorFormsEqualTheRecipeForEveryInput) {
    // The sweep of blocks (emulated and unoptimised runs) takes every 17th.
    const int step = blocksSweep() ? 17 : 1;
    for (int divisor = -255; divisor <= 255; ++divisor)
        for (int numerator = -255 * 255; numerator <= 255 * 255 && divisor != 0; numerator += step) {
            const volatile float n = float(numerator), d = float(divisor);
            ASSERT_EQ(numerator / divisor, int(n / d)) << numerator << " / " << divisor;
        }
    auto index = [](int v) { return std::min(std::max(v, 0), 255); };
    for (int curve = -510; curve <= 510; ++curve)
        for (int sum = 0; sum <= 510; ++sum)
            ASSERT_EQ(index(int(curve * 0.25 + sum * 0.5)), index((curve + 2 * sum) >> 2)) << curve << ", " << sum;
}

// The record entry's 16-bit colour and grey conversions, likewise: each
// vector path against the scalar one.  Tables: the library's identity (no
// look-up), a caller's identity, curves, inverting, constant, a random
// permutation and random entries, and curves at an address 2 past a 4-byte
// boundary (the gathers read aligned 32-bit words).  Frames include the
// extremes 0 and 65535; widths run round the 8-, 16- and 32-pixel blocks
// and past the 4096-column strips.
using Words = std::vector<std::uint16_t>;

struct WordTables {
    const char* name;
    Words red, green, blue;  // empty: the library's identity table
    bool offset;             // stored one entry on from a 4-byte boundary
};

Words wordCurve(double exponent) {
    Words t(65536);
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = std::uint16_t(65535.0 * std::pow(i / 65535.0, exponent) + 0.5);
    return t;
}

std::vector<WordTables> wordTables(std::uint32_t seed) {
    std::mt19937 rng(seed);
    Words identity(65536), inverting(65536), random(65536);
    for (std::size_t i = 0; i < 65536; ++i) identity[i] = std::uint16_t(i), inverting[i] = std::uint16_t(65535 - i);
    for (auto& v : random) v = std::uint16_t(rng());
    Words permutation = identity;
    std::shuffle(permutation.begin(), permutation.end(), rng);
    return {{"null", {}, {}, {}, false},
            {"identity", identity, identity, identity, false},
            {"curves", wordCurve(0.45), wordCurve(0.55), wordCurve(0.65), false},
            {"inverting", inverting, identity, inverting, false},
            {"constant", Words(65536, 40000), Words(65536, 7), Words(65536, 65535), false},
            {"permutation", permutation, Words(permutation.rbegin(), permutation.rend()), permutation, false},
            {"random", random, {}, inverting, false},
            {"curves, offset", wordCurve(0.45), wordCurve(0.55), wordCurve(0.65), true}};
}

std::vector<std::pair<const char*, Words>> wordFrames(int w, int h, std::uint32_t seed, bool structured) {
    std::mt19937 rng(seed);
    Words random(std::size_t(w) * h);
    for (auto& v : random) v = std::uint16_t(rng());
    std::vector<std::pair<const char*, Words>> list{{"random", random}};
    if (!structured) return list;
    auto make = [&](const char* name, auto value) {
        Words f(std::size_t(w) * h);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) f[std::size_t(r) * w + c] = std::uint16_t(value(r, c));
        list.push_back({name, f});
    };
    make("zero", [](int, int) { return 0; });
    make("full", [](int, int) { return 65535; });
    make("checker", [](int r, int c) { return ((r ^ c) & 1) ? 65535 : 0; });
    make("ramp", [](int r, int c) { return (r * 4099 + c * 257) & 0xFFFF; });
    make("edge", [w](int, int c) { return c < w / 2 ? 3 : 65532; });
    return list;
}

::testing::AssertionResult wordPathsAgree(int w, int h, std::uint32_t seed, bool structured) {
    for (const WordTables& t : wordTables(seed)) {
        // The tables as the record entry passes them: null as the identity.
        std::vector<Words> stored;
        const void* applied[3];
        const Words* sources[3] = {&t.red, &t.green, &t.blue};
        for (int k = 0; k < 3; ++k) {
            if (sources[k]->empty()) {
                applied[k] = pm::identityTable16.data();
                continue;
            }
            // Vectors hold at least 4-byte aligned storage: one entry on is 2 past.
            stored.emplace_back(sources[k]->size() + 1);
            Words& copy = stored.back();
            std::copy(sources[k]->begin(), sources[k]->end(), copy.begin() + (t.offset ? 1 : 0));
        }
        for (int k = 0, n = 0; k < 3; ++k)
            if (!sources[k]->empty()) applied[k] = stored[std::size_t(n++)].data() + (t.offset ? 1 : 0);
        for (const auto& [frameName, raw] : wordFrames(w, h, seed, structured))
            for (std::uint32_t layout : {0u, 1u, 2u, 3u, 4u})
                for (std::uint8_t flip : {0, 1})
                    for (bool grey : {false, true}) {
                        const std::size_t words = std::size_t(w) * h * (grey ? 1 : 3);
                        const Words before = wordFrames(int(words), 1, seed + 1, false)[0].second;
                        auto run = [&, &raw = raw](Path path) {
                            Words out(words + 2 * kGuard, 0x5A5A);
                            std::copy(before.begin(), before.end(), out.begin() + kGuard);
                            const auto convert = grey ? pm::greyConversionOn : pm::colourConversionOn;
                            const std::int32_t result = convert(path, raw.data(), out.data() + kGuard, w, h,
                                                                PM_FORMAT_RAW16, applied[2], applied[1], applied[0],
                                                                flip, layout);
                            return std::make_pair(result, out);
                        };
                        const auto scalar = run(Path::Scalar);
                        for (Path path : vectorPaths()) {
                            const std::string context = std::string(grey ? "16-bit grey on " : "16-bit colour on ") +
                                                        pathName(path) + ", " + frameName + " frame, record layout " +
                                                        std::to_string(layout) + ", " +
                                                        describe(0, w, h, flip, t.name);
                            const auto vector = run(path);
                            if (vector.first != scalar.first)
                                return ::testing::AssertionFailure() << context << ": result " << vector.first;
                            const auto same = sameImage(scalar.second, vector.second, w, grey ? 1 : 3, context);
                            if (!same) return same;
                        }
                    }
    }
    return ::testing::AssertionSuccess();
}

TEST(RecordPaths, SixteenBitColourAndGreyGiveTheScalarWords) {
    if (vectorPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    reportPaths("16-bit record");
    std::uint32_t seed = 1600;
    for (int w : sweepWidths())
        for (int h : {4, 6}) ASSERT_TRUE(wordPathsAgree(w, h, ++seed, w % 16 == 0 || w <= 8));
    for (const auto& [w, h] : Sizes{{126, 4}, {130, 6}, {258, 8}, {4100, 4}, {8198, 4}})
        ASSERT_TRUE(wordPathsAgree(w, h, ++seed, !blocksSweep()));
}

}  // namespace

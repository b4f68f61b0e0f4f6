// The vector prefixes of the bilinear and forward-window row kernels against
// the models of the scalar rules, byte for byte: each instruction-set path
// called directly on single rows (with guard bytes after what it claims), and
// whole conversions, which take the processor's best path, at every even
// width from 4 to 80 and a few large ones: below, at and above the 16-pixel
// block and its multiples.
#include <gtest/gtest.h>

#include "bilinear_model.h"
#include "demosaic/forward_window_kernel.h"
#include "demosaic/vector/vector_paths.h"
#include "forward_window_model.h"
#include "frame/library_state.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;
using pm::simd::Path;

namespace {

const std::vector<int>& widths() {
    static const std::vector<int> list = [] {
        std::vector<int> w;
        for (int x = 4; x <= 80; x += 2) w.push_back(x);
        for (int x : {126, 128, 130, 258, 1030}) w.push_back(x);
        return w;
    }();
    return list;
}

const char* pathName(Path path) { return path == Path::Avx ? "AVX" : "SSE2"; }

class VectorPath : public ::testing::TestWithParam<Path> {
  protected:
    void SetUp() override {
#ifndef PIXMILL_VECTOR_X86
        GTEST_SKIP() << "no vector path on this target";
#else
        if (GetParam() == Path::Avx && !__builtin_cpu_supports("avx")) GTEST_SKIP() << "processor lacks AVX";
#endif
    }
};

// Runs `prefix(Row)` with the row kind of row r under `layout`.
template <typename Prefix>
std::ptrdiff_t withRowKind(int layout, int r, Prefix&& prefix) {
    std::ptrdiff_t handled = -1;
    pm::withLayoutRows(layout, [&](auto even, auto odd) { handled = (r & 1) ? prefix(odd) : prefix(even); });
    return handled;
}

// One row of `count` pixels written by a prefix into a buffer of exactly that
// size filled with 0xA5: the first `handled` pixels must be the model's
// (expect(column) through the tables), the rest untouched.
template <typename Expect>
::testing::AssertionResult rowMatches(const Bytes& out, std::ptrdiff_t count, std::ptrdiff_t handled,
                                      const TableSet& t, Expect&& expect, const std::string& context) {
    if (handled != count / 16 * 16)
        return ::testing::AssertionFailure() << context << ": handled " << handled << " of " << count;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        std::uint8_t want[3] = {0xA5, 0xA5, 0xA5};
        if (i < handled) {
            const Channels v = expect(i);
            want[0] = t.mapB(v.blue), want[1] = t.mapG(v.green), want[2] = t.mapR(v.red);
        }
        for (int k = 0; k < 3; ++k)
            if (out[static_cast<std::size_t>(3 * i + k)] != want[k])
                return ::testing::AssertionFailure() << context << ": pixel " << i << " of the run, byte " << k
                                                     << ": expected " << int(want[k]) << ", got "
                                                     << int(out[static_cast<std::size_t>(3 * i + k)]);
    }
    return ::testing::AssertionSuccess();
}

pm::LookupTables applied(const TableSet& t) {
    return {pm::tableOrIdentity(t.r()), pm::tableOrIdentity(t.g()), pm::tableOrIdentity(t.b())};
}

TEST_P(VectorPath, BilinearRowsMatchModel) {
    const Path path = GetParam();
    const auto tables = tableSets(2024);
    std::mt19937 rng(17);
    for (int w : widths()) {
        // Four rows: rows 1 and 2 are computed, the second reading the last row.
        const Bytes raw = randomBytes(static_cast<std::size_t>(w) * 4, rng());
        const std::ptrdiff_t count = w - 2;  // columns 1 to w - 2
        for (int layout = 1; layout <= 4; ++layout) {
            for (const TableSet& t : tables) {
                for (int r : {1, 2}) {
                    Bytes out(static_cast<std::size_t>(count) * 3, 0xA5);
                    const std::uint8_t* s = raw.data() + static_cast<std::size_t>(r) * w + 1;
                    const std::ptrdiff_t handled = withRowKind(layout, r, [&](auto row) {
                        using Row = decltype(row);
                        return pm::simd::bilinearColumns<pm::RowKind<Row::odd, Row::even>>(s, w, count, applied(t),
                                                                                           out.data(), path);
                    });
                    ASSERT_TRUE(rowMatches(out, count, handled, t,
                                           [&](std::ptrdiff_t i) { return bilinearChannels(raw, w, layout, r, 1 + int(i)); },
                                           std::string(pathName(path)) + " bilinear row " + std::to_string(r) + ", " +
                                               describe(layout, w, 4, 0, t.name)));
                }
            }
        }
    }
}

TEST_P(VectorPath, ForwardWindowRowsMatchModelSmoothedAndNot) {
    const Path path = GetParam();
    const auto tables = tableSets(2025);
    std::mt19937 rng(19);
    for (int w : widths()) {
        // Rows 0 and 1 are computed; row 1 reads the last row.
        const Bytes raw = randomBytes(static_cast<std::size_t>(w) * 2 + static_cast<std::size_t>(w), rng());
        const std::vector<unsigned> wide = widen(raw);
        const std::ptrdiff_t count = w - 1;  // columns 0 to w - 2
        for (int layout = 1; layout <= 4; ++layout) {
            for (const TableSet& t : tables) {
                for (int r : {0, 1}) {
                    for (bool smooth : {false, true}) {
                        Bytes out(static_cast<std::size_t>(count) * 3, 0xA5);
                        const std::uint8_t* s = raw.data() + static_cast<std::size_t>(r) * w;
                        const std::ptrdiff_t handled = withRowKind(layout, r, [&](auto row) {
                            using Row = decltype(row);
                            return smooth ? pm::simd::forwardWindowColumns<Row, pm::SmoothingAlways>(
                                                s, w, count, applied(t), out.data(), path)
                                          : pm::simd::forwardWindowColumns<Row, pm::SmoothingNever>(
                                                s, w, count, applied(t), out.data(), path);
                        });
                        ASSERT_TRUE(rowMatches(
                            out, count, handled, t,
                            [&](std::ptrdiff_t i) { return windowChannels(wide, w, layout, r, int(i), smooth); },
                            std::string(pathName(path)) + " window row " + std::to_string(r) + ", smoothing " +
                                std::to_string(smooth) + ", " + describe(layout, w, 3, 0, t.name)));
                    }
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, VectorPath, ::testing::Values(Path::Sse2, Path::Avx),
                         [](const ::testing::TestParamInfo<Path>& info) { return pathName(info.param); });

// Whole conversions through the entry, on the processor's best path: codes 2
// and 7 (smoothed through the flag) against the models of the methods.
TEST(VectorPaths, ConversionsMatchModelsAtEveryWidth) {
    pm::setSmoothing();
    const auto tables = tableSets(2026);
    std::mt19937 rng(23);
    for (int w : widths()) {
        const int h = 4 + 2 * int(rng() % 3);
        const Bytes raw = randomBytes(static_cast<std::size_t>(w) * h, rng());
        const Bytes before = randomBytes(static_cast<std::size_t>(w) * h * 3, rng());
        for (int layout = 1; layout <= 4; ++layout) {
            for (std::int32_t flip : {0, 1}) {
                for (const TableSet& t : tables) {
                    Bytes image = before;
                    ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), w, h, PM_METHOD_BILINEAR, t.r(), t.g(),
                                                  t.b(), flip, layout));
                    ASSERT_TRUE(sameImage(modelBilinear(raw, w, h, t, flip, layout, before), image, w, 3,
                                          "code 2, " + describe(layout, w, h, flip, t.name)));
                    image = before;
                    ASSERT_EQ(1, ConvertBayer2Rgb(image.data(), raw.data(), w, h, PM_METHOD_SMOOTHED_WINDOW, t.r(),
                                                  t.g(), t.b(), flip, layout));
                    ASSERT_TRUE(sameImage(modelForwardWindow(raw, w, h, t, flip, layout, true, before), image, w, 3,
                                          "code 7, " + describe(layout, w, h, flip, t.name)));
                }
            }
        }
    }
}

}  // namespace

// Each instruction-set path of the vector prefixes called directly on single
// rows, against the models of the scalar rules byte for byte: the pixels it
// claims must be the model's, and the pixels after them untouched.  Whole
// conversions at every width, on the processor's best path, are in
// test_conversions.cpp.
#include <gtest/gtest.h>

#include <limits>


#include "demosaic/forward_window_kernel.h"
#include "demosaic/vector/vector_paths.h"
#include "frame/library_state.h"
#include "models.h"
#include "test_support.h"

using namespace pmtest;
using pm::simd::Path;

namespace {

const char* pathName(Path path) {
    return path == Path::Avx512 ? "AVX512" : path == Path::Avx2 ? "AVX2" : path == Path::Avx ? "AVX" : "SSE2";
}
// The shortest run a path's prefixes handle: AVX-512 hands runs shorter than
// its own block to its AVX2 form.
std::ptrdiff_t blockOf(Path path) { return path >= Path::Avx2 ? 32 : 16; }

class VectorPath : public ::testing::TestWithParam<Path> {
  protected:
    void SetUp() override {
#ifndef PIXMILL_VECTOR_X86
        GTEST_SKIP() << "no vector path on this target";
#else
        if (!pm::simd::pathAvailable(GetParam())) GTEST_SKIP() << "processor lacks " << pathName(GetParam());
#endif
    }
};

// For every width, layout, table set and row r of `rows` (of a frame of
// `height` rows), runs prefix(Row, s, count, tables, out) with the row kind of
// row r into a buffer of exactly `count` pixels of 0xA5; the first `handled`
// (none below one block of the path, else count rounded down to even: the
// last block overlaps) must be expect(raw, w, layout, r, i) through the
// tables, the rest untouched.
template <typename Prefix, typename Expect>
void checkRows(const char* what, std::ptrdiff_t block, std::uint32_t seed, int height, std::vector<int> rows,
               int firstColumn, Prefix&& prefix, Expect&& expect) {
    const auto tables = tableSets(seed);
    std::mt19937 rng(seed);
    for (int w : vectorWidths()) {
        const Bytes raw = randomBytes(std::size_t(w) * height, rng());
        const std::ptrdiff_t count = w - 1 - firstColumn;
        for (int layout = 1; layout <= 4; ++layout)
            for (const TableSet& t : tables)
                for (int r : rows) {
                    const std::string context = std::string(what) + " row " + std::to_string(r) + ", " +
                                                describe(layout, w, height, 0, t.name);
                    Bytes out(std::size_t(count) * 3, 0xA5);
                    const pm::LookupTables applied{pm::tableOrIdentity(t.r()), pm::tableOrIdentity(t.g()),
                                                   pm::tableOrIdentity(t.b())};
                    const std::uint8_t* s = raw.data() + std::size_t(r) * w + firstColumn;
                    std::ptrdiff_t handled = -1;
                    pm::withLayoutRows(layout, [&](auto even, auto odd) {
                        handled = (r & 1) ? prefix(odd, s, w, count, applied, out.data())
                                          : prefix(even, s, w, count, applied, out.data());
                    });
                    ASSERT_EQ(count < block ? 0 : count & ~std::ptrdiff_t{1}, handled) << context;
                    for (std::ptrdiff_t i = 0; i < count; ++i) {
                        std::uint8_t want[3] = {0xA5, 0xA5, 0xA5};
                        if (i < handled) {
                            const Channels v = expect(raw, w, layout, r, int(i));
                            want[0] = t.mapB(v.blue), want[1] = t.mapG(v.green), want[2] = t.mapR(v.red);
                        }
                        for (int k = 0; k < 3; ++k)
                            ASSERT_EQ(want[k], out[std::size_t(3 * i + k)])
                                << context << ": pixel " << i << " of the run, byte " << k;
                    }
                }
    }
}

TEST_P(VectorPath, BilinearRowsMatchModel) {
    // Columns 1 to w - 2 of rows 1 and 2 of four, the second reading the
    // last row; seen from column 1, the odd-column site comes first.
    const Path path = GetParam();
    checkRows(
        pathName(path), blockOf(path), 17, 4, {1, 2}, 1,
        [&](auto row, auto... args) {
            using Row = decltype(row);
            return pm::simd::bilinearColumns<pm::RowKind<Row::odd, Row::even>>(args..., path);
        },
        [](const Bytes& raw, int w, int layout, int r, int i) { return bilinearChannels(raw, w, layout, r, 1 + i); });
    // The offset method's rule: green at red sites from all four neighbours.
    checkRows(
        pathName(path), blockOf(path), 18, 4, {1, 2}, 1,
        [&](auto row, auto... args) {
            using Row = decltype(row);
            return pm::simd::bilinearColumns<pm::RowKind<Row::odd, Row::even>,
                                             pm::simd::RedSiteGreen::FourNeighbours>(args..., path);
        },
        [](const Bytes& raw, int w, int layout, int r, int i) {
            return bilinearChannels(raw, w, layout, r, 1 + i, true);
        });
}

TEST_P(VectorPath, ForwardWindowRowsMatchModelSmoothedAndNot) {
    // Columns 0 to w - 2 of rows 0 and 1 of three, the second reading the
    // last row.
    const Path path = GetParam();
    for (bool smooth : {false, true}) {
        checkRows(
            (std::string(pathName(path)) + (smooth ? " smoothed window" : " window")).c_str(), blockOf(path), 19, 3,
            {0, 1}, 0,
            [&](auto row, auto... args) {
                using Row = decltype(row);
                return smooth ? pm::simd::forwardWindowColumns<Row, pm::SmoothingAlways>(args..., path)
                              : pm::simd::forwardWindowColumns<Row, pm::SmoothingNever>(args..., path);
            },
            [&](const Bytes& raw, int w, int layout, int r, int i) {
                return windowChannels(raw, w, layout, r, i, smooth);
            });
    }
}

// The 16-bit prefixes of the record conversions (always smoothed): 8, 16 or
// 32 pixels a block on AVX, AVX2 and AVX-512, none on SSE2; colour or grey;
// without tables, or through them on the paths that gather (AVX2, AVX-512),
// red and blue then picked from rows mapped by their own prefix.  Samples
// include 0 and 65535, the ends of the tables.  The pixels a prefix claims
// are the model's, those after them untouched.
TEST_P(VectorPath, SixteenBitWindowRowsMatchModel) {
    const Path path = GetParam();
    std::mt19937 rng(1616);
    std::vector<std::uint16_t> tables[3];  // blue, green, red
    for (auto& t : tables) {
        t.resize(65536);
        for (auto& v : t) v = static_cast<std::uint16_t>(rng());
    }
    for (int w : vectorWidths()) {
        std::vector<std::uint16_t> raw(std::size_t(w) * 3);
        for (auto& v : raw) v = rng() % 5 == 0 ? std::uint16_t(rng() & 1 ? 65535 : 0) : static_cast<std::uint16_t>(rng());
        const std::ptrdiff_t count = w - 1;
        for (int layout = 1; layout <= 4; ++layout)
            for (int r : {0, 1})
                for (bool mapped : {false, true})
                    for (bool grey : {false, true}) {
                        const pm::simd::WordPlan plan{path, mapped ? tables[2].data() : nullptr,
                                                      mapped ? tables[1].data() : nullptr,
                                                      mapped ? tables[0].data() : nullptr, grey};
                        const std::string context = std::string(pathName(path)) + " 16-bit window, " +
                                                    (mapped ? "mapped " : "") + (grey ? "grey" : "colour") + ", row " +
                                                    std::to_string(r) + ", " + describe(layout, w, 3, 0);
                        const std::ptrdiff_t lanes = path == Path::Avx512 ? (count >= 32 ? 32 : 16)
                                                     : path == Path::Avx2 ? 16
                                                     : path == Path::Avx && !mapped ? 8
                                                                                    : 0;
                        const std::ptrdiff_t claimed = lanes == 0 || count < lanes ? 0 : count & ~std::ptrdiff_t{1};
                        // Rows r and r + 1 with red and blue through their tables, as
                        // their prefix maps them (its green columns scrambled).
                        std::vector<std::uint16_t> rows[2] = {std::vector<std::uint16_t>(w, 0x5A5A),
                                                              std::vector<std::uint16_t>(w, 0x5A5A)};
                        for (int k = 0; k < 2 && mapped; ++k) {
                            const std::uint16_t* s = raw.data() + std::size_t(r + k) * w;
                            std::ptrdiff_t handled = -1;
                            pm::withLayoutRows(layout, [&](auto even, auto odd) {
                                auto run = [&](auto row) {
                                    using Row = decltype(row);
                                    const bool blueRow = Row::even == pm::Site::Blue || Row::odd == pm::Site::Blue;
                                    return pm::simd::mapWordSiteColumns<Row>(s, w, rows[k].data(),
                                                                             tables[blueRow ? 0 : 2].data(), path);
                                };
                                handled = (r + k) & 1 ? run(odd) : run(even);
                            });
                            ASSERT_EQ(lanes == 0 || w < lanes ? 0 : w, handled) << context << ", mapped row " << k;
                            for (int c = 0; c < w; ++c) {
                                const char colour = colourAt(layout, r + k, c);
                                if (colour == 'G') {
                                    rows[k][std::size_t(c)] = std::uint16_t(rng());
                                    continue;
                                }
                                const std::uint16_t want = tables[colour == 'B' ? 0 : 2][s[c]];
                                if (c < handled) {
                                    ASSERT_EQ(want, rows[k][std::size_t(c)]) << context << ", column " << c;
                                }
                                rows[k][std::size_t(c)] = want;
                            }
                        }
                        const std::uint16_t* const mappedRows[2] = {rows[0].data(), rows[1].data()};
                        const int words = grey ? 1 : 3;
                        std::vector<std::uint16_t> out(std::size_t(count) * words, 0xA5A5);
                        const std::uint16_t* s = raw.data() + std::size_t(r) * w;
                        std::ptrdiff_t handled = -1;
                        pm::withLayoutRows(layout, [&](auto even, auto odd) {
                            auto run = [&](auto row) {
                                return pm::simd::windowWordColumns<decltype(row)>(s, w, mappedRows, count, out.data(),
                                                                                  plan);
                            };
                            handled = r ? run(odd) : run(even);
                        });
                        ASSERT_EQ(claimed, handled) << context;
                        for (std::ptrdiff_t i = 0; i < count; ++i) {
                            const Channels v = windowChannels(raw, w, layout, r, int(i), true);
                            unsigned want[3] = {v.blue, v.green, v.red};
                            if (mapped)
                                for (int k = 0; k < 3; ++k) want[k] = tables[k][want[k]];
                            if (grey) want[0] = (601 * want[1] + 306 * want[2] + 117 * want[0]) >> 10;
                            for (int k = 0; k < words; ++k)
                                ASSERT_EQ(i < handled ? want[k] : 0xA5A5u, out[std::size_t(words * i + k)])
                                    << context << ": pixel " << i << ", word " << k;
                        }
                    }
    }
}

// Rows go past the cache only without tables on the paths with whole-line
// stores, by themselves only for large images; tests may ask for it there.
TEST(RowPlan, StreamsOnlyUnmappedRowsOnWidePaths) {
    using pm::simd::planRows;
    using pm::simd::Stores;
    const pm::LookupTables identity{pm::tableOrIdentity(nullptr), pm::tableOrIdentity(nullptr),
                                    pm::tableOrIdentity(nullptr)};
    const Bytes curve = randomBytes(256, 7);
    const pm::LookupTables mapped{curve.data(), curve.data(), curve.data()};
    const std::size_t huge = std::numeric_limits<std::size_t>::max();
    EXPECT_FALSE(planRows(identity, Path::Avx2, std::size_t{1} << 20, Stores::Auto).streamed);
    EXPECT_FALSE(planRows(mapped, Path::Avx512, huge, Stores::Auto).streamed);
    EXPECT_FALSE(planRows(identity, Path::Avx512, huge, Stores::InPlace).streamed);
    EXPECT_FALSE(planRows(identity, Path::Avx, huge, Stores::Streamed).streamed);
    EXPECT_FALSE(planRows(mapped, Path::Avx2, huge, Stores::Streamed).streamed);
    EXPECT_TRUE(planRows(identity, Path::Avx2, 64, Stores::Streamed).streamed);
}

INSTANTIATE_TEST_SUITE_P(Paths, VectorPath, ::testing::Values(Path::Sse2, Path::Avx, Path::Avx2, Path::Avx512),
                         [](const ::testing::TestParamInfo<Path>& info) { return pathName(info.param); });

}  // namespace

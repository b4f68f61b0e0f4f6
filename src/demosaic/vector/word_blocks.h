// The block loops of the 16-bit forward window (windowWordColumns and
// mapWordSiteColumns of vector_paths.h), written once over a word-lane
// operation set V and compiled by words_avx.cpp (8 pixels a block),
// words_avx2.cpp (16) and words_avx512.cpp (32), each under its own target.
// Include only inside the target region of the file that instantiates it.
//
// Of V these use: Vec, kPixels (16-bit lanes), kGathers, load and store of
// words, splat, avg (rounded-up mean), sub, andBits, xorBits,
// byParity(even, odd), grey(green, red, blue) (the weighted sum, exact),
// storePixels(out, blue, green, red) (interleaved words) and, with
// kGathers, lookUp(table, v) (table[v] per lane) and
// lookUpHalf<kEven>(table, v) (the same for the even or the odd lanes only,
// the others undefined).
//
// With tables, red and blue are copies of samples: each red or blue sample
// serves four pixels (two columns, two rows), so its rows are mapped once
// into a ring (mapWordSiteColumns) and the blocks pick from there; only
// green, a mean of two samples, is looked up per pixel.  That halves the
// look-ups, which are most of the time: 1.5 a pixel instead of 3.
#ifndef PIXMILL_DEMOSAIC_VECTOR_WORD_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_WORD_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"
#include "demosaic/vector/table_lookup.h"
#include "demosaic/vector/vector_paths.h"

namespace pm {
namespace simd {
namespace {

// Byte shuffle of a 128-bit part for the interleave of 8 pixels: output
// vector k (words 8k to 8k + 7 of the interleaved pixels) takes from plane
// `plane` (0 blue, 1 green, 2 red) word w / 3 for each word w of its own
// plane; -1 leaves the byte zero for the other planes to fill.
struct WordShuffles {
    alignas(16) std::int8_t mask[3][3][16];  // [k][plane]
};
constexpr WordShuffles wordShuffles() {
    WordShuffles x{};
    for (int k = 0; k < 3; ++k)
        for (int plane = 0; plane < 3; ++plane)
            for (int i = 0; i < 16; ++i) {
                const int word = 8 * k + i / 2;
                x.mask[k][plane][i] = word % 3 == plane ? std::int8_t(2 * (word / 3) + i % 2) : std::int8_t(-1);
            }
    return x;
}
constexpr WordShuffles kWordShuffles = wordShuffles();

template <typename V>
struct WordPx {
    typename V::Vec blue, green, red;
};

// (a + b) >> 1: the instruction's mean rounds up, so take back the carry of
// an odd sum.
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec meanDownWords(typename V::Vec a, typename V::Vec b) {
    return V::sub(V::avg(a, b), V::andBits(V::xorBits(a, b), V::splat(1)));
}

// The smoothed window of sites S from `top` (the row) and `bottom` (the row
// below), lanes from column 0: as forwardWindowPixel.
template <typename V, Site S>
PIXMILL_BLOCK_INLINE WordPx<V> windowWordSites(const std::uint16_t* top, const std::uint16_t* bottom) {
    const auto self = V::load(top), right = V::load(top + 1), below = V::load(bottom);
    const auto diagonal = V::load(bottom + 1);
    switch (S) {
        case Site::GreenInBlueRow: return {right, meanDownWords<V>(self, diagonal), below};
        case Site::GreenInRedRow: return {below, meanDownWords<V>(self, diagonal), right};
        case Site::Blue: return {self, meanDownWords<V>(below, right), diagonal};
        case Site::Red:
        default: return {diagonal, meanDownWords<V>(below, right), self};
    }
}

template <typename V, typename Row>
PIXMILL_BLOCK_INLINE WordPx<V> windowWords(const std::uint16_t* top, const std::uint16_t* bottom) {
    const WordPx<V> even = windowWordSites<V, Row::even>(top, bottom), odd = windowWordSites<V, Row::odd>(top, bottom);
    return {V::byParity(even.blue, odd.blue), V::byParity(even.green, odd.green), V::byParity(even.red, odd.red)};
}

// The pixels of one block from `s`; with kMapped, red and blue picked from
// the mapped rows `m0` and `m1` and green through its table.  Only the
// used planes' loads survive the compiler.
template <typename V, typename Row, bool kGrey, bool kMapped>
PIXMILL_BLOCK_INLINE void wordBlock(const std::uint16_t* s, std::ptrdiff_t stride, const std::uint16_t* m0,
                                    const std::uint16_t* m1, const std::uint16_t* green, std::uint16_t* out) {
    WordPx<V> p = windowWords<V, Row>(s, s + stride);
    if constexpr (kMapped) {
        const WordPx<V> q = windowWords<V, Row>(m0, m1);
        p = {q.blue, V::lookUp(green, p.green), q.red};
    }
    if constexpr (kGrey)
        V::store(out, V::grey(p.green, p.red, p.blue));
    else
        V::storePixels(out, p.blue, p.green, p.red);
}

template <typename V, typename Row, bool kGrey, bool kMapped>
PIXMILL_BLOCK_INLINE std::ptrdiff_t wordBlocks(const std::uint16_t* s, std::ptrdiff_t stride,
                                               const std::uint16_t* const* mapped, std::ptrdiff_t count,
                                               std::uint16_t* out, const std::uint16_t* green) {
    constexpr std::ptrdiff_t kWords = kGrey ? 1 : 3;
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        wordBlock<V, Row, kGrey, kMapped>(s + c, stride, kMapped ? mapped[0] + c : nullptr,
                                          kMapped ? mapped[1] + c : nullptr, green, out + kWords * c);
    });
}

template <typename V, typename Row>
PIXMILL_BLOCK_INLINE std::ptrdiff_t runWordBlocks(const std::uint16_t* s, std::ptrdiff_t stride,
                                                  const std::uint16_t* const* mapped, std::ptrdiff_t count,
                                                  std::uint16_t* out, const WordPlan& plan) {
    if (!plan.mapped())
        return plan.grey ? wordBlocks<V, Row, true, false>(s, stride, mapped, count, out, nullptr)
                         : wordBlocks<V, Row, false, false>(s, stride, mapped, count, out, nullptr);
    if constexpr (V::kGathers)
        return plan.grey ? wordBlocks<V, Row, true, true>(s, stride, mapped, count, out, plan.green)
                         : wordBlocks<V, Row, false, true>(s, stride, mapped, count, out, plan.green);
    else
        return 0;
}

// The row's red or blue lanes through `table`: one gather for the colour
// sites of both parities' half.
template <typename V, typename Row>
PIXMILL_BLOCK_INLINE std::ptrdiff_t mapWordSiteBlocks(const std::uint16_t* raw, std::ptrdiff_t count,
                                                      std::uint16_t* out, const std::uint16_t* table) {
    if constexpr (V::kGathers) {
        constexpr bool kEvenColour = colourSite(Row::even);
        return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
            V::store(out + c, V::template lookUpHalf<kEvenColour>(table, V::load(raw + c)));
        });
    } else {
        return 0;
    }
}

}  // namespace
}  // namespace simd
}  // namespace pm

// The prefixes of one path, named with its suffix, for the dispatch in
// forward_window16_x86.cpp.
#define PIXMILL_WORD_BLOCKS(Suffix, V)                                                                           \
    template <typename Row>                                                                                      \
    std::ptrdiff_t windowWords##Suffix(const std::uint16_t* s, std::ptrdiff_t stride,                            \
                                       const std::uint16_t* const* mapped, std::ptrdiff_t count,                 \
                                       std::uint16_t* out, const WordPlan& plan) {                               \
        return runWordBlocks<V, Row>(s, stride, mapped, count, out, plan);                                       \
    }                                                                                                            \
    template <typename Row>                                                                                      \
    std::ptrdiff_t mapWordSites##Suffix(const std::uint16_t* raw, std::ptrdiff_t count, std::uint16_t* out,      \
                                        const std::uint16_t* table) {                                            \
        return mapWordSiteBlocks<V, Row>(raw, count, out, table);                                                \
    }                                                                                                            \
    PIXMILL_WORD_BLOCKS_OF_ROW(Suffix, BlueGreenRow)                                                             \
    PIXMILL_WORD_BLOCKS_OF_ROW(Suffix, GreenRedRow)                                                              \
    PIXMILL_WORD_BLOCKS_OF_ROW(Suffix, GreenBlueRow)                                                             \
    PIXMILL_WORD_BLOCKS_OF_ROW(Suffix, RedGreenRow)

#define PIXMILL_WORD_BLOCKS_OF_ROW(Suffix, Row)                                                                  \
    template std::ptrdiff_t windowWords##Suffix<Row>(const std::uint16_t*, std::ptrdiff_t,                       \
                                                     const std::uint16_t* const*, std::ptrdiff_t, std::uint16_t*, \
                                                     const WordPlan&);                                           \
    template std::ptrdiff_t mapWordSites##Suffix<Row>(const std::uint16_t*, std::ptrdiff_t, std::uint16_t*,      \
                                                      const std::uint16_t*);

#endif

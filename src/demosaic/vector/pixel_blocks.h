// The block loops of the bilinear and forward-window prefixes, written once
// over an instruction-set type V (isa_*.h) and compiled by pixels_sse2.cpp
// (16 pixels), pixels_avx.cpp (16 pixels, AVX encoding and byte shuffles),
// pixels_avx2.cpp (32 pixels) and pixels_avx512.cpp (64 pixels, byte
// permutes), each under its own target.  They live in an anonymous namespace
// so that each file keeps its own copy.
//
// Means stay in 8 bits: (a + b) >> 1 is the rounded-up mean of the
// instruction less the lowest bit of a ^ b; quarterOfSum likewise.  Both
// site rules of a row are computed for every lane and each lane keeps the
// one of its column.
//
// Of V these use: Vec, kPixels, load, splat, avg, subBytes, andBits, orBits,
// xorBits, byParity(even, odd) (even lanes from the first, odd from the
// second), storePixels(out, blue, green, red), kStreams and, when set,
// streamPixels (the same stores past the cache, `out` aligned to the
// vector's width), the table look-up of table_lookup.h when kShuffles is
// set, then also nextLanes(v, after) (lane i takes lane i + 1, the last lane
// `after`), and without kShuffles, storeMapped(out, blue, green, red, tables).
#ifndef PIXMILL_DEMOSAIC_VECTOR_PIXEL_BLOCKS_H
#define PIXMILL_DEMOSAIC_VECTOR_PIXEL_BLOCKS_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "demosaic/bayer.h"
#include "demosaic/smoothing.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/block_walk.h"
#include "demosaic/vector/table_lookup.h"
#include "demosaic/vector/vector_paths.h"

namespace pm {
namespace simd {
namespace {

template <typename V>
struct Px {
    typename V::Vec blue, green, red;
};

template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec meanDown(typename V::Vec a, typename V::Vec b) {
    return V::subBytes(V::avg(a, b), V::andBits(V::xorBits(a, b), V::splat(1)));
}

// (a + b + c + d) >> 2, also without widening: with p and q the rounded-up
// means of a, b and of c, d, the rounded-up mean of p and q is one too high
// exactly when any of the three means dropped an odd sum (checked for all
// 2^32 inputs).
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec quarterOfSum(typename V::Vec a, typename V::Vec b, typename V::Vec c,
                                                  typename V::Vec d) {
    const auto p = V::avg(a, b), q = V::avg(c, d);
    const auto odd = V::orBits(V::orBits(V::xorBits(a, b), V::xorBits(c, d)), V::xorBits(p, q));
    return V::subBytes(V::avg(p, q), V::andBits(odd, V::splat(1)));
}

// Even lanes from `even`, odd lanes from `odd`.
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec byParity(typename V::Vec even, typename V::Vec odd) {
    return V::byParity(even, odd);
}
template <typename V>
PIXMILL_BLOCK_INLINE Px<V> byParity(const Px<V>& even, const Px<V>& odd) {
    return {byParity<V>(even.blue, odd.blue), byParity<V>(even.green, odd.green), byParity<V>(even.red, odd.red)};
}

// ---- The site rules of the scalar kernels, on V::kPixels lanes ----------

// Every four-neighbour sum pairs left with right and up with down, as the
// two-neighbour means do, so that a row's two site rules share their means.
template <typename V, Site S, RedSiteGreen Green>
PIXMILL_BLOCK_INLINE Px<V> bilinearSites(const std::uint8_t* s, std::ptrdiff_t stride) {
    const auto self = loadOnce<V>(s), up = loadOnce<V>(s - stride), down = loadOnce<V>(s + stride);
    const auto left = loadOnce<V>(s - 1), right = loadOnce<V>(s + 1);
    auto diagonals = [&]() __attribute__((always_inline)) {
        return quarterOfSum<V>(loadOnce<V>(s - stride - 1), loadOnce<V>(s - stride + 1), loadOnce<V>(s + stride - 1),
                               loadOnce<V>(s + stride + 1));
    };
    switch (S) {
        case Site::GreenInBlueRow:
            return {meanDown<V>(left, right), self, meanDown<V>(up, down)};
        case Site::GreenInRedRow:
            return {meanDown<V>(up, down), self, meanDown<V>(left, right)};
        case Site::Blue:
            return {self, quarterOfSum<V>(left, right, up, down), diagonals()};
        case Site::Red:
        default:
            return {diagonals(),
                    Green == RedSiteGreen::LowerLeft ? meanDown<V>(down, left) : quarterOfSum<V>(left, right, up, down),
                    self};
    }
}

template <typename V, Site S>
PIXMILL_BLOCK_INLINE Px<V> windowSites(const std::uint8_t* s, std::ptrdiff_t stride, bool smooth) {
    const auto self = loadOnce<V>(s), right = loadOnce<V>(s + 1), below = loadOnce<V>(s + stride);
    const auto diagonal = loadOnce<V>(s + stride + 1);
    switch (S) {
        case Site::GreenInBlueRow:
            return {right, smooth ? meanDown<V>(self, diagonal) : self, below};
        case Site::GreenInRedRow:
            return {below, smooth ? meanDown<V>(self, diagonal) : self, right};
        case Site::Blue:
            return {self, meanDown<V>(below, right), diagonal};
        case Site::Red:
        default:
            return {diagonal, meanDown<V>(below, right), self};
    }
}

// ---- Blocks: the planes of the V::kPixels pixels from `s` ----------------
// kMapsItself: the block applies the tables; the loop only interleaves.

// Swapped: the same block for a run starting one column on.
template <typename Row>
using SwappedRow = RowKind<Row::odd, Row::even>;

template <typename Row, RedSiteGreen Green>
struct BilinearBlock {
    static constexpr bool kMapsItself = false;
    using Swapped = BilinearBlock<SwappedRow<Row>, Green>;
    template <typename V, typename Plan>
    PIXMILL_BLOCK_INLINE static Px<V> at(const std::uint8_t* s, std::ptrdiff_t stride, const Plan&) {
        return byParity<V>(bilinearSites<V, Row::even, Green>(s, stride), bilinearSites<V, Row::odd, Green>(s, stride));
    }
};

// The flag is read once per block: a conversion that another thread
// switches to smoothing changes variant at the next block.
template <typename Row, typename Smoothing>
struct WindowBlock {
    static constexpr bool kMapsItself = false;
    using Swapped = WindowBlock<SwappedRow<Row>, Smoothing>;
    template <typename V, typename Plan>
    PIXMILL_BLOCK_INLINE static Px<V> at(const std::uint8_t* s, std::ptrdiff_t stride, const Plan&) {
        const bool smooth = Smoothing::on();
        return byParity<V>(windowSites<V, Row::even>(s, stride, smooth), windowSites<V, Row::odd>(s, stride, smooth));
    }
};

// Mapped samples: blue and red are the mapped samples the unsmoothed window
// picks; green is the mapped sample at a green site, elsewhere the mean of
// the mapped greens below and to the right.  One green look-up serves both:
// it takes the sample itself at green lanes and the one below at the others.
// The green to the right of a red or blue site is the next lane's own, so
// the same look-up moved on by one lane gives it; the last lane takes the
// sample after the block, mapped alone.
template <typename Row>
struct MappedWindowBlock {
    static constexpr bool kMapsItself = true;
    template <typename V, typename Plan>
    PIXMILL_BLOCK_INLINE static Px<V> at(const std::uint8_t* s, std::ptrdiff_t stride, const Plan& plan) {
        const Px<V> raw = byParity<V>(windowSites<V, Row::even>(s, stride, false),
                                      windowSites<V, Row::odd>(s, stride, false));
        constexpr bool evenGreen = !colourSite(Row::even);
        const auto self = loadOnce<V>(s), below = loadOnce<V>(s + stride);
        const auto first = mapThrough<V>(plan, 1, evenGreen ? byParity<V>(self, below) : byParity<V>(below, self));
        const auto right = V::nextLanes(first, plan.tables.green[s[V::kPixels]]);
        const auto mean = meanDown<V>(first, right);
        return {mapThrough<V>(plan, 0, raw.blue), evenGreen ? byParity<V>(first, mean) : byParity<V>(mean, first),
                mapThrough<V>(plan, 2, raw.red)};
    }
};

// A block's pixels as stored: through the tables when kMapped (the plan
// found them not all the identity, and the block did not apply them).
template <typename V, typename Block, bool kMapped, typename Plan>
PIXMILL_BLOCK_INLINE Px<V> finishedBlock(const std::uint8_t* s, std::ptrdiff_t stride, const Plan& plan) {
    const Px<V> p = Block::template at<V>(s, stride, plan);
    if constexpr (kMapped)
        return {mapThrough<V>(plan, 0, p.blue), mapThrough<V>(plan, 1, p.green), mapThrough<V>(plan, 2, p.red)};
    else
        return p;
}

// Blocks from `s` as eachBlockStreamed asks for them: with kStreamed 0 one
// block stored as usual; otherwise kStreamed blocks, computed first and
// then stored past the cache one after the other, so that each line they
// fill goes out whole at once.  A streamed group also asks for the source
// line kPrefetchRows below it: with the image going past the cache, the
// source rows are what the cache holds, and fetching them two rows before
// the blocks read them (rows up to +1) measured 5-15 % faster on code 2
// at 4096 x 3072 (slower when the image is written in place).
constexpr std::ptrdiff_t kPrefetchRows = 3;

template <typename V, typename Block, bool kMapped, std::ptrdiff_t kStreamed = 0, typename Plan>
PIXMILL_BLOCK_INLINE void storeBlocks(const std::uint8_t* s, std::ptrdiff_t stride, const Plan& plan,
                                      std::uint8_t* out) {
    if constexpr (kStreamed == 0) {
        const Px<V> p = finishedBlock<V, Block, kMapped>(s, stride, plan);
        V::storePixels(out, p.blue, p.green, p.red);
    } else {
        static_assert(kStreamed * V::kPixels == kLineBytes, "a group reads one source line per row");
        __builtin_prefetch(s + kPrefetchRows * stride, 0, 3);
        Px<V> p[kStreamed];
        for (std::ptrdiff_t k = 0; k < kStreamed; ++k)
            p[k] = finishedBlock<V, Block, kMapped>(s + k * V::kPixels, stride, plan);
        for (std::ptrdiff_t k = 0; k < kStreamed; ++k)
            V::streamPixels(out + 3 * k * V::kPixels, p[k].blue, p[k].green, p[k].red);
    }
}

// The blocks of a run: from the start of the run, the last one overlapping
// (eachBlock), or past the cache when the plan streams rows (which it does
// only without tables) and V can (kStreams, eachBlockStreamed), whose
// blocks may start at odd columns: they take the row's two sites swapped.
template <typename V, typename Block, bool kMapped, typename Plan>
PIXMILL_BLOCK_INLINE std::ptrdiff_t walkBlocks(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                               const Plan& plan, std::uint8_t* out) {
    if constexpr (V::kStreams && !kMapped && !Block::kMapsItself && std::is_same_v<Plan, RowPlan>) {
        if (plan.streamed)
            return eachBlockStreamed<V>(count, out, [&](std::ptrdiff_t c, auto blocks) __attribute__((always_inline)) {
                constexpr std::ptrdiff_t kStreamed = decltype(blocks)::value;
                if ((c & 1) != 0)
                    storeBlocks<V, typename Block::Swapped, kMapped, kStreamed>(s + c, stride, plan, out + 3 * c);
                else
                    storeBlocks<V, Block, kMapped, kStreamed>(s + c, stride, plan, out + 3 * c);
            });
    }
    return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
        storeBlocks<V, Block, kMapped>(s + c, stride, plan, out + 3 * c);
    });
}

// The loop of every prefix, through the tables unless the plan found them
// all the identity or the block applied them itself; with whole tables in
// registers (AVX-512) they are made ready once for the run.  Without byte
// shuffles V looks the tables up as it stores.
template <typename V, typename Block>
PIXMILL_BLOCK_INLINE std::ptrdiff_t runBlocks(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                              const RowPlan& plan, std::uint8_t* out) {
    if (plan.unmapped) return walkBlocks<V, Block, false>(s, stride, count, plan, out);
    if constexpr (V::kWholeTables) {
        const ReadyPlan<V> ready = readyPlan<V>(plan);
        return walkBlocks<V, Block, !Block::kMapsItself>(s, stride, count, ready, out);
    } else if constexpr (Block::kMapsItself) {
        return walkBlocks<V, Block, false>(s, stride, count, plan, out);
    } else if constexpr (V::kShuffles) {
        return walkBlocks<V, Block, true>(s, stride, count, plan, out);
    } else {
        return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) {
            const Px<V> p = Block::template at<V>(s + c, stride, plan);
            V::storeMapped(out + 3 * c, p.blue, p.green, p.red, plan.tables);
        });
    }
}

}  // namespace
}  // namespace simd
}  // namespace pm

// The prefixes of one path, named with its suffix, for pixel_paths.h.
#define PIXMILL_PIXEL_BLOCKS(Suffix, V)                                                                          \
    template <typename Row, RedSiteGreen Green>                                                                  \
    std::ptrdiff_t bilinearBlocks##Suffix(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,    \
                                          const RowPlan& plan, std::uint8_t* out) {                              \
        return runBlocks<V, BilinearBlock<Row, Green>>(s, stride, count, plan, out);                             \
    }                                                                                                            \
    template <typename Row, typename Smoothing>                                                                  \
    std::ptrdiff_t windowBlocks##Suffix(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,      \
                                        const RowPlan& plan, std::uint8_t* out) {                                \
        return runBlocks<V, WindowBlock<Row, Smoothing>>(s, stride, count, plan, out);                           \
    }                                                                                                            \
    template <typename Row>                                                                                      \
    std::ptrdiff_t mappedBlocks##Suffix(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,      \
                                        const RowPlan& plan, std::uint8_t* out) {                                \
        if constexpr (V::kShuffles)                                                                              \
            return runBlocks<V, MappedWindowBlock<Row>>(s, stride, count, plan, out);                            \
        else                                                                                                     \
            return 0;                                                                                            \
    }                                                                                                            \
    PIXMILL_PIXEL_BLOCKS_OF_ROW(Suffix, BlueGreenRow)                                                            \
    PIXMILL_PIXEL_BLOCKS_OF_ROW(Suffix, GreenRedRow)                                                             \
    PIXMILL_PIXEL_BLOCKS_OF_ROW(Suffix, GreenBlueRow)                                                            \
    PIXMILL_PIXEL_BLOCKS_OF_ROW(Suffix, RedGreenRow)

#define PIXMILL_PIXEL_BLOCKS_OF_ROW(Suffix, Row)                                                                 \
    template std::ptrdiff_t bilinearBlocks##Suffix<Row, RedSiteGreen::LowerLeft>(PIXMILL_PIXEL_BLOCK_ARGS);       \
    template std::ptrdiff_t bilinearBlocks##Suffix<Row, RedSiteGreen::FourNeighbours>(PIXMILL_PIXEL_BLOCK_ARGS);  \
    template std::ptrdiff_t windowBlocks##Suffix<Row, SmoothingFromFlag>(PIXMILL_PIXEL_BLOCK_ARGS);               \
    template std::ptrdiff_t windowBlocks##Suffix<Row, SmoothingAlways>(PIXMILL_PIXEL_BLOCK_ARGS);                 \
    template std::ptrdiff_t windowBlocks##Suffix<Row, SmoothingNever>(PIXMILL_PIXEL_BLOCK_ARGS);                  \
    template std::ptrdiff_t mappedBlocks##Suffix<Row>(PIXMILL_PIXEL_BLOCK_ARGS);

#define PIXMILL_PIXEL_BLOCK_ARGS \
    const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, const RowPlan&, std::uint8_t*

#endif

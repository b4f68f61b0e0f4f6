// The 16-bit forward window in AVX-512 (with its 16-bit instructions, BW),
// 32 pixels a block: word permutes for the interleave, gathers of 16 lanes
// for the tables.  Built for the AVX-512 path's instruction sets, which
// include BW; everything after the target line runs only after the
// processor check.
// GCC 12 takes the inputs that the unmasked AVX-512 intrinsics of its own
// headers leave undefined on purpose for uninitialised values; the warning
// is off for these files only, before those headers are read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_AVX512

#include <immintrin.h>

#include "demosaic/vector/target_sets.h"

PIXMILL_TARGET_BEGIN("avx512f,avx512bw,avx512vbmi")

#include "demosaic/vector/word_blocks.h"

namespace pm {
namespace simd {
namespace {

// Where each word of the three vectors of 32 interleaved pixels comes from:
// word i of vector k is word 32k + i of the pixels, pixel (32k + i) / 3 of
// plane (32k + i) % 3.  `blueGreen` indexes blue and green as one 64-word
// table, green from 32; red words are filled from `red` under `redWords`.
struct WordInterleave {
    alignas(64) std::uint16_t blueGreen[3][32];
    alignas(64) std::uint16_t red[3][32];
    std::uint32_t redWords[3];
};
constexpr WordInterleave wordInterleave() {
    WordInterleave x{};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 32; ++i) {
            const int word = 32 * k + i, pixel = word / 3, plane = word % 3;
            x.blueGreen[k][i] = static_cast<std::uint16_t>(plane == 1 ? 32 + pixel : pixel);
            x.red[k][i] = static_cast<std::uint16_t>(pixel);
            if (plane == 2) x.redWords[k] |= std::uint32_t{1} << i;
        }
    return x;
}
constexpr WordInterleave kWordInterleave = wordInterleave();

struct Avx512Words {
    using Vec = __m512i;
    static constexpr std::ptrdiff_t kPixels = 32;
    static constexpr bool kGathers = true;
    static Vec load(const void* p) { return _mm512_loadu_si512(p); }
    static void store(std::uint16_t* p, Vec v) { _mm512_storeu_si512(p, v); }
    static Vec splat(std::uint16_t v) { return _mm512_set1_epi16(static_cast<short>(v)); }
    static Vec avg(Vec a, Vec b) { return _mm512_avg_epu16(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
    static Vec andBits(Vec a, Vec b) { return _mm512_and_si512(a, b); }
    static Vec xorBits(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
    static Vec byParity(Vec even, Vec odd) { return _mm512_mask_blend_epi16(0xAAAAAAAAu, even, odd); }
    // As AvxWords::grey, within each 128-bit part.
    static Vec grey(Vec g, Vec r, Vec b) {
        const Vec bias = _mm512_set1_epi16(static_cast<short>(0x8000));
        g = _mm512_xor_si512(g, bias), r = _mm512_xor_si512(r, bias), b = _mm512_xor_si512(b, bias);
        const Vec greenRed = _mm512_set1_epi32((306 << 16) | 601), blue = _mm512_set1_epi32(117);
        const Vec zero = _mm512_setzero_si512();
        const Vec low = _mm512_add_epi32(_mm512_madd_epi16(_mm512_unpacklo_epi16(g, r), greenRed),
                                         _mm512_madd_epi16(_mm512_unpacklo_epi16(b, zero), blue));
        const Vec high = _mm512_add_epi32(_mm512_madd_epi16(_mm512_unpackhi_epi16(g, r), greenRed),
                                          _mm512_madd_epi16(_mm512_unpackhi_epi16(b, zero), blue));
        return _mm512_xor_si512(_mm512_packs_epi32(_mm512_srai_epi32(low, 10), _mm512_srai_epi32(high, 10)), bias);
    }
    static void storePixels(std::uint16_t* out, Vec blue, Vec green, Vec red) {
        for (int k = 0; k < 3; ++k) {
            const Vec blueGreen = _mm512_permutex2var_epi16(blue, load(kWordInterleave.blueGreen[k]), green);
            store(out + 32 * k, _mm512_mask_permutexvar_epi16(blueGreen, kWordInterleave.redWords[k],
                                                              load(kWordInterleave.red[k]), red));
        }
    }
    // As Avx2Words::lookUpHalf, 16 lanes a gather.
    template <bool kEven>
    static Vec lookUpHalf(const std::uint16_t* table, Vec v) {
        const auto address = reinterpret_cast<std::uintptr_t>(table);
        const void* base = reinterpret_cast<const void*>(address & ~std::uintptr_t{3});
        const Vec index = kEven ? _mm512_and_si512(v, _mm512_set1_epi32(0xFFFF)) : _mm512_srli_epi32(v, 16);
        const Vec offset = _mm512_add_epi32(_mm512_add_epi32(index, index),
                                            _mm512_set1_epi32(static_cast<int>(address & 3)));
        const Vec word = _mm512_i32gather_epi32(_mm512_and_si512(offset, _mm512_set1_epi32(~3)), base, 1);
        const Vec shift = _mm512_slli_epi32(_mm512_and_si512(offset, _mm512_set1_epi32(2)), 3);
        return kEven ? _mm512_srlv_epi32(word, shift)
                     : _mm512_sllv_epi32(word, _mm512_xor_si512(shift, _mm512_set1_epi32(16)));
    }
    static Vec lookUp(const std::uint16_t* table, Vec v) {
        return _mm512_mask_blend_epi16(0xAAAAAAAAu, lookUpHalf<true>(table, v), lookUpHalf<false>(table, v));
    }
};

}  // namespace

PIXMILL_WORD_BLOCKS(Avx512, Avx512Words)

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

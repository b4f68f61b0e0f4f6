// The 16-bit forward window in AVX, 8 pixels a block: the picks and means
// in 16-bit lanes, the interleave by byte shuffles and the grey weighting
// by multiply-adds.  No gather: rows through tables are left to the scalar
// kernel.  Everything after the target line runs only after the processor
// check.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include <immintrin.h>

#include "demosaic/vector/target_sets.h"

PIXMILL_TARGET_BEGIN("avx")

#include "demosaic/vector/word_blocks.h"

namespace pm {
namespace simd {
namespace {

struct AvxWords {
    using Vec = __m128i;
    static constexpr std::ptrdiff_t kPixels = 8;
    static constexpr bool kGathers = false;
    static Vec load(const std::uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(std::uint16_t* p, Vec v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Vec splat(std::uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static Vec avg(Vec a, Vec b) { return _mm_avg_epu16(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
    static Vec andBits(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static Vec xorBits(Vec a, Vec b) { return _mm_xor_si128(a, b); }
    static Vec byParity(Vec even, Vec odd) { return _mm_blend_epi16(even, odd, 0xAA); }
    // (601 G + 306 R + 117 B) >> 10 in 32-bit lanes by signed multiply-adds:
    // with 32768 taken off each value the sum drops by 1024 x 32768, so the
    // shifted sum is the grey less 32768, which packs exactly into signed
    // words and gets its 32768 back by the top bit.
    static Vec grey(Vec g, Vec r, Vec b) {
        const Vec bias = _mm_set1_epi16(static_cast<short>(0x8000));
        g = _mm_xor_si128(g, bias), r = _mm_xor_si128(r, bias), b = _mm_xor_si128(b, bias);
        const Vec greenRed = _mm_set1_epi32((306 << 16) | 601), blue = _mm_set1_epi32(117), zero = _mm_setzero_si128();
        const Vec low = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(g, r), greenRed),
                                      _mm_madd_epi16(_mm_unpacklo_epi16(b, zero), blue));
        const Vec high = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(g, r), greenRed),
                                       _mm_madd_epi16(_mm_unpackhi_epi16(b, zero), blue));
        return _mm_xor_si128(_mm_packs_epi32(_mm_srai_epi32(low, 10), _mm_srai_epi32(high, 10)), bias);
    }
    static Vec mask(int k, int plane) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(kWordShuffles.mask[k][plane]));
    }
    static Vec interleaved(int k, Vec blue, Vec green, Vec red) {
        return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(blue, mask(k, 0)), _mm_shuffle_epi8(green, mask(k, 1))),
                            _mm_shuffle_epi8(red, mask(k, 2)));
    }
    static void storePixels(std::uint16_t* out, Vec blue, Vec green, Vec red) {
        for (int k = 0; k < 3; ++k) store(out + 8 * k, interleaved(k, blue, green, red));
    }
};

}  // namespace

PIXMILL_WORD_BLOCKS(Avx, AvxWords)

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

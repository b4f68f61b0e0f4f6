// The 16-bit forward window in AVX2, 16 pixels a block, tables looked up by
// gathers of 8 lanes.  Everything after the target line runs only after the
// processor check.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include <immintrin.h>

#include "demosaic/vector/target_sets.h"

PIXMILL_TARGET_BEGIN("avx2")

#include "demosaic/vector/word_blocks.h"

namespace pm {
namespace simd {
namespace {

struct Avx2Words {
    using Vec = __m256i;
    static constexpr std::ptrdiff_t kPixels = 16;
    static constexpr bool kGathers = true;
    static Vec load(const std::uint16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(std::uint16_t* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Vec splat(std::uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static Vec avg(Vec a, Vec b) { return _mm256_avg_epu16(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    static Vec andBits(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    static Vec xorBits(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
    static Vec byParity(Vec even, Vec odd) { return _mm256_blend_epi16(even, odd, 0xAA); }
    // As AvxWords::grey; unpacks and packs work within each 128-bit half,
    // so the words come back in their order.
    static Vec grey(Vec g, Vec r, Vec b) {
        const Vec bias = _mm256_set1_epi16(static_cast<short>(0x8000));
        g = _mm256_xor_si256(g, bias), r = _mm256_xor_si256(r, bias), b = _mm256_xor_si256(b, bias);
        const Vec greenRed = _mm256_set1_epi32((306 << 16) | 601), blue = _mm256_set1_epi32(117);
        const Vec zero = _mm256_setzero_si256();
        const Vec low = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(g, r), greenRed),
                                         _mm256_madd_epi16(_mm256_unpacklo_epi16(b, zero), blue));
        const Vec high = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(g, r), greenRed),
                                          _mm256_madd_epi16(_mm256_unpackhi_epi16(b, zero), blue));
        return _mm256_xor_si256(_mm256_packs_epi32(_mm256_srai_epi32(low, 10), _mm256_srai_epi32(high, 10)), bias);
    }
    // Each 128-bit half interleaves its own 8 pixels (AvxWords); the halves
    // then go in order: the low half's 48 bytes, then the high half's.
    static Vec mask(int k, int plane) {
        return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kWordShuffles.mask[k][plane])));
    }
    static Vec interleaved(int k, Vec blue, Vec green, Vec red) {
        return _mm256_or_si256(
            _mm256_or_si256(_mm256_shuffle_epi8(blue, mask(k, 0)), _mm256_shuffle_epi8(green, mask(k, 1))),
            _mm256_shuffle_epi8(red, mask(k, 2)));
    }
    static void storePixels(std::uint16_t* out, Vec blue, Vec green, Vec red) {
        const Vec w0 = interleaved(0, blue, green, red), w1 = interleaved(1, blue, green, red);
        const Vec w2 = interleaved(2, blue, green, red);
        store(out, _mm256_permute2x128_si256(w0, w1, 0x20));
        store(out + 16, _mm256_permute2x128_si256(w2, w0, 0x30));
        store(out + 32, _mm256_permute2x128_si256(w1, w2, 0x31));
    }
    // table[v] for the even (kEven) or odd words of v, in the same words.
    // Each entry is read as the aligned 32-bit word holding it (`offset` is
    // the entry's byte offset from that word's base): the gather never
    // reaches past the table's last entry or before its first by more than
    // the two bytes sharing their aligned word, so never into another page.
    template <bool kEven>
    static Vec lookUpHalf(const std::uint16_t* table, Vec v) {
        const auto address = reinterpret_cast<std::uintptr_t>(table);
        const int* base = reinterpret_cast<const int*>(address & ~std::uintptr_t{3});
        const Vec index = kEven ? _mm256_and_si256(v, _mm256_set1_epi32(0xFFFF)) : _mm256_srli_epi32(v, 16);
        const Vec offset = _mm256_add_epi32(_mm256_add_epi32(index, index),
                                            _mm256_set1_epi32(static_cast<int>(address & 3)));
        const Vec word = _mm256_i32gather_epi32(base, _mm256_and_si256(offset, _mm256_set1_epi32(~3)), 1);
        // 0 or 16: where the entry sits in its 32-bit word.
        const Vec shift = _mm256_slli_epi32(_mm256_and_si256(offset, _mm256_set1_epi32(2)), 3);
        return kEven ? _mm256_srlv_epi32(word, shift)
                     : _mm256_sllv_epi32(word, _mm256_xor_si256(shift, _mm256_set1_epi32(16)));
    }
    static Vec lookUp(const std::uint16_t* table, Vec v) {
        return _mm256_blend_epi16(lookUpHalf<true>(table, v), lookUpHalf<false>(table, v), 0xAA);
    }
};

}  // namespace

PIXMILL_WORD_BLOCKS(Avx2, Avx2Words)

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

// The vector operations of AVX2, 32 pixels a block.  Byte-wise operations
// never cross the 128-bit halves, so the rules hold lane for lane; the byte
// shuffle works within each half, so table pieces are repeated in both.
// Include only inside PIXMILL_TARGET_BEGIN("avx2").
#ifndef PIXMILL_DEMOSAIC_VECTOR_ISA_AVX2_H
#define PIXMILL_DEMOSAIC_VECTOR_ISA_AVX2_H

#include "demosaic/vector/x86_pixels.h"

namespace pm {
namespace simd {
namespace {

struct Avx2Ops {
    using Vec = __m256i;
    static constexpr std::ptrdiff_t kPixels = 32;
    static constexpr bool kShuffles = true;
    static constexpr bool kStreams = true;
    static constexpr bool kWholeTables = false;
    // trunc(a * b / d) in 16-bit lanes, as in Sse2Ops.
    static Vec quotient(Vec a, Vec b, Vec d) {
        const Vec low = _mm256_mullo_epi16(a, b), high = _mm256_mulhi_epi16(a, b), dHigh = _mm256_srai_epi16(d, 15);
        return _mm256_packs_epi32(quotientPart(_mm256_unpacklo_epi16(low, high), _mm256_unpacklo_epi16(d, dHigh)),
                                  quotientPart(_mm256_unpackhi_epi16(low, high), _mm256_unpackhi_epi16(d, dHigh)));
    }
    // trunc(p / q) in 32-bit lanes, each exact as a float.
    static Vec quotientPart(Vec p, Vec q) {
        return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(p), _mm256_cvtepi32_ps(q)));
    }
    static Vec mulLow(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
    // trunc(a * b / (d + e)) and whether it is whole, as in Sse2Ops.
    static Vec wholeQuotient(Vec a, Vec b, Vec d, Vec e, Vec& whole) {
        const Vec zero = _mm256_setzero_si256(), low = _mm256_mullo_epi16(a, b), high = _mm256_mulhi_epu16(a, b);
        Vec exactLow, exactHigh;
        const Vec first = wholeQuotientPart(
            _mm256_unpacklo_epi16(low, high),
            _mm256_add_epi32(_mm256_unpacklo_epi16(d, zero), _mm256_unpacklo_epi16(e, zero)), exactLow);
        const Vec second = wholeQuotientPart(
            _mm256_unpackhi_epi16(low, high),
            _mm256_add_epi32(_mm256_unpackhi_epi16(d, zero), _mm256_unpackhi_epi16(e, zero)), exactHigh);
        whole = _mm256_packs_epi32(exactLow, exactHigh);
        return _mm256_packs_epi32(first, second);
    }
    static Vec wholeQuotientPart(Vec p, Vec q, Vec& exact) {
        const __m256 product = _mm256_cvtepi32_ps(p), divisor = _mm256_cvtepi32_ps(q);
        const Vec quotient = _mm256_cvttps_epi32(_mm256_div_ps(product, divisor));
        exact = _mm256_castps_si256(
            _mm256_cmp_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(quotient), divisor), product, _CMP_EQ_OQ));
        return quotient;
    }
    static Vec load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(std::uint8_t* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Vec piece(const std::uint8_t* p) {
        return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static Vec splat(std::uint8_t v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    static Vec avg(Vec a, Vec b) { return _mm256_avg_epu8(a, b); }
    static Vec subBytes(Vec a, Vec b) { return _mm256_sub_epi8(a, b); }
    static Vec subsBytes(Vec a, Vec b) { return _mm256_subs_epi8(a, b); }
    static Vec andBits(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    static Vec byParity(Vec even, Vec odd) { return _mm256_blendv_epi8(even, odd, _mm256_set1_epi16(-256)); }
    static Vec orBits(Vec a, Vec b) { return _mm256_or_si256(a, b); }
    static Vec xorBits(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
    static Vec shuffle(Vec table, Vec idx) { return _mm256_shuffle_epi8(table, idx); }
    // The byte shift works within each half: the low half takes the high
    // half's first byte, the high half takes `after`.
    static Vec nextLanes(Vec v, std::uint8_t after) {
        const Vec following = _mm256_permute2x128_si256(v, _mm256_castsi128_si256(_mm_cvtsi32_si128(after)), 0x21);
        return _mm256_alignr_epi8(following, v, 1);
    }
    static void storePixels(std::uint8_t* out, Vec blue, Vec green, Vec red) { storeShuffled32(out, blue, green, red); }
    static void streamPixels(std::uint8_t* out, Vec blue, Vec green, Vec red) {
        storeShuffled32<true>(out, blue, green, red);
    }
    // 16-bit lanes.
    static Vec lowBytes(Vec v) { return _mm256_and_si256(v, _mm256_set1_epi16(0x00FF)); }
    static Vec highBytes(Vec v) { return _mm256_srli_epi16(v, 8); }
    static Vec add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    static Vec max(Vec a, Vec b) { return _mm256_max_epi16(a, b); }
    static Vec min(Vec a, Vec b) { return _mm256_min_epi16(a, b); }
    // Comparisons give a lane mask, which select, maskAnd, maskOr and
    // maskAndNot (a and not b) take.
    using Mask = Vec;
    static Mask greater(Vec a, Vec b) { return _mm256_cmpgt_epi16(a, b); }
    static Mask maskAnd(Mask a, Mask b) { return _mm256_and_si256(a, b); }
    static Mask maskOr(Mask a, Mask b) { return _mm256_or_si256(a, b); }
    static Mask maskAndNot(Mask a, Mask b) { return _mm256_andnot_si256(b, a); }
    static Vec select(Mask mask, Vec a, Vec b) { return _mm256_blendv_epi8(b, a, mask); }
    static Vec half(Vec v) { return _mm256_srli_epi16(v, 1); }
    static Vec quarter(Vec v) { return _mm256_srli_epi16(v, 2); }
    static Vec eighth(Vec v) { return _mm256_srli_epi16(v, 3); }
    static Vec halfDown(Vec v) { return _mm256_srai_epi16(v, 1); }
    static Vec quarterDown(Vec v) { return _mm256_srai_epi16(v, 2); }
    // The pack works within each 128-bit half: [even 0-7, odd 0-7 | even
    // 8-15, odd 8-15]; interleaving each half with its own upper 8 bytes
    // gives columns in order.
    static Vec pack(Vec even, Vec odd) {
        const Vec p = _mm256_packus_epi16(even, odd);
        return _mm256_unpacklo_epi8(p, _mm256_srli_si256(p, 8));
    }
    // The same for lanes already within 0-255, without the clamp.
    static Vec join(Vec even, Vec odd) { return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8)); }
};

}  // namespace
}  // namespace simd
}  // namespace pm

#endif

// The vector operations of SSE2, 16 pixels a block, for every block loop
// written over an instruction-set type (pixel_blocks.h, gradient_blocks.h):
// byte lanes for the means of the bilinear and window rules, 16-bit lanes
// for the sums and differences of the gradient rules.  SSE2 has no byte
// shuffle: tables are looked up one byte at a time from general registers
// (storeMapped), and blocks that map samples themselves hand everything to
// the scalar rules.
#ifndef PIXMILL_DEMOSAIC_VECTOR_ISA_SSE2_H
#define PIXMILL_DEMOSAIC_VECTOR_ISA_SSE2_H

#include "demosaic/vector/x86_pixels.h"

namespace pm {
namespace simd {
namespace {

struct Sse2Ops {
    using Vec = __m128i;
    static constexpr std::ptrdiff_t kPixels = 16;
    static constexpr bool kShuffles = false;
    static constexpr bool kStreams = false;
    static constexpr bool kWholeTables = false;
    // trunc(a * b / d) in 16-bit lanes, for |a * b| below 2^16 and d not 0:
    // product and divisor are exact floats, and a quotient that is not whole
    // lies at least 1/|d| from one, more than the rounding of the division
    // (|a * b / d| 2^-24) moves it, so truncating gives the integer quotient.
    // The unpacks and the pack pair up lanes alike, so the order stays.
    static Vec quotient(Vec a, Vec b, Vec d) {
        const Vec low = _mm_mullo_epi16(a, b), high = _mm_mulhi_epi16(a, b), dHigh = _mm_srai_epi16(d, 15);
        auto part = [](Vec p, Vec q) __attribute__((always_inline)) {
            return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(p), _mm_cvtepi32_ps(q)));
        };
        return _mm_packs_epi32(part(_mm_unpacklo_epi16(low, high), _mm_unpacklo_epi16(d, dHigh)),
                               part(_mm_unpackhi_epi16(low, high), _mm_unpackhi_epi16(d, dHigh)));
    }
    // The low 16 bits of the products of 16-bit lanes.
    static Vec mulLow(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
    // trunc(a * b / (d + e)) in 16-bit lanes read as unsigned, for a * b and
    // d + e below 2^24 and a quotient below 2^15, by the argument of
    // quotient; and in `whole` all bits set where that quotient is a whole
    // number, which is where its product with d + e (exact, being at most
    // a * b) gives a * b back.
    static Vec wholeQuotient(Vec a, Vec b, Vec d, Vec e, Vec& whole) {
        const Vec zero = _mm_setzero_si128(), low = _mm_mullo_epi16(a, b), high = _mm_mulhi_epu16(a, b);
        auto part = [](Vec p, Vec q, Vec& exact) __attribute__((always_inline)) {
            const __m128 product = _mm_cvtepi32_ps(p), divisor = _mm_cvtepi32_ps(q);
            const Vec quotient = _mm_cvttps_epi32(_mm_div_ps(product, divisor));
            exact = _mm_castps_si128(_mm_cmpeq_ps(_mm_mul_ps(_mm_cvtepi32_ps(quotient), divisor), product));
            return quotient;
        };
        Vec exactLow, exactHigh;
        const Vec first = part(_mm_unpacklo_epi16(low, high),
                               _mm_add_epi32(_mm_unpacklo_epi16(d, zero), _mm_unpacklo_epi16(e, zero)), exactLow);
        const Vec second = part(_mm_unpackhi_epi16(low, high),
                                _mm_add_epi32(_mm_unpackhi_epi16(d, zero), _mm_unpackhi_epi16(e, zero)), exactHigh);
        whole = _mm_packs_epi32(exactLow, exactHigh);
        return _mm_packs_epi32(first, second);
    }
    static Vec load(const std::uint8_t* p) { return load16(p); }
    static void store(std::uint8_t* p, Vec v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Vec splat(std::uint8_t v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static Vec avg(Vec a, Vec b) { return _mm_avg_epu8(a, b); }
    static Vec subBytes(Vec a, Vec b) { return _mm_sub_epi8(a, b); }
    static Vec andBits(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static Vec orBits(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec xorBits(Vec a, Vec b) { return _mm_xor_si128(a, b); }
    static Vec byParity(Vec even, Vec odd) {
        const Vec evenLanes = _mm_set1_epi16(0x00FF);
        return _mm_or_si128(_mm_and_si128(evenLanes, even), _mm_andnot_si128(evenLanes, odd));
    }
    static void storePixels(std::uint8_t* out, Vec blue, Vec green, Vec red) {
        storeInterleaved(out, {blue, green, red});
    }
    static void storeMapped(std::uint8_t* out, Vec blue, Vec green, Vec red, const LookupTables& tables) {
        simd::storeMapped(out, {blue, green, red}, tables);
    }
    // 16-bit lanes.
    static Vec lowBytes(Vec v) { return _mm_and_si128(v, _mm_set1_epi16(0x00FF)); }
    static Vec highBytes(Vec v) { return _mm_srli_epi16(v, 8); }
    static Vec add(Vec a, Vec b) { return _mm_add_epi16(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
    static Vec max(Vec a, Vec b) { return _mm_max_epi16(a, b); }
    static Vec min(Vec a, Vec b) { return _mm_min_epi16(a, b); }
    // Comparisons give a lane mask, which select, maskAnd, maskOr and
    // maskAndNot (a and not b) take.
    using Mask = Vec;
    static Mask greater(Vec a, Vec b) { return _mm_cmpgt_epi16(a, b); }
    static Mask maskAnd(Mask a, Mask b) { return _mm_and_si128(a, b); }
    static Mask maskOr(Mask a, Mask b) { return _mm_or_si128(a, b); }
    static Mask maskAndNot(Mask a, Mask b) { return _mm_andnot_si128(b, a); }
    static Vec select(Mask mask, Vec a, Vec b) {
        return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
    }
    static Vec half(Vec v) { return _mm_srli_epi16(v, 1); }
    static Vec quarter(Vec v) { return _mm_srli_epi16(v, 2); }
    static Vec eighth(Vec v) { return _mm_srli_epi16(v, 3); }
    static Vec halfDown(Vec v) { return _mm_srai_epi16(v, 1); }
    static Vec quarterDown(Vec v) { return _mm_srai_epi16(v, 2); }
    // Even and odd columns back to bytes in column order, clamped to 0-255:
    // [even 0-7, odd 0-7] interleaved with its own upper 8 bytes.
    static Vec pack(Vec even, Vec odd) {
        const Vec p = _mm_packus_epi16(even, odd);
        return _mm_unpacklo_epi8(p, _mm_srli_si128(p, 8));
    }
    // The same for lanes already within 0-255, without the clamp.
    static Vec join(Vec even, Vec odd) { return _mm_or_si128(even, _mm_slli_epi16(odd, 8)); }
};

}  // namespace
}  // namespace simd
}  // namespace pm

#endif

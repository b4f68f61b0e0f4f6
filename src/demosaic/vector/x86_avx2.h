// AVX2 pieces of the staged methods' prefixes: 16 samples in 16-bit lanes,
// the saturating way back to bytes, and the green bytes of 16 BGR pixels read
// and written in place.  Only for functions compiled for AVX2 that run after
// the processor check.
#ifndef PIXMILL_DEMOSAIC_VECTOR_X86_AVX2_H
#define PIXMILL_DEMOSAIC_VECTOR_X86_AVX2_H

#include "demosaic/site_walk.h"
#include "demosaic/vector/x86_pixels.h"

#define PIXMILL_AVX2 __attribute__((target("avx2")))
#define PIXMILL_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace pm {
namespace simd {

// 16 samples from p as 16-bit lanes.
PIXMILL_AVX2_INLINE __m256i widen(const std::uint8_t* p) { return _mm256_cvtepu8_epi16(load16(p)); }

// Back to 16 bytes, saturating: 0 or less becomes 0, 255 or more 255.
PIXMILL_AVX2_INLINE __m128i narrow(__m256i v) {
    return _mm_packus_epi16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

// A 16-bit lane mask (0 or -1) as a byte mask.
PIXMILL_AVX2_INLINE __m128i narrowMask(__m256i m) {
    return _mm_packs_epi16(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
}

// v / 2^k before the clamp.  The scalar rule truncates toward zero; an
// arithmetic shift floors instead, which differs only for negative v, and
// those become 0 in the clamp either way.
template <int K>
PIXMILL_AVX2_INLINE __m256i divideBeforeClamp(__m256i v) {
    return _mm256_srai_epi16(v, K);
}

// The green bytes of the 16 pixels from p (48 bytes of B, G, R).
PIXMILL_AVX2_INLINE __m128i greensOf(const std::uint8_t* p) {
    const __m128i lo = _mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i mid = _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1);
    const __m128i hi = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14);
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(load16(p), lo), _mm_shuffle_epi8(load16(p + 16), mid)),
                        _mm_shuffle_epi8(load16(p + 32), hi));
}

// The greens of the 16 pixels from p and of their left and right neighbours:
// the same greens shifted by one lane, with the green before (p[-2]) or
// after (pixel 16's, p[49]) moved in.
struct GreenRow {
    __m128i left, centre, right;
};
PIXMILL_AVX2_INLINE GreenRow greenRowOf(const std::uint8_t* p) {
    const __m128i centre = greensOf(p);
    return {_mm_alignr_epi8(centre, _mm_slli_si128(_mm_cvtsi32_si128(p[-2]), 15), 15), centre,
            _mm_alignr_epi8(_mm_cvtsi32_si128(p[49]), centre, 1)};
}

// Replaces the green bytes of the 16 pixels from p, keeping blue and red.
PIXMILL_AVX2_INLINE void storeGreens(std::uint8_t* p, __m128i g) {
    const __m128i to0 = _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
    const __m128i to1 = _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
    const __m128i to2 = _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
    const __m128i keep0 = _mm_setr_epi8(-1, 0, -1, -1, 0, -1, -1, 0, -1, -1, 0, -1, -1, 0, -1, -1);
    const __m128i keep1 = _mm_setr_epi8(0, -1, -1, 0, -1, -1, 0, -1, -1, 0, -1, -1, 0, -1, -1, 0);
    const __m128i keep2 = _mm_setr_epi8(-1, -1, 0, -1, -1, 0, -1, -1, 0, -1, -1, 0, -1, -1, 0, -1);
    __m128i* o = reinterpret_cast<__m128i*>(p);
    _mm_storeu_si128(o, _mm_or_si128(_mm_and_si128(load16(p), keep0), _mm_shuffle_epi8(g, to0)));
    _mm_storeu_si128(o + 1, _mm_or_si128(_mm_and_si128(load16(p + 16), keep1), _mm_shuffle_epi8(g, to1)));
    _mm_storeu_si128(o + 2, _mm_or_si128(_mm_and_si128(load16(p + 32), keep2), _mm_shuffle_epi8(g, to2)));
}

PIXMILL_AVX2_INLINE __m256i absDiff(__m256i a, __m256i b) { return _mm256_abs_epi16(_mm256_sub_epi16(a, b)); }

// 16 pixels with blue and red through their tables and green as given.
PIXMILL_AVX2_INLINE void storeColoursMapped(std::uint8_t* out, const Planes& p, const LookupTables& t) {
    alignas(16) std::uint8_t blue[16], green[16], red[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(blue), p.blue);
    _mm_store_si128(reinterpret_cast<__m128i*>(green), p.green);
    _mm_store_si128(reinterpret_cast<__m128i*>(red), p.red);
    const std::uint8_t* const blueTable = t.blue;
    const std::uint8_t* const redTable = t.red;
    for (int i = 0; i < 16; ++i, out += 3) out[0] = blueTable[blue[i]], out[1] = green[i], out[2] = redTable[red[i]];
}

// 16 bytes through a table, one by one (AVX2 has no byte gather).
PIXMILL_AVX2_INLINE __m128i mapped16(__m128i v, const std::uint8_t* table) {
    alignas(16) std::uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), v);
    for (std::uint8_t& b : bytes) b = table[b];
    return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}

// Everything both site types of a row need for 16 pixels: the horizontal
// and vertical colours of a green site, the diagonal colour of a red or blue
// site, the own sample and the own green.
struct Estimates {
    __m128i across, upDown, diagonal, own, green;
};

// The planes one site type takes from the estimates.
template <Site S>
PIXMILL_AVX2_INLINE Planes planesOf(const Estimates& e) {
    switch (S) {
        case Site::GreenInRedRow: return {e.upDown, e.green, e.across};
        case Site::GreenInBlueRow: return {e.across, e.green, e.upDown};
        case Site::Red: return {e.diagonal, e.green, e.own};
        case Site::Blue:
        default: return {e.own, e.green, e.diagonal};
    }
}

}  // namespace simd
}  // namespace pm

#endif

// The vector operations of AVX-512 with its byte instructions (BW) and byte
// permutes (VBMI), 64 pixels a block.  The permutes do what takes the other
// paths most of their time: a table look-up is two 128-entry permutes and a
// blend on the index's top bit, and the interleave of 64 pixels is two
// permutes per 64 output bytes.  Include only inside
// PIXMILL_TARGET_BEGIN("avx512f,avx512bw,avx512vbmi").
#ifndef PIXMILL_DEMOSAIC_VECTOR_ISA_AVX512_H
#define PIXMILL_DEMOSAIC_VECTOR_ISA_AVX512_H

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace pm {
namespace simd {
namespace {

// Where each byte of the three 64-byte vectors of 64 interleaved pixels
// comes from: byte i of vector k is byte 64k + i of the pixels, that is
// pixel (64k + i) / 3 of plane (64k + i) % 3.  `blueGreen` indexes the pair
// (blue, green) as one 128-byte table, green from 64; red lanes are filled
// afterwards from `red`, under the mask `redLanes`.
struct InterleaveIndex {
    alignas(64) std::uint8_t blueGreen[3][64];
    alignas(64) std::uint8_t red[3][64];
    std::uint64_t redLanes[3];
};
constexpr InterleaveIndex interleaveIndex() {
    InterleaveIndex x{};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 64; ++i) {
            const int byte = 64 * k + i, pixel = byte / 3, plane = byte % 3;
            x.blueGreen[k][i] = static_cast<std::uint8_t>(plane == 1 ? 64 + pixel : pixel);
            x.red[k][i] = static_cast<std::uint8_t>(pixel);
            if (plane == 2) x.redLanes[k] |= std::uint64_t{1} << i;
        }
    return x;
}
constexpr InterleaveIndex kInterleave = interleaveIndex();

// Lane i + 1 of a vector for each lane i; the last takes lane 0 of a second.
struct NextLane {
    alignas(64) std::uint8_t index[64];
};
constexpr NextLane nextLane() {
    NextLane x{};
    for (int i = 0; i < 64; ++i) x.index[i] = static_cast<std::uint8_t>(i + 1);
    return x;
}
constexpr NextLane kNextLane = nextLane();

struct Avx512Ops {
    using Vec = __m512i;
    static constexpr std::ptrdiff_t kPixels = 64;
    static constexpr bool kShuffles = true;
    static constexpr bool kStreams = true;
    static constexpr bool kWholeTables = true;
    // trunc(a * b / d) in 16-bit lanes, as in Sse2Ops.
    static Vec quotient(Vec a, Vec b, Vec d) {
        const Vec low = _mm512_mullo_epi16(a, b), high = _mm512_mulhi_epi16(a, b), dHigh = _mm512_srai_epi16(d, 15);
        return _mm512_packs_epi32(quotientPart(_mm512_unpacklo_epi16(low, high), _mm512_unpacklo_epi16(d, dHigh)),
                                  quotientPart(_mm512_unpackhi_epi16(low, high), _mm512_unpackhi_epi16(d, dHigh)));
    }
    // trunc(p / q) in 32-bit lanes, each exact as a float.
    static Vec quotientPart(Vec p, Vec q) {
        return _mm512_cvttps_epi32(_mm512_div_ps(_mm512_cvtepi32_ps(p), _mm512_cvtepi32_ps(q)));
    }
    static Vec mulLow(Vec a, Vec b) { return _mm512_mullo_epi16(a, b); }
    // trunc(a * b / (d + e)) and whether it is whole, as in Sse2Ops.
    static Vec wholeQuotient(Vec a, Vec b, Vec d, Vec e, Vec& whole) {
        const Vec zero = _mm512_setzero_si512(), low = _mm512_mullo_epi16(a, b), high = _mm512_mulhi_epu16(a, b);
        Vec exactLow, exactHigh;
        const Vec first = wholeQuotientPart(
            _mm512_unpacklo_epi16(low, high),
            _mm512_add_epi32(_mm512_unpacklo_epi16(d, zero), _mm512_unpacklo_epi16(e, zero)), exactLow);
        const Vec second = wholeQuotientPart(
            _mm512_unpackhi_epi16(low, high),
            _mm512_add_epi32(_mm512_unpackhi_epi16(d, zero), _mm512_unpackhi_epi16(e, zero)), exactHigh);
        whole = _mm512_packs_epi32(exactLow, exactHigh);
        return _mm512_packs_epi32(first, second);
    }
    static Vec wholeQuotientPart(Vec p, Vec q, Vec& exact) {
        const __m512 product = _mm512_cvtepi32_ps(p), divisor = _mm512_cvtepi32_ps(q);
        const Vec quotient = _mm512_cvttps_epi32(_mm512_div_ps(product, divisor));
        const __mmask16 equal =
            _mm512_cmp_ps_mask(_mm512_mul_ps(_mm512_cvtepi32_ps(quotient), divisor), product, _CMP_EQ_OQ);
        exact = _mm512_maskz_mov_epi32(equal, _mm512_set1_epi32(-1));
        return quotient;
    }
    static Vec load(const std::uint8_t* p) { return _mm512_loadu_si512(p); }
    static void store(std::uint8_t* p, Vec v) { _mm512_storeu_si512(p, v); }
    static Vec splat(std::uint8_t v) { return _mm512_set1_epi8(static_cast<char>(v)); }
    static Vec avg(Vec a, Vec b) { return _mm512_avg_epu8(a, b); }
    static Vec subBytes(Vec a, Vec b) { return _mm512_sub_epi8(a, b); }
    static Vec andBits(Vec a, Vec b) { return _mm512_and_si512(a, b); }
    static Vec byParity(Vec even, Vec odd) {
        return _mm512_ternarylogic_epi32(_mm512_set1_epi16(static_cast<short>(0xFF00)), odd, even, 0xCA);
    }
    static Vec orBits(Vec a, Vec b) { return _mm512_or_si512(a, b); }
    static Vec xorBits(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
    // table[idx] per byte: entries idx & 127 of each half of the table, the
    // half chosen by the top bit.  A Table holds the table's four quarters
    // in registers, for loops that look up the same table at every block.
    struct Table {
        Vec quarter[4];
    };
    static Table loadTable(const std::uint8_t* table) {
        return {{load(table), load(table + 64), load(table + 128), load(table + 192)}};
    }
    static Vec lookUp(const Table& t, Vec idx) {
        const Vec low = _mm512_permutex2var_epi8(t.quarter[0], idx, t.quarter[1]);
        const Vec high = _mm512_permutex2var_epi8(t.quarter[2], idx, t.quarter[3]);
        return _mm512_mask_blend_epi8(_mm512_movepi8_mask(idx), low, high);
    }
    static Vec lookUpTable(const std::uint8_t* table, Vec idx) { return lookUp(loadTable(table), idx); }
    static Vec nextLanes(Vec v, std::uint8_t after) {
        return _mm512_permutex2var_epi8(v, load(kNextLane.index), _mm512_set1_epi8(static_cast<char>(after)));
    }
    // Streamed: `out` on a 64-byte boundary, each store a whole line.
    template <bool kStreamed = false>
    static void storePixels(std::uint8_t* out, Vec blue, Vec green, Vec red) {
        for (int k = 0; k < 3; ++k) {
            const Vec blueGreen = _mm512_permutex2var_epi8(blue, load(kInterleave.blueGreen[k]), green);
            const Vec bytes =
                _mm512_mask_permutexvar_epi8(blueGreen, kInterleave.redLanes[k], load(kInterleave.red[k]), red);
            if constexpr (kStreamed)
                _mm512_stream_si512(reinterpret_cast<__m512i*>(out + 64 * k), bytes);
            else
                _mm512_storeu_si512(out + 64 * k, bytes);
        }
    }
    static void streamPixels(std::uint8_t* out, Vec blue, Vec green, Vec red) {
        storePixels<true>(out, blue, green, red);
    }
    // 16-bit lanes; comparisons give a mask register, one bit a lane.
    static Vec lowBytes(Vec v) { return _mm512_and_si512(v, _mm512_set1_epi16(0x00FF)); }
    static Vec highBytes(Vec v) { return _mm512_srli_epi16(v, 8); }
    static Vec add(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
    static Vec max(Vec a, Vec b) { return _mm512_max_epi16(a, b); }
    static Vec min(Vec a, Vec b) { return _mm512_min_epi16(a, b); }
    using Mask = __mmask32;
    static Mask greater(Vec a, Vec b) { return _mm512_cmpgt_epi16_mask(a, b); }
    static Mask maskAnd(Mask a, Mask b) { return a & b; }
    static Mask maskOr(Mask a, Mask b) { return a | b; }
    static Mask maskAndNot(Mask a, Mask b) { return a & ~b; }
    static Vec select(Mask mask, Vec a, Vec b) { return _mm512_mask_blend_epi16(mask, b, a); }
    static Vec half(Vec v) { return _mm512_srli_epi16(v, 1); }
    static Vec quarter(Vec v) { return _mm512_srli_epi16(v, 2); }
    static Vec eighth(Vec v) { return _mm512_srli_epi16(v, 3); }
    static Vec halfDown(Vec v) { return _mm512_srai_epi16(v, 1); }
    static Vec quarterDown(Vec v) { return _mm512_srai_epi16(v, 2); }
    // The pack works within each 128-bit quarter, as in AVX2.
    static Vec pack(Vec even, Vec odd) {
        const Vec p = _mm512_packus_epi16(even, odd);
        return _mm512_unpacklo_epi8(p, _mm512_bsrli_epi128(p, 8));
    }
    // The same for lanes already within 0-255, without the clamp.
    static Vec join(Vec even, Vec odd) { return _mm512_or_si512(even, _mm512_slli_epi16(odd, 8)); }
};

}  // namespace
}  // namespace simd
}  // namespace pm

#endif

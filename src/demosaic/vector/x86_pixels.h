// x86 pieces the instruction-set operations (isa_sse2.h, isa_avx.h,
// isa_avx2.h) share: the store of 16 or 32 pixels as blue, green, red
// triples, with no table or through three arbitrary tables.
//
// The SSE2 pieces are inlined into their callers, also into the AVX
// functions (compiled with a target attribute), which then encode them with
// three-operand instructions.  storeShuffled needs AVX and storeShuffled32
// AVX2: they are compiled for those and must only run after the processor
// check.
#ifndef PIXMILL_DEMOSAIC_VECTOR_X86_PIXELS_H
#define PIXMILL_DEMOSAIC_VECTOR_X86_PIXELS_H

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/vector/vector_paths.h"

// Forced: an SSE2 helper left out of line would be called from the AVX
// functions instead of taking their encoding.
#define PIXMILL_VECTOR_INLINE inline __attribute__((always_inline))

namespace pm {
namespace simd {

// Blue, green and red of 16 pixels, one byte per lane, before the tables.
struct Planes {
    __m128i blue, green, red;
};

PIXMILL_VECTOR_INLINE __m128i load16(const void* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Four pixels held as 32-bit lanes B, G, R, 0, squeezed into the low 12 bytes.
PIXMILL_VECTOR_INLINE __m128i squeezeFour(__m128i v) {
    const __m128i low32 = _mm_set_epi32(0, -1, 0, -1);
    const __m128i pairs = _mm_or_si128(_mm_and_si128(low32, v), _mm_srli_epi64(_mm_andnot_si128(low32, v), 8));
    const __m128i low64 = _mm_set_epi32(0, 0, -1, -1);
    return _mm_or_si128(_mm_and_si128(low64, pairs), _mm_srli_si128(_mm_andnot_si128(low64, pairs), 2));
}

// 16 pixels as 48 bytes B, G, R, B, G, R, ... with no table.
PIXMILL_VECTOR_INLINE void storeInterleaved(std::uint8_t* out, const Planes& p) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bgLo = _mm_unpacklo_epi8(p.blue, p.green), bgHi = _mm_unpackhi_epi8(p.blue, p.green);
    const __m128i rLo = _mm_unpacklo_epi8(p.red, zero), rHi = _mm_unpackhi_epi8(p.red, zero);
    const __m128i q0 = squeezeFour(_mm_unpacklo_epi16(bgLo, rLo));
    const __m128i q1 = squeezeFour(_mm_unpackhi_epi16(bgLo, rLo));
    const __m128i q2 = squeezeFour(_mm_unpacklo_epi16(bgHi, rHi));
    const __m128i q3 = squeezeFour(_mm_unpackhi_epi16(bgHi, rHi));
    __m128i* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o, _mm_or_si128(q0, _mm_slli_si128(q1, 12)));
    _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(q1, 4), _mm_slli_si128(q2, 8)));
    _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(q2, 8), _mm_slli_si128(q3, 4)));
}

// The 48 interleaved bytes of 16 pixels by rotation and blend.  Byte k of
// output vector v is byte 16v + k of the pixels, whose plane is
// (16v + k) % 3 = (v + k) % 3: each plane's bytes sit at one position mod 3
// in each output vector, a different one in each.  So one shuffle per plane
// puts, at every position k, the byte that the one output vector taking
// that plane at k wants there (rotated[c][k], pixel (16v + k) / 3), and
// output vector v blends the shuffled planes v, v + 1 and v + 2 (mod 3) by
// position mod 3 (second: k % 3 == 1, third: k % 3 == 2).
struct RotatedInterleave {
    alignas(16) std::int8_t rotated[3][16];
    alignas(16) std::int8_t second[16];
    alignas(16) std::int8_t third[16];
};
constexpr RotatedInterleave rotatedInterleave() {
    RotatedInterleave x{};
    for (int k = 0; k < 16; ++k) {
        for (int c = 0; c < 3; ++c) {
            const int v = ((c - k) % 3 + 3) % 3;
            x.rotated[c][k] = static_cast<std::int8_t>((16 * v + k) / 3);
        }
        x.second[k] = k % 3 == 1 ? -1 : 0;
        x.third[k] = k % 3 == 2 ? -1 : 0;
    }
    return x;
}
constexpr RotatedInterleave kRotatedInterleave = rotatedInterleave();

// 16 pixels as 48 interleaved bytes.  Needs AVX (its byte shuffle and
// blend with the three-operand encoding).
__attribute__((target("avx"), always_inline)) inline void storeShuffled(std::uint8_t* out, const Planes& p) {
    const RotatedInterleave& m = kRotatedInterleave;
    const __m128i planes[3] = {_mm_shuffle_epi8(p.blue, load16(m.rotated[0])),
                               _mm_shuffle_epi8(p.green, load16(m.rotated[1])),
                               _mm_shuffle_epi8(p.red, load16(m.rotated[2]))};
    const __m128i second = load16(m.second), third = load16(m.third);
    __m128i* o = reinterpret_cast<__m128i*>(out);
    for (int v = 0; v < 3; ++v)
        _mm_storeu_si128(o + v, _mm_blendv_epi8(_mm_blendv_epi8(planes[v], planes[(v + 1) % 3], second),
                                                planes[(v + 2) % 3], third));
}

// 32 pixels, planes of 32 bytes, as 96 interleaved bytes in AVX2: each
// 128-bit half interleaves its 16 pixels as above, and the halves are then
// regrouped into three 32-byte stores.  Streamed: `out` on a 32-byte
// boundary, stored past the cache.
template <bool kStreamed = false>
__attribute__((target("avx2"), always_inline)) inline void storeShuffled32(std::uint8_t* out, __m256i blue,
                                                                          __m256i green, __m256i red) {
    const RotatedInterleave& m = kRotatedInterleave;
    const __m256i planes[3] = {_mm256_shuffle_epi8(blue, _mm256_broadcastsi128_si256(load16(m.rotated[0]))),
                               _mm256_shuffle_epi8(green, _mm256_broadcastsi128_si256(load16(m.rotated[1]))),
                               _mm256_shuffle_epi8(red, _mm256_broadcastsi128_si256(load16(m.rotated[2])))};
    const __m256i second = _mm256_broadcastsi128_si256(load16(m.second));
    const __m256i third = _mm256_broadcastsi128_si256(load16(m.third));
    __m256i part[3];
    for (int v = 0; v < 3; ++v)
        part[v] = _mm256_blendv_epi8(_mm256_blendv_epi8(planes[v], planes[(v + 1) % 3], second), planes[(v + 2) % 3],
                                     third);
    // part[k] holds bytes 16k to 16k + 15 of pixels 0-15 (low half) and of
    // pixels 16-31 (high half).
    const __m256i whole[3] = {_mm256_permute2x128_si256(part[0], part[1], 0x20),
                              _mm256_permute2x128_si256(part[2], part[0], 0x30),
                              _mm256_permute2x128_si256(part[1], part[2], 0x31)};
    __m256i* o = reinterpret_cast<__m256i*>(out);
    for (int k = 0; k < 3; ++k) {
        if constexpr (kStreamed)
            _mm256_stream_si256(o + k, whole[k]);
        else
            _mm256_storeu_si256(o + k, whole[k]);
    }
}

// 16 pixels through three arbitrary tables.  A table look-up is a gather,
// which SSE2 lacks, so each value moves to a general register (a register's
// width of values at a time: eight on x86-64, four on 32-bit x86) and indexes
// its table there; going through a stack copy of the vectors instead
// measured slower than the plain scalar kernel.
#ifdef __x86_64__
using RegisterBytes = std::uint64_t;
PIXMILL_VECTOR_INLINE RegisterBytes lowBytes(__m128i v) { return static_cast<RegisterBytes>(_mm_cvtsi128_si64(v)); }
#else
using RegisterBytes = std::uint32_t;
PIXMILL_VECTOR_INLINE RegisterBytes lowBytes(__m128i v) { return static_cast<RegisterBytes>(_mm_cvtsi128_si32(v)); }
#endif
PIXMILL_VECTOR_INLINE void storeMapped(std::uint8_t* out, const Planes& p, const LookupTables& t) {
    // Table addresses in locals: stores through `out` could alias the fields
    // of `t`, which would make the compiler reload them for every byte.
    const std::uint8_t* const blueTable = t.blue;
    const std::uint8_t* const greenTable = t.green;
    const std::uint8_t* const redTable = t.red;
    constexpr int kBytes = sizeof(RegisterBytes);
    __m128i blues = p.blue, greens = p.green, reds = p.red;
    for (int part = 0; part < 16 / kBytes; ++part) {
        RegisterBytes blue = lowBytes(blues), green = lowBytes(greens), red = lowBytes(reds);
        for (int i = 0; i < kBytes; ++i) {
            out[0] = blueTable[blue & 0xFF];
            out[1] = greenTable[green & 0xFF];
            out[2] = redTable[red & 0xFF];
            blue >>= 8;
            green >>= 8;
            red >>= 8;
            out += 3;
        }
        blues = _mm_srli_si128(blues, kBytes);
        greens = _mm_srli_si128(greens, kBytes);
        reds = _mm_srli_si128(reds, kBytes);
    }
}

}  // namespace simd
}  // namespace pm

#endif

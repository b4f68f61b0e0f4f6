// AVX2 prefixes of the tone-curve mapping and of the sharpening rows.
#include "adjust/vector_paths.h"

#ifdef PIXMILL_ADJUST_X86

#include <immintrin.h>

#include "frame/cpu_cap.h"

#define PIXMILL_AVX2 __attribute__((target("avx2")))

namespace pm {
namespace adjust {
namespace {

PIXMILL_AVX2 inline __m256i widen16(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
PIXMILL_AVX2 inline __m256i load(const std::int16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
PIXMILL_AVX2 inline void store(std::int16_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// v + ((9v - V) * k >> 8) for 16 bytes, as saturated 16-bit values.
PIXMILL_AVX2 inline __m256i emphasize16(const std::uint8_t* v, const std::int16_t* box, __m256i k) {
    const __m256i value = widen16(v);
    const __m256i x = _mm256_sub_epi16(_mm256_mullo_epi16(value, _mm256_set1_epi16(9)), load(box));
    const __m256i shifted = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(x, k), 8),
                                            _mm256_srli_epi16(_mm256_mullo_epi16(x, k), 8));
    return _mm256_adds_epi16(value, shifted);
}

}  // namespace

// Asked afresh each time; PIXMILL_CPU_MAX (cpu_cap.h) can keep AVX2 out.
Path bestPath() {
    return cpuCapAllows(CpuLevel::Avx2) && __builtin_cpu_supports("avx2") ? Path::Avx2 : Path::Scalar;
}

// The table as sixteen runs of sixteen entries: a byte shuffle looks up the
// low nibble in all sixteen runs, and a tree of blends picks the run named by
// the high nibble, bit 4 first (each bit moved to the top of its byte, where
// the blend reads it).
PIXMILL_AVX2 std::size_t mapBytesAvx2(const std::uint8_t* source, std::size_t count, const std::uint8_t* table,
                                      std::uint8_t* destination) {
    __m256i runs[16];
    for (int k = 0; k < 16; ++k)
        runs[k] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * k)));
    const __m256i lowNibble = _mm256_set1_epi8(0x0F);
    std::size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i));
        const __m256i low = _mm256_and_si256(x, lowNibble);
        __m256i level[16];
        for (int k = 0; k < 16; ++k) level[k] = _mm256_shuffle_epi8(runs[k], low);
        for (int bit = 4, n = 16; bit < 8; ++bit, n /= 2) {
            const __m256i select = _mm256_slli_epi16(x, 7 - bit);
            for (int k = 0; k < n / 2; ++k) level[k] = _mm256_blendv_epi8(level[2 * k], level[2 * k + 1], select);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + i), level[0]);
    }
    return i;
}

PIXMILL_AVX2 std::ptrdiff_t horizontalSumsAvx2(const std::uint8_t* v, std::ptrdiff_t first, std::ptrdiff_t end,
                                               std::int16_t* h) {
    std::ptrdiff_t i = first;
    for (; i + 16 <= end; i += 16)
        store(h + i, _mm256_add_epi16(_mm256_add_epi16(widen16(v + i - 3), widen16(v + i)), widen16(v + i + 3)));
    return i;
}

PIXMILL_AVX2 std::ptrdiff_t sumRowsAvx2(const std::int16_t* a, const std::int16_t* b, const std::int16_t* c,
                                        std::ptrdiff_t count, std::int16_t* out) {
    std::ptrdiff_t i = 0;
    for (; i + 16 <= count; i += 16)
        store(out + i, _mm256_add_epi16(_mm256_add_epi16(load(a + i), load(b + i)), load(c + i)));
    return i;
}

PIXMILL_AVX2 std::ptrdiff_t slideRowAvx2(std::int16_t* box, const std::int16_t* entering, const std::int16_t* leaving,
                                         std::ptrdiff_t count) {
    std::ptrdiff_t i = 0;
    for (; i + 16 <= count; i += 16)
        store(box + i, _mm256_sub_epi16(_mm256_add_epi16(load(box + i), load(entering + i)), load(leaving + i)));
    return i;
}

// (9v - V) lies within +-2040, so with |gain| <= 4095 the product shifted
// right by 8 fits 16 bits: it is bits 8 to 23 of the 32-bit product, put
// together from the high and low halves of the 16-bit multiplications (the
// arithmetic shift's rounding toward minus infinity comes with it).  The
// saturating add and the unsigned pack clamp to 0-255 as the scalar rule does.
PIXMILL_AVX2 std::ptrdiff_t emphasizeRowAvx2(const std::uint8_t* v, const std::int16_t* box, std::ptrdiff_t count,
                                             int gain, std::uint8_t* out) {
    if (gain > 4095 || gain < -4095) return 0;
    const __m256i k = _mm256_set1_epi16(std::int16_t(gain));
    std::ptrdiff_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i packed = _mm256_packus_epi16(emphasize16(v + i, box + i, k), emphasize16(v + i + 16, box + i + 16, k));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    return i;
}

}  // namespace adjust
}  // namespace pm

#endif

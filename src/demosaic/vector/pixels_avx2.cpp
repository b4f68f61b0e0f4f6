// The bilinear and forward-window prefixes in AVX2, 32 pixels per step.
// Byte-wise operations never cross the 128-bit halves, so the rules of
// pixel_blocks.h hold lane for lane; the byte shuffle works within each
// half, so table pieces are repeated in both.  Everything after the target line is built for AVX2 and runs only
// after the processor check.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/target_sets.h"
#include "demosaic/vector/pixel_paths.h"
#include "demosaic/vector/x86_pixels.h"

PIXMILL_TARGET_BEGIN("avx2")

#include "demosaic/vector/pixel_blocks.h"

namespace pm {
namespace simd {
namespace {

struct Avx2Pixels {
    using Vec = __m256i;
    static constexpr std::ptrdiff_t kPixels = 32;
    static constexpr bool kShuffles = true;
    static constexpr bool kStreams = true;
    static constexpr bool kWholeTables = false;
    static Vec load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
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
};

}  // namespace

PIXMILL_PIXEL_BLOCKS(Avx2, Avx2Pixels)

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

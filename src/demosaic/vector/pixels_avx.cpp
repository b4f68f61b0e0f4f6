// The bilinear and forward-window prefixes in AVX, 16 pixels per step, with
// byte shuffles for the interleave and the table look-ups.  Everything after
// the target line is built for AVX and runs only after the processor check.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/target_sets.h"
#include "demosaic/vector/pixel_paths.h"
#include "demosaic/vector/x86_pixels.h"

PIXMILL_TARGET_BEGIN("avx")

#include "demosaic/vector/pixel_blocks.h"

namespace pm {
namespace simd {
namespace {

struct AvxPixels {
    using Vec = __m128i;
    static constexpr std::ptrdiff_t kPixels = 16;
    static constexpr bool kShuffles = true;
    static constexpr bool kStreams = false;
    static constexpr bool kWholeTables = false;
    static Vec load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static Vec piece(const std::uint8_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
    static Vec splat(std::uint8_t v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static Vec avg(Vec a, Vec b) { return _mm_avg_epu8(a, b); }
    static Vec subBytes(Vec a, Vec b) { return _mm_sub_epi8(a, b); }
    static Vec subsBytes(Vec a, Vec b) { return _mm_subs_epi8(a, b); }
    static Vec andBits(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static Vec byParity(Vec even, Vec odd) { return _mm_blendv_epi8(even, odd, _mm_set1_epi16(-256)); }
    static Vec orBits(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec xorBits(Vec a, Vec b) { return _mm_xor_si128(a, b); }
    static Vec shuffle(Vec table, Vec idx) { return _mm_shuffle_epi8(table, idx); }
    static Vec nextLanes(Vec v, std::uint8_t after) { return _mm_alignr_epi8(_mm_cvtsi32_si128(after), v, 1); }
    static void storePixels(std::uint8_t* out, Vec blue, Vec green, Vec red) { storeShuffled(out, {blue, green, red}); }
};

}  // namespace

PIXMILL_PIXEL_BLOCKS(Avx, AvxPixels)

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

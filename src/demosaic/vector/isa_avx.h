// The vector operations of AVX, 16 pixels a block: the operations of SSE2
// in the three-operand encoding, with byte shuffles for the interleave and
// the table look-ups.  Include only inside PIXMILL_TARGET_BEGIN("avx").
#ifndef PIXMILL_DEMOSAIC_VECTOR_ISA_AVX_H
#define PIXMILL_DEMOSAIC_VECTOR_ISA_AVX_H

#include "demosaic/vector/isa_sse2.h"

namespace pm {
namespace simd {
namespace {

struct AvxOps : Sse2Ops {
    static constexpr bool kShuffles = true;
    static Vec piece(const std::uint8_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
    static Vec subsBytes(Vec a, Vec b) { return _mm_subs_epi8(a, b); }
    static Vec byParity(Vec even, Vec odd) { return _mm_blendv_epi8(even, odd, _mm_set1_epi16(-256)); }
    static Vec shuffle(Vec table, Vec idx) { return _mm_shuffle_epi8(table, idx); }
    static Vec nextLanes(Vec v, std::uint8_t after) { return _mm_alignr_epi8(_mm_cvtsi32_si128(after), v, 1); }
    static Vec select(Mask mask, Vec a, Vec b) { return _mm_blendv_epi8(b, a, mask); }
    static void storePixels(std::uint8_t* out, Vec blue, Vec green, Vec red) { storeShuffled(out, {blue, green, red}); }
};

}  // namespace
}  // namespace simd
}  // namespace pm

#endif

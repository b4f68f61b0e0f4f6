// The bilinear and forward-window prefixes in SSE2, 16 pixels per step.
// SSE2 has no byte shuffle: arbitrary tables are looked up one byte at a
// time from general registers (storeMapped), and the mapped forward window
// is left to the scalar kernel.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/pixel_blocks.h"
#include "demosaic/vector/pixel_paths.h"
#include "demosaic/vector/x86_pixels.h"

namespace pm {
namespace simd {
namespace {

struct Sse2Pixels {
    using Vec = __m128i;
    static constexpr std::ptrdiff_t kPixels = 16;
    static constexpr bool kShuffles = false;
    static constexpr bool kStreams = false;
    static Vec load(const std::uint8_t* p) { return load16(p); }
    static Vec splat(std::uint8_t v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static Vec avg(Vec a, Vec b) { return _mm_avg_epu8(a, b); }
    static Vec subBytes(Vec a, Vec b) { return _mm_sub_epi8(a, b); }
    static Vec andBits(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static Vec byParity(Vec even, Vec odd) {
        const Vec evenLanes = _mm_set1_epi16(0x00FF);
        return _mm_or_si128(_mm_and_si128(evenLanes, even), _mm_andnot_si128(evenLanes, odd));
    }
    static Vec orBits(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec xorBits(Vec a, Vec b) { return _mm_xor_si128(a, b); }
    static void storePixels(std::uint8_t* out, Vec blue, Vec green, Vec red) {
        storeInterleaved(out, {blue, green, red});
    }
    static void storeMapped(std::uint8_t* out, Vec blue, Vec green, Vec red, const LookupTables& tables) {
        simd::storeMapped(out, {blue, green, red}, tables);
    }
};

}  // namespace

PIXMILL_PIXEL_BLOCKS(Sse2, Sse2Pixels)

}  // namespace simd
}  // namespace pm

#endif

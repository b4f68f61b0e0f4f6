// The gradient-directed prefixes in AVX2, 32 pixels per step.  Everything
// after the target line is built for AVX2 and runs only after the processor
// check of bestPathWithAvx2; the headers before it keep their own encoding.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include <immintrin.h>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/gradient_avx2.h"
#include "demosaic/vector/target_sets.h"
#include "demosaic/vector/x86_pixels.h"

PIXMILL_TARGET_BEGIN("avx2")

#include "demosaic/vector/gradient_blocks.h"

namespace pm {
namespace simd {
namespace {

struct Avx2Lanes {
    using Vec = __m256i;
    static constexpr std::ptrdiff_t kPixels = 32;
    static Vec load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(std::uint8_t* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Vec lowBytes(Vec v) { return _mm256_and_si256(v, _mm256_set1_epi16(0x00FF)); }
    static Vec highBytes(Vec v) { return _mm256_srli_epi16(v, 8); }
    static Vec add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    static Vec max(Vec a, Vec b) { return _mm256_max_epi16(a, b); }
    static Vec min(Vec a, Vec b) { return _mm256_min_epi16(a, b); }
    static Vec greater(Vec a, Vec b) { return _mm256_cmpgt_epi16(a, b); }
    static Vec select(Vec mask, Vec a, Vec b) { return _mm256_blendv_epi8(b, a, mask); }
    static Vec half(Vec v) { return _mm256_srli_epi16(v, 1); }
    static Vec quarter(Vec v) { return _mm256_srli_epi16(v, 2); }
    static Vec halfDown(Vec v) { return _mm256_srai_epi16(v, 1); }
    static Vec quarterDown(Vec v) { return _mm256_srai_epi16(v, 2); }
    // The pack works within each 128-bit half: [even 0-7, odd 0-7 | even
    // 8-15, odd 8-15]; interleaving each half with its own upper 8 bytes
    // gives columns in order.
    static Vec pack(Vec even, Vec odd) {
        const Vec p = _mm256_packus_epi16(even, odd);
        return _mm256_unpacklo_epi8(p, _mm256_srli_si256(p, 8));
    }
    static void storePixels(std::uint8_t* out, Vec blue, Vec green, Vec red) {
        storeShuffled32(out, blue, green, red);
    }
};

}  // namespace

template <typename Row>
std::ptrdiff_t gradientGreenAvx2(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                 std::uint8_t* green) {
    return greenBlocks<Avx2Lanes, Row>(s, stride, count, green);
}

template <typename Row>
std::ptrdiff_t gradientColourAvx2(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* const* greens,
                                  std::ptrdiff_t count, std::uint8_t* out) {
    return colourBlocks<Avx2Lanes, Row>(s, stride, greens, count, out);
}

#define PIXMILL_GRADIENT_AVX2(Row)                                                                             \
    template std::ptrdiff_t gradientGreenAvx2<Row>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,       \
                                                   std::uint8_t*);                                            \
    template std::ptrdiff_t gradientColourAvx2<Row>(const std::uint8_t*, std::ptrdiff_t, const std::uint8_t* const*, \
                                                    std::ptrdiff_t, std::uint8_t*);
PIXMILL_GRADIENT_AVX2(BlueGreenRow)
PIXMILL_GRADIENT_AVX2(GreenRedRow)
PIXMILL_GRADIENT_AVX2(GreenBlueRow)
PIXMILL_GRADIENT_AVX2(RedGreenRow)

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

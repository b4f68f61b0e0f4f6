// The gradient-directed prefixes in SSE2, 16 pixels per step, and the choice
// between them and the AVX2 forms.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/gradient_avx2.h"
#include "demosaic/vector/gradient_blocks.h"
#include "demosaic/vector/x86_pixels.h"

namespace pm {
namespace simd {
namespace {

struct Sse2Lanes {
    using Vec = __m128i;
    static constexpr std::ptrdiff_t kPixels = 16;
    static Vec load(const std::uint8_t* p) { return load16(p); }
    static void store(std::uint8_t* p, Vec v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Vec lowBytes(Vec v) { return _mm_and_si128(v, _mm_set1_epi16(0x00FF)); }
    static Vec highBytes(Vec v) { return _mm_srli_epi16(v, 8); }
    static Vec add(Vec a, Vec b) { return _mm_add_epi16(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
    static Vec max(Vec a, Vec b) { return _mm_max_epi16(a, b); }
    static Vec min(Vec a, Vec b) { return _mm_min_epi16(a, b); }
    static Vec greater(Vec a, Vec b) { return _mm_cmpgt_epi16(a, b); }
    static Vec select(Vec mask, Vec a, Vec b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }
    static Vec half(Vec v) { return _mm_srli_epi16(v, 1); }
    static Vec quarter(Vec v) { return _mm_srli_epi16(v, 2); }
    static Vec halfDown(Vec v) { return _mm_srai_epi16(v, 1); }
    static Vec quarterDown(Vec v) { return _mm_srai_epi16(v, 2); }
    // [even 0-7, odd 0-7] interleaved with its own upper 8 bytes.
    static Vec pack(Vec even, Vec odd) {
        const Vec p = _mm_packus_epi16(even, odd);
        return _mm_unpacklo_epi8(p, _mm_srli_si128(p, 8));
    }
    static void storePixels(std::uint8_t* out, Vec blue, Vec green, Vec red) { storeInterleaved(out, {blue, green, red}); }
};

}  // namespace

template <typename Row>
std::ptrdiff_t gradientGreenColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                    std::uint8_t* green, Path path) {
    switch (path) {
        case Path::Avx2: return gradientGreenAvx2<Row>(s, stride, count, green);
        case Path::Sse2: return greenBlocks<Sse2Lanes, Row>(s, stride, count, green);
        default: return 0;
    }
}

template <typename Row>
std::ptrdiff_t gradientColourColumns(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* const* greens,
                                     std::ptrdiff_t count, std::uint8_t* out, Path path) {
    switch (path) {
        case Path::Avx2: return gradientColourAvx2<Row>(s, stride, greens, count, out);
        case Path::Sse2: return colourBlocks<Sse2Lanes, Row>(s, stride, greens, count, out);
        default: return 0;
    }
}

#define PIXMILL_GRADIENT_COLUMNS(Row)                                                                           \
    template std::ptrdiff_t gradientGreenColumns<Row>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,      \
                                                      std::uint8_t*, Path);                                      \
    template std::ptrdiff_t gradientColourColumns<Row>(const std::uint8_t*, std::ptrdiff_t,                     \
                                                       const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*, \
                                                       Path);
PIXMILL_GRADIENT_COLUMNS(BlueGreenRow)
PIXMILL_GRADIENT_COLUMNS(GreenRedRow)
PIXMILL_GRADIENT_COLUMNS(GreenBlueRow)
PIXMILL_GRADIENT_COLUMNS(RedGreenRow)

}  // namespace simd
}  // namespace pm

#endif

// AVX2 prefixes of the Laplacian-corrected method (laplacian.cpp), 16 pixels
// of one row per step in 16-bit lanes.  Both site types of the row are
// computed for every lane and each lane keeps the one of its column, exactly
// as the scalar kernels compute it.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/site_walk.h"
#include "demosaic/vector/x86_avx2.h"

namespace pm {
namespace simd {
namespace {

// Green estimates of 16 red or blue sites (lanes of green sites are ignored).
PIXMILL_AVX2_INLINE __m128i greenEstimates(const std::uint8_t* s, std::ptrdiff_t stride) {
    const __m256i x2 = _mm256_slli_epi16(widen(s), 1);
    const __m256i left = widen(s - 1), right = widen(s + 1), up = widen(s - stride), down = widen(s + stride);
    const __m256i horizontalCurve = _mm256_sub_epi16(_mm256_sub_epi16(x2, widen(s - 2)), widen(s + 2));
    const __m256i verticalCurve = _mm256_sub_epi16(_mm256_sub_epi16(x2, widen(s - 2 * stride)), widen(s + 2 * stride));
    const __m256i horizontal = _mm256_add_epi16(absDiff(left, right), _mm256_abs_epi16(horizontalCurve));
    const __m256i vertical = _mm256_add_epi16(absDiff(up, down), _mm256_abs_epi16(verticalCurve));
    const __m256i alongRow = _mm256_add_epi16(_mm256_slli_epi16(_mm256_add_epi16(left, right), 1), horizontalCurve);
    const __m256i alongColumn = _mm256_add_epi16(_mm256_slli_epi16(_mm256_add_epi16(up, down), 1), verticalCurve);
    // Vertical only where strictly flatter; ties take the horizontal one.
    const __m256i estimate = _mm256_blendv_epi8(alongRow, alongColumn, _mm256_cmpgt_epi16(horizontal, vertical));
    return narrow(divideBeforeClamp<2>(estimate));
}

// (s1 + s2 + 2 g - g1 - g2) / 2, clamped, as bytes.
PIXMILL_AVX2_INLINE __m128i colourDifference(__m256i s1, __m256i s2, __m256i g2x, __m256i g1, __m256i gOther) {
    const __m256i sum = _mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(s1, s2), g2x), _mm256_add_epi16(g1, gOther));
    return narrow(divideBeforeClamp<1>(sum));
}

// `greenTable` is null for the identity, where mapped and unmapped coincide;
// otherwise e.green comes back mapped, ready for the output.
PIXMILL_AVX2_INLINE Estimates finishEstimates(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* d,
                                              std::ptrdiff_t step, bool bottomUp, const std::uint8_t* greenTable) {
    const GreenRow above = greenRowOf(d - step), here = greenRowOf(d), below = greenRowOf(d + step);
    const __m128i own = load16(s), green = here.centre;
    // The left neighbours' greens as the sequential pass reads them: the
    // first neighbour was finished before the block and holds its mapped
    // value; the others are the block's own pixels, which that pass would
    // have finished (mapped) by then too, so here they are the block's
    // mapped greens shifted by one lane.
    const __m128i mappedGreen = greenTable ? mapped16(green, greenTable) : green;
    const __m128i leftGreen =
        greenTable ? _mm_alignr_epi8(mappedGreen, _mm_slli_si128(_mm_cvtsi32_si128(d[-2]), 15), 15) : here.left;
    const __m256i sample2x = _mm256_slli_epi16(_mm256_cvtepu8_epi16(own), 1);
    const __m256i g2x = _mm256_slli_epi16(_mm256_cvtepu8_epi16(green), 1);
    const __m256i gLeft = _mm256_cvtepu8_epi16(leftGreen), gRight = _mm256_cvtepu8_epi16(here.right);
    const __m256i gUp = _mm256_cvtepu8_epi16(above.centre), gDown = _mm256_cvtepu8_epi16(below.centre);
    const __m256i gNW = _mm256_cvtepu8_epi16(above.left), gNE = _mm256_cvtepu8_epi16(above.right);
    const __m256i gSW = _mm256_cvtepu8_epi16(below.left), gSE = _mm256_cvtepu8_epi16(below.right);
    const __m256i sNW = widen(s - stride - 1), sNE = widen(s - stride + 1);
    const __m256i sSW = widen(s + stride - 1), sSE = widen(s + stride + 1);

    Estimates e;
    e.own = own, e.green = green;
    e.across = colourDifference(widen(s - 1), widen(s + 1), sample2x, gLeft, gRight);
    e.upDown = colourDifference(widen(s - stride), widen(s + stride), sample2x, gUp, gDown);
    const __m256i rising = _mm256_add_epi16(absDiff(sNE, sSW), _mm256_abs_epi16(_mm256_sub_epi16(
                                                                     _mm256_sub_epi16(g2x, gSW), gNE)));
    const __m256i falling = _mm256_add_epi16(absDiff(sNW, sSE), _mm256_abs_epi16(_mm256_sub_epi16(
                                                                      _mm256_sub_epi16(g2x, gSE), gNW)));
    // Top-down the rising diagonal needs rising < falling; bottom-up it wins
    // ties too (not falling < rising).
    const __m256i takeRising = bottomUp ? _mm256_xor_si256(_mm256_cmpgt_epi16(rising, falling), _mm256_set1_epi16(-1))
                                        : _mm256_cmpgt_epi16(falling, rising);
    const __m128i risingValue = colourDifference(sNE, sSW, g2x, gSW, gNE);
    const __m128i fallingValue = colourDifference(sNW, sSE, g2x, gSE, gNW);
    e.diagonal = _mm_blendv_epi8(fallingValue, risingValue, narrowMask(takeRising));
    e.green = mappedGreen;
    return e;
}

// The loops carry the target attribute themselves; the exported functions
// below were declared without it and only forward.
template <typename Row>
PIXMILL_AVX2 std::ptrdiff_t greenLoop(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                      std::uint8_t* d) {
    std::ptrdiff_t c = 0;
    for (; c + kBlock <= count; c += kBlock) {
        const __m128i estimates = greenEstimates(s + c, stride), samples = load16(s + c);
        // Red and blue sites take the estimate, green sites their sample.
        const __m128i greens = colourSite(Row::even) ? byParity(estimates, samples) : byParity(samples, estimates);
        storeGreens(d + 3 * c, greens);
    }
    return c;
}

template <typename Row>
PIXMILL_AVX2 std::ptrdiff_t finishLoop(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                       std::uint8_t* d, std::ptrdiff_t step, bool bottomUp,
                                       const LookupTables& tables) {
    const bool unmapped = allIdentity(tables);
    const std::uint8_t* greenTable = unmapped ? nullptr : tables.green;
    std::ptrdiff_t c = 0;
    for (; c + kBlock <= count; c += kBlock) {
        const Estimates e = finishEstimates(s + c, stride, d + 3 * c, step, bottomUp, greenTable);
        const Planes p = byParity(planesOf<Row::even>(e), planesOf<Row::odd>(e));
        if (unmapped)
            storeShuffled(d + 3 * c, p);
        else
            storeColoursMapped(d + 3 * c, p, tables);
    }
    return c;
}

}  // namespace

template <typename Row>
std::ptrdiff_t laplacianGreenColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                     std::uint8_t* d) {
    return greenLoop<Row>(s, stride, count, d);
}

template <typename Row>
std::ptrdiff_t laplacianFinishColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                      std::uint8_t* d, std::ptrdiff_t step, bool bottomUp,
                                      const LookupTables& tables) {
    return finishLoop<Row>(s, stride, count, d, step, bottomUp, tables);
}

#define PIXMILL_LAPLACIAN_COLUMNS(Row)                                                                        \
    template std::ptrdiff_t laplacianGreenColumns<Row>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,   \
                                                       std::uint8_t*);                                        \
    template std::ptrdiff_t laplacianFinishColumns<Row>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,  \
                                                        std::uint8_t*, std::ptrdiff_t, bool,               \
                                                        const LookupTables&);
PIXMILL_LAPLACIAN_COLUMNS(BlueGreenRow)
PIXMILL_LAPLACIAN_COLUMNS(GreenRedRow)
PIXMILL_LAPLACIAN_COLUMNS(GreenBlueRow)
PIXMILL_LAPLACIAN_COLUMNS(RedGreenRow)

}  // namespace simd
}  // namespace pm

#endif

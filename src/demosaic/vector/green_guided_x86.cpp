// AVX2 prefixes of the green-guided method (green_guided.cpp): 16 pixels of
// one row per step in 16-bit lanes, both site types computed for every lane,
// on samples already mapped through the green table.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/x86_avx2.h"

namespace pm {
namespace simd {
namespace {

// A 256-byte table as sixteen rows of 16 entries, each row in both 128-bit
// halves, for look-ups by byte shuffles (AVX2 has no byte gather).
struct ShuffleTable {
    __m256i rows[16];
};

PIXMILL_AVX2_INLINE ShuffleTable shuffleTable(const std::uint8_t* table) {
    ShuffleTable t;
    for (int k = 0; k < 16; ++k) t.rows[k] = _mm256_broadcastsi128_si256(load16(table + 16 * k));
    return t;
}

// 32 bytes through the table.  Row k serves the bytes 16k to 16k + 15: after
// k subtractions of 16 those are 0 to 15, which the saturating add of 0x70
// keeps below 0x80, while every other byte reaches 0x80 or more, which the
// shuffle turns into 0; the rows' results are ORed.
PIXMILL_AVX2_INLINE __m256i lookUp(const ShuffleTable& t, __m256i v) {
    const __m256i sixteen = _mm256_set1_epi8(16), bias = _mm256_set1_epi8(0x70);
    __m256i out = _mm256_shuffle_epi8(t.rows[0], _mm256_adds_epu8(v, bias));
    for (int k = 1; k < 16; ++k) {
        v = _mm256_sub_epi8(v, sixteen);
        out = _mm256_or_si256(out, _mm256_shuffle_epi8(t.rows[k], _mm256_adds_epu8(v, bias)));
    }
    return out;
}

// 8 lanes of 16-bit values as single-precision floats.
PIXMILL_AVX2_INLINE __m256 toFloat(__m128i v) { return _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(v)); }

// trunc(a * b / d) per lane.  The product is below 2^16 in magnitude and d
// is a non-zero difference of bytes, so every operand and the product are
// exact floats; the quotient is below 255 in magnitude and, unless it is a
// whole number, at least 1/255 away from one, far more than the rounding
// error of the division (below 2^-16), so truncating it gives the integer
// quotient exactly.
PIXMILL_AVX2_INLINE __m256i halfQuotient(__m128i a, __m128i b, __m128i d) {
    return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_mul_ps(toFloat(a), toFloat(b)), toFloat(d)));
}
PIXMILL_AVX2_INLINE __m256i scaledQuotient(__m256i a, __m256i b, __m256i d) {
    const __m256i lo = halfQuotient(_mm256_castsi256_si128(a), _mm256_castsi256_si128(b), _mm256_castsi256_si128(d));
    const __m256i hi = halfQuotient(_mm256_extracti128_si256(a, 1), _mm256_extracti128_si256(b, 1),
                            _mm256_extracti128_si256(d, 1));
    // The pack interleaves the 128-bit halves; the permutation restores order.
    return _mm256_permute4x64_epi64(_mm256_packs_epi32(lo, hi), 0xD8);
}

// The interpolation rule on 16 lanes, before the clamp.
PIXMILL_AVX2_INLINE __m256i guided(__m256i gc, __m256i g1, __m256i g2, __m256i x1, __m256i x2) {
    const __m256i between =
        _mm256_or_si256(_mm256_and_si256(_mm256_cmpgt_epi16(gc, g1), _mm256_cmpgt_epi16(g2, gc)),
                        _mm256_and_si256(_mm256_cmpgt_epi16(gc, g2), _mm256_cmpgt_epi16(g1, gc)));
    // Lanes that take the other rule may have g1 = g2: divide those by 1.
    const __m256i span = _mm256_blendv_epi8(_mm256_set1_epi16(1), _mm256_sub_epi16(g2, g1), between);
    const __m256i proportional = _mm256_add_epi16(x1, scaledQuotient(_mm256_sub_epi16(x2, x1), _mm256_sub_epi16(gc, g1), span));
    const __m256i curvature = _mm256_add_epi16(
        _mm256_sub_epi16(_mm256_sub_epi16(_mm256_slli_epi16(gc, 1), g1), g2), _mm256_slli_epi16(_mm256_add_epi16(x1, x2), 1));
    return _mm256_blendv_epi8(divideBeforeClamp<2>(curvature), proportional, between);
}

// Green estimates of 16 red or blue sites (lanes of green sites are ignored).
PIXMILL_AVX2_INLINE __m128i greenEstimates(const std::uint8_t* s, std::ptrdiff_t stride) {
    const __m256i above = widen(s - stride);
    const __m256i sum = _mm256_sub_epi16(
        _mm256_add_epi16(_mm256_add_epi16(_mm256_add_epi16(above, _mm256_slli_epi16(above, 1)), widen(s + stride)),
                         widen(s)),
        widen(s - 2 * stride));
    return narrow(_mm256_srai_epi16(sum, 2));  // the scalar rule's own arithmetic shift
}

PIXMILL_AVX2_INLINE __m256i widen16(__m128i v) { return _mm256_cvtepu8_epi16(v); }
PIXMILL_AVX2_INLINE __m256i sum(__m256i a, __m256i b) { return _mm256_add_epi16(a, b); }

// A neighbour of the shared evaluation below: the horizontal one in green
// lanes, else the one of the chosen diagonal.
PIXMILL_AVX2_INLINE __m256i pick(__m256i nesw, __m256i nwse, __m256i across, __m256i takeFalling, __m256i greenLanes) {
    return _mm256_blendv_epi8(_mm256_blendv_epi8(nesw, nwse, takeFalling), across, greenLanes);
}

// Green sites need the rule along both axes, red and blue sites along one
// diagonal, so the horizontal rule of the green lanes and the diagonal rule
// of the others share one evaluation (the division is the costly part).
template <typename Row>
PIXMILL_AVX2_INLINE Estimates colourEstimates(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* d,
                                              std::ptrdiff_t step) {
    const GreenRow above = greenRowOf(d - step), here = greenRowOf(d), below = greenRowOf(d + step);
    const __m128i own = load16(s), green = here.centre;
    const __m256i u = _mm256_cvtepu8_epi16(own), gc = _mm256_cvtepu8_epi16(green);
    const __m256i sNW = widen(s - stride - 1), sNE = widen(s - stride + 1);
    const __m256i sSW = widen(s + stride - 1), sSE = widen(s + stride + 1);
    const __m256i gNW = widen16(above.left), gNE = widen16(above.right), gSW = widen16(below.left),
                  gSE = widen16(below.right);
    const __m256i falling =
        sum(sum(sum(absDiff(u, widen(s + 2 * stride + 2)), absDiff(widen(s - 2 * stride - 2), u)),
                sum(absDiff(gc, gSE), absDiff(gNW, gc))),
            absDiff(sNW, sSE));
    const __m256i rising =
        sum(sum(sum(absDiff(u, widen(s - 2 * stride + 2)), absDiff(widen(s + 2 * stride - 2), u)),
                sum(absDiff(gc, gNE), absDiff(gSW, gc))),
            absDiff(sSW, sNE));
    // The falling diagonal only where strictly smoother; ties take NE-SW.
    const __m256i takeFalling = _mm256_cmpgt_epi16(rising, falling);
    const __m256i evenLanes = _mm256_set1_epi32(0x0000FFFF);
    const __m256i greenLanes = colourSite(Row::even) ? _mm256_xor_si256(evenLanes, _mm256_set1_epi32(-1)) : evenLanes;
    Estimates e;
    e.own = own, e.green = green;
    e.across = e.diagonal =
        narrow(guided(gc, pick(gSW, gNW, widen16(here.left), takeFalling, greenLanes),
                      pick(gNE, gSE, widen16(here.right), takeFalling, greenLanes),
                      pick(sSW, sNW, widen(s - 1), takeFalling, greenLanes),
                      pick(sNE, sSE, widen(s + 1), takeFalling, greenLanes)));
    e.upDown = narrow(guided(gc, widen16(above.centre), widen16(below.centre), widen(s - stride), widen(s + stride)));
    return e;
}

// Lanes first, first + 2, ... of 16 bytes through a table, the others kept:
// the green estimates of the red and blue sites.
template <int First>
PIXMILL_AVX2_INLINE __m128i mappedLanes(__m128i v, const std::uint8_t* table) {
    alignas(16) std::uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), v);
    for (int i = First; i < 16; i += 2) bytes[i] = table[bytes[i]];
    return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}

template <typename Row>
PIXMILL_AVX2 std::ptrdiff_t greenLoop(const std::uint8_t* m, std::ptrdiff_t stride, std::ptrdiff_t count,
                                      std::uint8_t* d, const std::uint8_t* greenTable) {
    std::ptrdiff_t c = 0;
    for (; c + kBlock <= count; c += kBlock) {
        __m128i estimates = greenEstimates(m + c, stride);
        if (greenTable != nullptr) estimates = mappedLanes<colourSite(Row::even) ? 0 : 1>(estimates, greenTable);
        const __m128i samples = load16(m + c);
        const __m128i greens = colourSite(Row::even) ? byParity(estimates, samples) : byParity(samples, estimates);
        storeGreens(d + 3 * c, greens);
    }
    return c;
}

template <typename Row>
PIXMILL_AVX2 std::ptrdiff_t colourLoop(const std::uint8_t* m, const std::uint8_t* raw, std::ptrdiff_t stride,
                                       std::ptrdiff_t count, std::uint8_t* d, std::ptrdiff_t step,
                                       const LookupTables& tables) {
    const bool unmapped = allIdentity(tables);
    std::ptrdiff_t c = 0;
    for (; c + kBlock <= count; c += kBlock) {
        Estimates e = colourEstimates<Row>(m + c, stride, d + 3 * c, step);
        e.own = load16(raw + c);  // a red or blue site's own sample goes through its table unmapped by green
        Planes p = byParity(planesOf<Row::even>(e), planesOf<Row::odd>(e));
        if (unmapped)
            storeShuffled(d + 3 * c, p);
        else
            storeColoursMapped(d + 3 * c, p, tables);
    }
    return c;
}

PIXMILL_AVX2 std::ptrdiff_t mapLoop(const std::uint8_t* in, std::uint8_t* out, std::ptrdiff_t count,
                                    const std::uint8_t* table) {
    const ShuffleTable mapping = shuffleTable(table);
    std::ptrdiff_t c = 0;
    for (; c + 32 <= count; c += 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c),
                            lookUp(mapping, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + c))));
    return c;
}

}  // namespace

template <typename Row>
std::ptrdiff_t guidedGreenColumns(const std::uint8_t* m, std::ptrdiff_t stride, std::ptrdiff_t count, std::uint8_t* d,
                                  const std::uint8_t* greenTable) {
    return greenLoop<Row>(m, stride, count, d, greenTable);
}

template <typename Row>
std::ptrdiff_t guidedColourColumns(const std::uint8_t* m, const std::uint8_t* raw, std::ptrdiff_t stride,
                                   std::ptrdiff_t count, std::uint8_t* d, std::ptrdiff_t step,
                                   const LookupTables& tables) {
    return colourLoop<Row>(m, raw, stride, count, d, step, tables);
}

std::ptrdiff_t mapSamples(const std::uint8_t* in, std::uint8_t* out, std::ptrdiff_t count, const std::uint8_t* table) {
    return mapLoop(in, out, count, table);
}

#define PIXMILL_GUIDED_COLUMNS(Row)                                                                          \
    template std::ptrdiff_t guidedGreenColumns<Row>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,     \
                                                    std::uint8_t*, const std::uint8_t*);                     \
    template std::ptrdiff_t guidedColourColumns<Row>(const std::uint8_t*, const std::uint8_t*,              \
                                                     std::ptrdiff_t, std::ptrdiff_t, std::uint8_t*,          \
                                                     std::ptrdiff_t, const LookupTables&);
PIXMILL_GUIDED_COLUMNS(BlueGreenRow)
PIXMILL_GUIDED_COLUMNS(GreenRedRow)
PIXMILL_GUIDED_COLUMNS(GreenBlueRow)
PIXMILL_GUIDED_COLUMNS(RedGreenRow)

}  // namespace simd
}  // namespace pm

#endif

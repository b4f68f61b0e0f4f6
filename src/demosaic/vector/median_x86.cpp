// AVX2 prefix of the staged median methods (median_stages.h): whole pixels,
// green by the sorted or the counted rule, red and blue bilinear, 32 pixels
// per step, stored interleaved (identity tables) or through the tables.  The
// scalar stages stay the definition; this gives their bytes.
//
// A row alternates colour sites (red or blue), whose green is estimated, and
// green sites.  A 32-byte load of a source row, split into its even and odd
// bytes, gives 16-bit lanes of one column parity, so the 16 colour sites of a
// block get their neighbours, rings, sorting network and counts in 16-bit
// lanes without any shuffle, and a shift and an or put the bytes back in
// column order.  The three stages are fused: no stage reads the image, so
// computing a pixel's three bytes together gives what the passes give.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/site_walk.h"
#include "demosaic/vector/x86_pixels.h"

#define PIXMILL_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace pm {
namespace simd {
namespace {

constexpr std::ptrdiff_t kMedianBlock = 32;

PIXMILL_AVX2_INLINE __m256i load32(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// The bytes of the even (Odd false) or odd (Odd true) columns of `v` as
// 16-bit lanes.
template <bool Odd>
PIXMILL_AVX2_INLINE __m256i parityLanes(__m256i v) {
    return Odd ? _mm256_srli_epi16(v, 8) : _mm256_and_si256(v, _mm256_set1_epi16(0x00FF));
}

// 16-bit lanes of the even columns and of the odd columns back as 32 bytes in
// column order (every lane holds a value of 0 to 255).
PIXMILL_AVX2_INLINE __m256i interleaveColumns(__m256i even, __m256i odd) {
    return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

PIXMILL_AVX2_INLINE __m256i add4(__m256i a, __m256i b, __m256i c, __m256i d) {
    return _mm256_add_epi16(_mm256_add_epi16(a, b), _mm256_add_epi16(c, d));
}

// Samples of source row `dr`, from column `dc`, relative to the block.
struct Block {
    const std::uint8_t* s;
    std::ptrdiff_t stride;
    PIXMILL_AVX2_INLINE __m256i at(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return load32(s + dr * stride + dc); }
};

// The same for the samples the green rule reads: the raw rows themselves, or
// rows -2 to +2 already mapped through the green table.
struct GreenBlock {
    const std::uint8_t* row[5];
    PIXMILL_AVX2_INLINE __m256i at(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return load32(row[dr + 2] + dc); }
};

// Twice the mean less the ring's mean, kept between the middle pair.
PIXMILL_AVX2_INLINE __m256i corrected(__m256i mean, __m256i ringMean, __m256i s1, __m256i s2) {
    const __m256i twice = _mm256_sub_epi16(_mm256_add_epi16(mean, mean), ringMean);
    return _mm256_min_epi16(_mm256_max_epi16(twice, s1), s2);
}

// Green of the 16 colour sites of a block, before the green table's second
// pass; `Odd` says which column parity they hold.  The scalar rules count the
// sorted values against the mean.  Since the smallest never exceeds the mean
// and the largest never falls below it, each count follows from comparing
// the middle pair with the mean (and, for the counted rule, one extreme),
// which is what the lanes do.
template <MedianRule Rule, Site ColourSite, bool Odd>
PIXMILL_AVX2_INLINE __m256i estimatedGreen(const GreenBlock& b) {
    const __m256i north = parityLanes<Odd>(b.at(-1, 0)), south = parityLanes<Odd>(b.at(1, 0));
    const __m256i west = parityLanes<Odd>(b.at(0, -1)), east = parityLanes<Odd>(b.at(0, 1));
    const __m256i mean = _mm256_srli_epi16(add4(north, east, south, west), 2);
    // The scalar rule's five compare-exchange steps.
    const __m256i lowNE = _mm256_min_epi16(north, east), highNE = _mm256_max_epi16(north, east);
    const __m256i lowSW = _mm256_min_epi16(south, west), highSW = _mm256_max_epi16(south, west);
    const __m256i middleA = _mm256_min_epi16(highNE, highSW), middleB = _mm256_max_epi16(lowNE, lowSW);
    const __m256i s1 = _mm256_min_epi16(middleA, middleB), s2 = _mm256_max_epi16(middleA, middleB);
    const __m256i middle = _mm256_srli_epi16(_mm256_add_epi16(s1, s2), 1);

    // The knight's-move ring: its upper-right to lower-left half, then all.
    const __m256i diagonalRing = add4(parityLanes<Odd>(b.at(-2, 1)), parityLanes<Odd>(b.at(-1, 2)),
                                      parityLanes<Odd>(b.at(1, -2)), parityLanes<Odd>(b.at(2, -1)));
    const __m256i ring = _mm256_add_epi16(
        diagonalRing, add4(parityLanes<Odd>(b.at(-2, -1)), parityLanes<Odd>(b.at(-1, -2)),
                           parityLanes<Odd>(b.at(1, 2)), parityLanes<Odd>(b.at(2, 1))));

    if constexpr (Rule == MedianRule::Sorted) {
        // At or below the mean: two (s1 <= mean < s2), one (mean < s1), three
        // or four (s2 <= mean).
        const __m256i oneLow = _mm256_cmpgt_epi16(s1, mean), s2Above = _mm256_cmpgt_epi16(s2, mean);
        const __m256i estimate =
            _mm256_blendv_epi8(middle, corrected(mean, _mm256_srli_epi16(ring, 3), s1, s2), oneLow);
        return _mm256_blendv_epi8(north, estimate, s2Above);
    } else {
        // Above a threshold: the mean at red sites, one less (so "at or
        // above the mean") at blue sites.  Two exactly when s1 <= t < s2.
        const __m256i threshold =
            ColourSite == Site::Red ? mean : _mm256_sub_epi16(mean, _mm256_set1_epi16(1));
        const __m256i two = _mm256_andnot_si256(_mm256_cmpgt_epi16(s1, threshold), _mm256_cmpgt_epi16(s2, threshold));
        const __m256i edge = _mm256_or_si256(
            _mm256_and_si256(_mm256_cmpgt_epi16(north, mean), _mm256_cmpgt_epi16(south, mean)),
            _mm256_and_si256(_mm256_cmpgt_epi16(east, mean), _mm256_cmpgt_epi16(west, mean)));
        const __m256i ringMean =
            _mm256_blendv_epi8(_mm256_srli_epi16(diagonalRing, 2), _mm256_srli_epi16(ring, 3), edge);
        const __m256i estimate = _mm256_blendv_epi8(middle, corrected(mean, ringMean, s1, s2), two);
        if constexpr (ColourSite == Site::Red) {
            // None above (all four equal): the upper neighbour.
            const __m256i s3 = _mm256_max_epi16(highNE, highSW);
            return _mm256_blendv_epi8(north, estimate, _mm256_cmpgt_epi16(s3, threshold));
        } else {
            // All four at or above (the smallest at the mean): the upper one.
            const __m256i s0 = _mm256_min_epi16(lowNE, lowSW);
            return _mm256_blendv_epi8(estimate, north, _mm256_cmpgt_epi16(s0, threshold));
        }
    }
}

// The 32 pixels of a block from an even column of a row of kind Row, stored
// interleaved or, when Mapped, through the tables.
template <MedianRule Rule, typename Row, bool Mapped>
PIXMILL_AVX2_INLINE void medianBlock(const Block& b, const GreenBlock& g, std::uint8_t* out,
                                     const LookupTables& tables) {
    constexpr bool odd = colourSite(Row::odd);  // colour sites in odd columns
    constexpr Site colour = odd ? Row::odd : Row::even;
    const __m256i self = b.at(0, 0), up = b.at(-1, 0), down = b.at(1, 0), left = b.at(0, -1), right = b.at(0, 1);

    const __m256i green = estimatedGreen<Rule, colour, odd>(g);
    const __m256i ownGreen = parityLanes<!odd>(self);
    // The row's own colour: the sample at its sites, the left-right mean at
    // green sites.  The other colour: the diagonal mean at colour sites, the
    // up-down mean at green sites.
    const __m256i own = parityLanes<odd>(self);
    const __m256i ownBeside =
        _mm256_srli_epi16(_mm256_add_epi16(parityLanes<!odd>(left), parityLanes<!odd>(right)), 1);
    const __m256i otherDiagonal = _mm256_srli_epi16(
        add4(parityLanes<odd>(b.at(-1, -1)), parityLanes<odd>(b.at(-1, 1)), parityLanes<odd>(b.at(1, -1)),
             parityLanes<odd>(b.at(1, 1))),
        2);
    const __m256i otherAcross = _mm256_srli_epi16(_mm256_add_epi16(parityLanes<!odd>(up), parityLanes<!odd>(down)), 1);

    __m256i greenBytes, ownBytes, otherBytes;
    if constexpr (odd) {
        greenBytes = interleaveColumns(ownGreen, green);
        ownBytes = interleaveColumns(ownBeside, own);
        otherBytes = interleaveColumns(otherAcross, otherDiagonal);
    } else {
        greenBytes = interleaveColumns(green, ownGreen);
        ownBytes = interleaveColumns(own, ownBeside);
        otherBytes = interleaveColumns(otherDiagonal, otherAcross);
    }
    const __m256i blue = colour == Site::Blue ? ownBytes : otherBytes;
    const __m256i red = colour == Site::Blue ? otherBytes : ownBytes;
    if constexpr (Mapped) {
        storeMapped(out,
                    {_mm256_castsi256_si128(blue), _mm256_castsi256_si128(greenBytes), _mm256_castsi256_si128(red)},
                    tables);
        storeMapped(out + 48,
                    {_mm256_extracti128_si256(blue, 1), _mm256_extracti128_si256(greenBytes, 1),
                     _mm256_extracti128_si256(red, 1)},
                    tables);
    } else {
        storeShuffled32(out, blue, greenBytes, red);
    }
}

template <MedianRule Rule, typename Row, bool Mapped>
__attribute__((target("avx2"))) std::ptrdiff_t medianRun(const std::uint8_t* s, std::ptrdiff_t stride,
                                                        const std::uint8_t* const (&green)[5], std::ptrdiff_t count,
                                                        const LookupTables& tables, std::uint8_t* out) {
    if (count < kMedianBlock) return 0;
    auto block = [&](std::ptrdiff_t c) __attribute__((target("avx2"), always_inline)) {
        // Unmapped, the green rows are the raw rows, addressed as the raw
        // block addresses them so that the shared loads are made once.
        const std::uint8_t* const x = s + c;
        const GreenBlock g = Mapped ? GreenBlock{{green[0] + c, green[1] + c, green[2] + c, green[3] + c, green[4] + c}}
                                    : GreenBlock{{x - 2 * stride, x - stride, x, x + stride, x + 2 * stride}};
        medianBlock<Rule, Row, Mapped>(Block{x, stride}, g, out + 3 * c, tables);
    };
    for (std::ptrdiff_t c = 0; c + kMedianBlock <= count; c += kMedianBlock) block(c);
    // The last block ends at the run's end, overlapping the one before: its
    // pixels are computed again with the same bytes, and the scalar stages
    // are left nothing.  It starts at an even offset, as the lanes' sites
    // require, so it may end one pixel short of an odd count.
    const std::ptrdiff_t last = (count - kMedianBlock) & ~std::ptrdiff_t{1};
    block(last);
    return last + kMedianBlock;
}

}  // namespace

template <MedianRule Rule, typename Row>
std::ptrdiff_t medianColumns(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* const* mappedGreen,
                             std::ptrdiff_t count, const LookupTables& tables, std::uint8_t* out, bool avx2) {
    if (!avx2) return 0;
    if (mappedGreen == nullptr) {
        const std::uint8_t* const unused[5] = {};
        return medianRun<Rule, Row, false>(s, stride, unused, count, tables, out);
    }
    const std::uint8_t* const green[5] = {mappedGreen[0], mappedGreen[1], mappedGreen[2], mappedGreen[3],
                                          mappedGreen[4]};
    return medianRun<Rule, Row, true>(s, stride, green, count, tables, out);
}

#define PIXMILL_MEDIAN_COLUMNS(Rule, Row)                                                                    \
    template std::ptrdiff_t medianColumns<Rule, Row>(const std::uint8_t*, std::ptrdiff_t,                 \
                                                     const std::uint8_t* const*, std::ptrdiff_t,           \
                                                     const LookupTables&, std::uint8_t*, bool);
#define PIXMILL_MEDIAN_RULE(Rule)                \
    PIXMILL_MEDIAN_COLUMNS(Rule, BlueGreenRow)   \
    PIXMILL_MEDIAN_COLUMNS(Rule, GreenRedRow)    \
    PIXMILL_MEDIAN_COLUMNS(Rule, GreenBlueRow)   \
    PIXMILL_MEDIAN_COLUMNS(Rule, RedGreenRow)
PIXMILL_MEDIAN_RULE(MedianRule::Sorted)
PIXMILL_MEDIAN_RULE(MedianRule::Counted)

}  // namespace simd
}  // namespace pm

#endif

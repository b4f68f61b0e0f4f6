// Counted-neighbour median interpolation (ConvertBayer2RgbEx code 3): at a red
// or blue site, green follows how many of its four mapped green neighbours
// lie above their mean, and with two above it tells an edge from a corner.
#include "demosaic/median_stages.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"

namespace pm {
namespace {

struct CountedRule {
    static constexpr simd::MedianRule vectorRule = simd::MedianRule::Counted;

    template <Site S>
    static int estimate(const RawView& raw, std::int64_t r, std::int64_t c, const std::uint8_t* green) {
        const GreenNeighbours n = greenNeighbours(raw, r, c, green);
        // The two site colours count differently: a red site counts the
        // neighbours strictly above the mean, a blue site those at or above
        // it, so four equal neighbours give 0 at a red site and 4 at a blue
        // one.  The count starts afresh at every site.
        int above = 0;
        for (int v : n.sorted) above += (S == Site::Red ? v > n.mean : v >= n.mean) ? 1 : 0;
        if (above == 1 || above == 3) return (n.sorted[1] + n.sorted[2]) >> 1;
        if (above == 2) {
            // The two larger neighbours face each other across the site (an
            // edge): correct by the whole ring; side by side (a corner): by
            // the ring's half on the upper-right to lower-left diagonal.
            const bool edge = (n.north > n.mean && n.south > n.mean) || (n.east > n.mean && n.west > n.mean);
            const int ringMean = edge ? knightRing(raw, r, c, green) >> 3 : knightDiagonal(raw, r, c, green) >> 2;
            return correctedEstimate(n, ringMean);
        }
        // 0 (red: all four equal) or 4 (blue: the smallest at the mean).
        return n.north;
    }
};

}  // namespace

std::int32_t countedMedianOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                             std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                             const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout, simd::Stores) {
    return medianMethod<CountedRule>(path, src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

std::int32_t countedMedian(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                           const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                           std::uint32_t flip, std::int32_t layout) {
    return countedMedianOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

// Sorted-neighbour median interpolation (ConvertBayer2Rgb code 3): at a red
// or blue site, green follows how many of its four mapped green neighbours
// lie at or below their mean.
#include "demosaic/median_stages.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"

namespace pm {
namespace {

struct SortedRule {
    static constexpr simd::MedianRule vectorRule = simd::MedianRule::Sorted;

    template <Site S>
    static int estimate(const RawView& raw, std::int64_t r, std::int64_t c, const std::uint8_t* green) {
        const GreenNeighbours n = greenNeighbours(raw, r, c, green);
        int atOrBelow = 0;
        for (int v : n.sorted) atOrBelow += v <= n.mean ? 1 : 0;
        // Two on each side of the mean: the mean of the middle pair.
        if (atOrBelow == 2) return (n.sorted[1] + n.sorted[2]) >> 1;
        // One low outlier: the mean corrected by the ring around the site.
        if (atOrBelow == 1) return correctedEstimate(n, knightRing(raw, r, c, green) >> 3);
        // Three or four at or below: the upper neighbour, whatever it is.
        return n.north;
    }
};

}  // namespace

std::int32_t sortedMedianOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                            std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                            const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout, simd::Stores) {
    return medianMethod<SortedRule>(path, src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

std::int32_t sortedMedian(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                          const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                          std::uint32_t flip, std::int32_t layout) {
    return sortedMedianOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

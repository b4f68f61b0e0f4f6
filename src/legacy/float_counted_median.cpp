// Floating-point counted-neighbour median (code 3 of the 1.1.2.0 build): the
// counted-neighbour median's stages with the earlier green rule, which counts
// against the exact mean and corrects edges and corners in double precision.
// Every value there is a multiple of 1/8 below 2^12, so the double
// arithmetic is exact and the vector prefix computes it in eighths, in
// 16-bit integers (MedianRule::ExactMeanCounted in median_blocks.h).
#include "demosaic/median_stages.h"
#include "legacy/methods.h"

namespace pm {
namespace {

struct FloatCountedRule {
    static constexpr simd::MedianRule vectorRule = simd::MedianRule::ExactMeanCounted;

    template <Site S>
    static int estimate(const RawView& raw, std::int64_t r, std::int64_t c, const std::uint8_t* green) {
        const GreenNeighbours n = greenNeighbours(raw, r, c, green);
        // The exact mean: a multiple of 0.25, so every comparison with it is
        // exact.  The same count at red and at blue sites.
        const double mean = (n.north + n.east + n.south + n.west) * 0.25;
        int above = 0;
        for (int v : n.sorted) above += v > mean ? 1 : 0;
        if (above == 1 || above == 3) return (n.sorted[1] + n.sorted[2]) >> 1;
        if (above == 0 || above == 4) return n.north;
        const bool edge = (n.north > mean && n.south > mean) || (n.east > mean && n.west > mean);
        const double ring = edge ? 0.125 * knightRing(raw, r, c, green) : 0.25 * knightDiagonal(raw, r, c, green);
        double x = 2 * mean - ring;
        if (n.sorted[2] < x) x = n.sorted[2];
        if (n.sorted[1] > x) x = n.sorted[1];
        // Between two table values, so truncation stays in the table.
        return static_cast<int>(x);
    }
};

}  // namespace

std::int32_t floatCountedMedianOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                  std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                  const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout, simd::Stores) {
    return medianMethod<FloatCountedRule>(path, src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

std::int32_t floatCountedMedian(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    return floatCountedMedianOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

// Fixed-pattern noise (GetPatternNoise, AvgPatternNoise, FixPatternNoise):
// measure the part of each sample that repeats from frame to frame, and take
// it out of live frames.
#include "calib/pattern_noise.h"

#include <cstddef>
#include <cstdint>

#include "calib/region.h"
#include "pixmill.h"

namespace pm {
namespace {

// Parity classes: 0 where row and column parity agree, 1 for even row and
// odd column, 2 for odd row and even column.
inline int parityClass(std::int64_t r, std::int64_t c) {
    if ((r & 1) == (c & 1)) return 0;
    return (r & 1) == 0 ? 1 : 2;
}

// Adds in two's complement and wraps like the 32-bit register it models,
// instead of overflowing (which C++ leaves undefined) after millions of frames.
inline std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace

// Class sums and counts are 64-bit, so a large frame does not wrap its
// class means.  A frame one sample wide or high has an empty class (A or B);
// no sample belongs to it, so its mean is never used, and it is set to 0
// rather than divided by a zero count.
void accumulatePatternNoise(const std::uint8_t* frame, std::int32_t* accumulator, std::int32_t width,
                            std::int32_t height) {
    if (frame == nullptr || accumulator == nullptr || width <= 0 || height <= 0) return;
    const std::size_t rowLength = std::size_t(width);
    std::uint64_t sum[3] = {0, 0, 0}, count[3] = {0, 0, 0};
    for (std::int64_t r = 0; r < height; ++r) {
        const uint8_t* row = frame + std::size_t(r) * rowLength;
        for (std::int64_t c = 0; c < width; ++c) {
            const int k = parityClass(r, c);
            sum[k] += row[c];
            ++count[k];
        }
    }
    int32_t mean[3];
    for (int k = 0; k < 3; ++k) mean[k] = count[k] == 0 ? 0 : int32_t(sum[k] / count[k]);
    for (std::int64_t r = 0; r < height; ++r) {
        const uint8_t* row = frame + std::size_t(r) * rowLength;
        int32_t* entries = accumulator + std::size_t(r) * rowLength;
        for (std::int64_t c = 0; c < width; ++c)
            entries[c] = wrappingAdd(entries[c], int32_t(row[c]) - mean[parityClass(r, c)]);
    }
}

void averagePatternNoise(std::int32_t* accumulator, std::int32_t width, std::int32_t height, std::int32_t frameCount) {
    if (accumulator == nullptr || width <= 0 || height <= 0 || frameCount <= 1) return;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    for (std::size_t i = 0; i < count; ++i) accumulator[i] /= frameCount;
}

// The region meets the accumulator as calib/region.h describes.  The
// difference is formed in 64 bits so that no accumulator value can overflow
// it, then clamped to 0-255.
void removePatternNoise(std::uint8_t* frame, const std::int32_t* accumulator, std::int32_t xOffset,
                        std::int32_t yOffset, std::int32_t regionWidth, std::int32_t regionHeight,
                        std::int32_t mapWidth, std::int32_t mapHeight) {
    if (frame == nullptr || accumulator == nullptr) return;
    const RegionInMap region = regionInMap(xOffset, yOffset, regionWidth, regionHeight, mapWidth, mapHeight);
    if (region.empty()) return;
    for (std::int64_t j = 0; j < region.rows; ++j) {
        for (std::int64_t k = 0; k < region.columns; ++k) {
            uint8_t& sample = frame[region.frameIndex(j, k)];
            const std::int64_t v = std::int64_t(sample) - accumulator[region.mapIndex(j, k)];
            sample = uint8_t(v < 0 ? 0 : v >= 255 ? 255 : v);
        }
    }
}

}  // namespace pm

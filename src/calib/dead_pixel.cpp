// Dead-pixel detection and erasure, and EraseDeadPixel, the same in every
// build.  DetectDeadPixel differs between builds and lives in each build's
// export shims.
#include "calib/dead_pixel.h"

#include <cstddef>
#include <cstdlib>

#include "calib/region.h"
#include "frame/library_state.h"
#include "pixmill.h"

namespace pm {

namespace {
const std::atomic<std::int32_t> fixedDeadPixelThreshold{10};
}  // namespace

DeadPixelRule currentDeadPixelRule() { return {true, &deadPixelThreshold}; }
DeadPixelRule earlierDeadPixelRule() { return {false, &fixedDeadPixelThreshold}; }

void detectDeadPixels(const std::uint8_t* frame, std::uint8_t* map, std::int32_t width, std::int32_t height,
                      const DeadPixelRule& rule) {
    if (frame == nullptr || map == nullptr || width <= 0 || height <= 0) return;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += frame[i];
    const std::int32_t mean = std::int32_t(sum / count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t difference = std::int32_t(frame[i]) - mean;
        const std::int32_t deviation = rule.bothSides ? std::abs(difference) : difference;
        map[i] = deviation >= rule.threshold->load(std::memory_order_relaxed) ? 1 : 0;
    }
}

void eraseDeadPixels(std::uint8_t* frame, const std::uint8_t* map, std::int32_t xOffset, std::int32_t yOffset,
                     std::int32_t regionWidth, std::int32_t regionHeight, std::int32_t mapWidth,
                     std::int32_t mapHeight) {
    if (frame == nullptr || map == nullptr) return;
    const RegionInMap region = regionInMap(xOffset, yOffset, regionWidth, regionHeight, mapWidth, mapHeight);
    if (region.empty()) return;
    const std::ptrdiff_t stride = std::ptrdiff_t(region.columns);
    // Samples in the outer two rows and columns keep their value even when
    // marked: their same-coloured neighbours would lie outside the region.
    for (std::int64_t j = 2; j < region.rows - 2; ++j) {
        for (std::int64_t k = 2; k < region.columns - 2; ++k) {
            if (map[region.mapIndex(j, k)] == 0) continue;
            std::uint8_t* s = frame + region.frameIndex(j, k);
            if ((j & 1) == (k & 1)) {
                const unsigned diagonals = s[-stride - 1] + s[-stride + 1] + s[stride - 1] + s[stride + 1];
                *s = std::uint8_t(diagonals >> 2);
            } else {
                const unsigned ring = s[-2 * stride - 2] + s[-2 * stride] + s[-2 * stride + 2] + s[-2] + s[2] +
                                      s[2 * stride - 2] + s[2 * stride] + s[2 * stride + 2];
                *s = std::uint8_t(ring >> 3);
            }
        }
    }
}

}  // namespace pm

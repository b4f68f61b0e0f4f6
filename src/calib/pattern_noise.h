// Fixed-pattern noise: the routines behind GetPatternNoise, AvgPatternNoise
// and FixPatternNoise, as pixmill.h describes them.
#ifndef PIXMILL_CALIB_PATTERN_NOISE_H
#define PIXMILL_CALIB_PATTERN_NOISE_H

#include <cstdint>

namespace pm {

// Adds each sample's difference from the mean of its parity class to the
// accumulator (wrapping, as 32-bit integers).
void accumulatePatternNoise(const std::uint8_t* frame, std::int32_t* accumulator, std::int32_t width,
                            std::int32_t height);
// Divides every entry by the frame count (counts of 1 or less change nothing).
void averagePatternNoise(std::int32_t* accumulator, std::int32_t width, std::int32_t height, std::int32_t frameCount);
// Subtracts the averaged pattern from the region of a frame, clamped to 0-255;
// the region meets the accumulator as calib/region.h describes.
void removePatternNoise(std::uint8_t* frame, const std::int32_t* accumulator, std::int32_t xOffset,
                        std::int32_t yOffset, std::int32_t regionWidth, std::int32_t regionHeight,
                        std::int32_t mapWidth, std::int32_t mapHeight);

}  // namespace pm

#endif

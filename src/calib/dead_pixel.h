// Dead-pixel detection and erasure on 8-bit raw frames.
#ifndef PIXMILL_CALIB_DEAD_PIXEL_H
#define PIXMILL_CALIB_DEAD_PIXEL_H

#include <atomic>
#include <cstdint>

namespace pm {

// What varies between builds in detection.  The threshold is read for every
// sample (not copied once), so a change made while a detection runs applies
// to the samples it has not reached yet.
struct DeadPixelRule {
    // true: |sample - mean| >= threshold marks hot and dead samples alike;
    // false: only sample - mean >= threshold, so darker samples are never marked.
    bool bothSides;
    const std::atomic<std::int32_t>* threshold;
};

// The current build: both sides, the settable process-wide threshold.
DeadPixelRule currentDeadPixelRule();
// The earlier builds: brighter samples only, a fixed threshold of 10.
DeadPixelRule earlierDeadPixelRule();

// Writes map[i] = 1 for every sample of the width x height frame that strays
// from the frame's truncated mean as the rule says, 0 otherwise.  Null
// pointers and non-positive sizes write nothing.  The sum and the sample
// count are 64-bit, so large frames do not wrap the mean.
void detectDeadPixels(const std::uint8_t* frame, std::uint8_t* map, std::int32_t width, std::int32_t height,
                      const DeadPixelRule& rule);

// EraseDeadPixel of every build, as pixmill.h describes it; the region meets
// the map by calib/region.h.
void eraseDeadPixels(std::uint8_t* frame, const std::uint8_t* map, std::int32_t xOffset, std::int32_t yOffset,
                     std::int32_t regionWidth, std::int32_t regionHeight, std::int32_t mapWidth,
                     std::int32_t mapHeight);

}  // namespace pm

#endif

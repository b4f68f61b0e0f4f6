// The exports every build has, alike in all of them: the gamma table,
// dead-pixel erasure and fixed-pattern noise.
#include "calib/dead_pixel.h"
#include "calib/gamma.h"
#include "calib/pattern_noise.h"
#include "pixmill.h"

extern "C" void PIXMILL_CALL SetGammaLut(uint8_t* table, double gamma) { pm::fillGammaTable(table, gamma); }

extern "C" void PIXMILL_CALL EraseDeadPixel(uint8_t* frame, const uint8_t* map, int32_t xOffset, int32_t yOffset,
                                            int32_t regionWidth, int32_t regionHeight, int32_t mapWidth,
                                            int32_t mapHeight) {
    pm::eraseDeadPixels(frame, map, xOffset, yOffset, regionWidth, regionHeight, mapWidth, mapHeight);
}

extern "C" void PIXMILL_CALL GetPatternNoise(const uint8_t* frame, int32_t* accumulator, int32_t width,
                                             int32_t height) {
    pm::accumulatePatternNoise(frame, accumulator, width, height);
}

extern "C" void PIXMILL_CALL AvgPatternNoise(int32_t* accumulator, int32_t width, int32_t height, int32_t frameCount) {
    pm::averagePatternNoise(accumulator, width, height, frameCount);
}

extern "C" void PIXMILL_CALL FixPatternNoise(uint8_t* frame, const int32_t* accumulator, int32_t xOffset,
                                             int32_t yOffset, int32_t regionWidth, int32_t regionHeight,
                                             int32_t mapWidth, int32_t mapHeight) {
    pm::removePatternNoise(frame, accumulator, xOffset, yOffset, regionWidth, regionHeight, mapWidth, mapHeight);
}

// The calibration exports of the two earlier builds (1.5.0.1 and 1.1.2.0),
// where they differ from the current build's: the white-balance window is
// the centre of the image and refuses odd sizes, and dead-pixel detection
// finds only samples brighter than their neighbours by a fixed threshold.
#include "calib/dead_pixel.h"
#include "calib/white_balance.h"
#include "pixmill.h"

extern "C" int32_t PIXMILL_CALL GetWhiteBalanceRatio(const uint8_t* image, int32_t width, int32_t height,
                                                     double* redRatio, double* greenRatio, double* blueRatio) {
    return pm::measureWhiteBalance(image, width, height, PM_FORMAT_BGR8, redRatio, greenRatio, blueRatio,
                                   pm::kEarlierWhiteBalance);
}

extern "C" void PIXMILL_CALL DetectDeadPixel(const uint8_t* frame, uint8_t* map, int32_t width, int32_t height) {
    pm::detectDeadPixels(frame, map, width, height, pm::earlierDeadPixelRule());
}

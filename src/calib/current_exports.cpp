// The calibration exports of the current build whose behaviour differs from
// the earlier builds' (those have their own shims under legacy/): the
// interior white-balance window, detection against the settable threshold on
// both sides of the mean, and the threshold setting itself.
#include "calib/dead_pixel.h"
#include "calib/white_balance.h"
#include "frame/library_state.h"
#include "pixmill.h"

extern "C" int32_t PIXMILL_CALL GetWhiteBalanceRatio(const uint8_t* image, int32_t width, int32_t height,
                                                     double* redRatio, double* greenRatio, double* blueRatio) {
    return pm::measureWhiteBalance(image, width, height, PM_FORMAT_BGR8, redRatio, greenRatio, blueRatio,
                                   pm::kCurrentWhiteBalance);
}

extern "C" void PIXMILL_CALL DetectDeadPixel(const uint8_t* frame, uint8_t* map, int32_t width, int32_t height) {
    pm::detectDeadPixels(frame, map, width, height, pm::currentDeadPixelRule());
}

extern "C" int32_t PIXMILL_CALL SetBadPixelThreshold(int32_t threshold) {
    pm::deadPixelThreshold.store(threshold, std::memory_order_relaxed);
    return threshold;
}

// The exports of the 1.5.0.1 build that differ from the current build's: its
// two conversion entries with their method-code tables (0 to 6, no flag
// set by any code), and its calibration variants (centre white-balance
// window with odd sizes refused, detection of brighter samples only against
// a fixed threshold).  Its other exports are the shared ones.
#include "calib/dead_pixel.h"
#include "calib/white_balance.h"
#include "demosaic/methods.h"
#include "frame/dispatch.h"
#include "legacy/methods.h"
#include "pixmill.h"

namespace pm {
namespace {

const MethodEntry kRgbMethods[] = {
    /* 0 offset bilinear                   */ {offsetBilinear, false},
    /* 1 mapped forward window, no border  */ {mappedWindowUnbordered, false},
    /* 2 bilinear                          */ {bilinear, false},
    /* 3 sorted-neighbour median           */ {sortedMedian, false},
    /* 4 gradient, colour diffs            */ {gradientDirected, false},
    /* 5 forward window, no border         */ {forwardWindowUnbordered, false},
    /* 6 green-guided                      */ {greenGuided, false},
};

const MethodEntry kRgbExMethods[] = {
    /* 0 offset bilinear                   */ {offsetBilinear, false},
    /* 1 mapped forward window, no border  */ {mappedWindowUnbordered, false},
    /* 2 bilinear                          */ {bilinear, false},
    /* 3 counted-neighbour median          */ {countedMedian, false},
    /* 4 gradient, colour diffs            */ {gradientDirected, false},
    /* 5 mapped forward window, no border  */ {mappedWindowUnbordered, false},
    /* 6 green-guided                      */ {greenGuided, false},
};

}  // namespace
}  // namespace pm

extern "C" int32_t PIXMILL_CALL ConvertBayer2Rgb(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                                 int32_t method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                                 const uint8_t* lutBlue, int32_t flip, int32_t layout) {
    return pm::dispatchConversion(pm::kRgbMethods, pm::NullTables::Identity, dest, src, width, height, method, lutRed,
                                  lutGreen, lutBlue, flip, layout);
}

extern "C" int32_t PIXMILL_CALL ConvertBayer2RgbEx(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                                   int32_t method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                                   const uint8_t* lutBlue, int32_t flip, int32_t layout) {
    return pm::dispatchConversion(pm::kRgbExMethods, pm::NullTables::Identity, dest, src, width, height, method,
                                  lutRed, lutGreen, lutBlue, flip, layout);
}

extern "C" int32_t PIXMILL_CALL GetWhiteBalanceRatio(const uint8_t* image, int32_t width, int32_t height,
                                                     double* redRatio, double* greenRatio, double* blueRatio) {
    return pm::measureWhiteBalance(image, width, height, PM_FORMAT_BGR8, redRatio, greenRatio, blueRatio,
                                   pm::kEarlierWhiteBalance);
}

extern "C" void PIXMILL_CALL DetectDeadPixel(const uint8_t* frame, uint8_t* map, int32_t width, int32_t height) {
    pm::detectDeadPixels(frame, map, width, height, pm::earlierDeadPixelRule());
}

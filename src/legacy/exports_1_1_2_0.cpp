// The exports of the 1.1.2.0 build that differ from the current build's: its
// one conversion entry with its method-code table (0 to 6), which has no
// identity table and so refuses null tables rather than read through them,
// and its calibration variants (centre white-balance window with odd sizes
// refused, detection of brighter samples only against a fixed threshold).
// Its other exports are the shared ones.
#include "calib/dead_pixel.h"
#include "calib/white_balance.h"
#include "demosaic/methods.h"
#include "frame/dispatch.h"
#include "legacy/methods.h"
#include "pixmill.h"

namespace pm {
namespace {

const MethodEntry kRgbMethods[] = {
    /* 0 offset bilinear                    */ {offsetBilinear, false},
    /* 1 two-by-two                         */ {twoByTwo, false},
    /* 2 bilinear                           */ {bilinear, false},
    /* 3 floating-point counted median      */ {floatCountedMedian, false},
    /* 4 gradient, no debugger message      */ {gradientDirectedQuiet, false},
    /* 5 colour differences on planes       */ {colourDifferencePlanes, false},
    /* 6 directional gradient, guided colour */ {directionalGreenGuided, false},
};

}  // namespace
}  // namespace pm

extern "C" int32_t PIXMILL_CALL ConvertBayer2Rgb(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                                 int32_t method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                                 const uint8_t* lutBlue, int32_t flip, int32_t layout) {
    return pm::dispatchConversion(pm::kRgbMethods, pm::NullTables::Refuse, dest, src, width, height, method, lutRed,
                                  lutGreen, lutBlue, flip, layout);
}

extern "C" int32_t PIXMILL_CALL GetWhiteBalanceRatio(const uint8_t* image, int32_t width, int32_t height,
                                                     double* redRatio, double* greenRatio, double* blueRatio) {
    return pm::measureWhiteBalance(image, width, height, PM_FORMAT_BGR8, redRatio, greenRatio, blueRatio,
                                   pm::kEarlierWhiteBalance);
}

extern "C" void PIXMILL_CALL DetectDeadPixel(const uint8_t* frame, uint8_t* map, int32_t width, int32_t height) {
    pm::detectDeadPixels(frame, map, width, height, pm::earlierDeadPixelRule());
}

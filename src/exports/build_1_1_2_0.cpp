// The one conversion entry of the 1.1.2.0 build, with its method-code table
// (0 to 6); the build has no identity table and so refuses null tables
// rather than read through them.  Its calibration variants are in
// earlier_calibration_exports.cpp; its other exports are the shared ones.
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

PIXMILL_CONVERSION_EXPORT(ConvertBayer2Rgb, pm::kRgbMethods, pm::NullTables::Refuse)

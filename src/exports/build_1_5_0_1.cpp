// The conversion entries of the 1.5.0.1 build, with their method-code tables
// (0 to 6, no flag set by any code).  Its calibration variants are in
// earlier_calibration_exports.cpp; its other exports are the shared ones.
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

PIXMILL_CONVERSION_EXPORT(ConvertBayer2Rgb, pm::kRgbMethods, pm::NullTables::Identity)

PIXMILL_CONVERSION_EXPORT(ConvertBayer2RgbEx, pm::kRgbExMethods, pm::NullTables::Identity)

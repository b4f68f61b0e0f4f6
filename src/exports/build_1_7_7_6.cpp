// ConvertBayer2Rgb and ConvertBayer2RgbEx of the current build: the method-
// code tables of the two entries.
#include "frame/dispatch.h"
#include "pixmill.h"

namespace pm {
namespace {

const MethodEntry kRgbMethods[] = {
    /* 0 offset bilinear           */ {offsetBilinear, false},
    /* 1 mapped forward window     */ {mappedWindow, false},
    /* 2 bilinear                  */ {bilinear, false},
    /* 3 sorted-neighbour median   */ {sortedMedian, false},
    /* 4 gradient, colour diffs    */ {gradientDirected, false},
    /* 5 forward window            */ {forwardWindow, false},
    /* 6 green-guided              */ {greenGuided, false},
    /* 7 smoothed forward window   */ {forwardWindow, true},
    /* 8 Laplacian-corrected       */ {laplacianGradient, false},
    /* 9 rotated two-by-two        */ {rotatedTwoByTwo, true},
};

const MethodEntry kRgbExMethods[] = {
    /* 0 offset bilinear           */ {offsetBilinear, false},
    /* 1 mapped forward window     */ {mappedWindow, false},
    /* 2 bilinear                  */ {bilinear, false},
    /* 3 counted-neighbour median  */ {countedMedian, false},
    /* 4 gradient, colour diffs    */ {gradientDirected, false},
    /* 5 mapped forward window     */ {mappedWindow, false},
    /* 6 green-guided              */ {greenGuided, false},
};

}  // namespace
}  // namespace pm

PIXMILL_CONVERSION_EXPORT(ConvertBayer2Rgb, pm::kRgbMethods, pm::NullTables::Identity)

PIXMILL_CONVERSION_EXPORT(ConvertBayer2RgbEx, pm::kRgbExMethods, pm::NullTables::Identity)

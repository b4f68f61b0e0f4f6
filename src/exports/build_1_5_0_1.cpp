// The exports of the 1.5.0.1 build that are its own: the two conversion
// entries over its method codes (no code sets the smoothing flag).  Its
// calibration variants are in earlier_builds.cpp, its constant block in
// constant_block.cpp, the rest in every_build.cpp.
#include "exports/dispatch.h"
#include "method_codes_1_5_0_1.h"
#include "pixmill.h"

namespace pm {
namespace {

const MethodEntry kRgbMethods[] = {PIXMILL_RGB_METHODS_1_5_0_1(PIXMILL_DISPATCH_ROW)};
const MethodEntry kRgbExMethods[] = {PIXMILL_RGB_EX_METHODS_1_5_0_1(PIXMILL_DISPATCH_ROW)};

}  // namespace
}  // namespace pm

PIXMILL_CONVERSION_EXPORT(ConvertBayer2Rgb, pm::kRgbMethods, pm::NullTables::Identity)

PIXMILL_CONVERSION_EXPORT(ConvertBayer2RgbEx, pm::kRgbExMethods, pm::NullTables::Identity)

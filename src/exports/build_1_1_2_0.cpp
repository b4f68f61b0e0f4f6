// The one conversion entry of the 1.1.2.0 build, over its method codes; the
// build has no identity table and so refuses null tables rather than read
// through them.  Its calibration variants are in earlier_builds.cpp, the rest
// in every_build.cpp.
#include "exports/dispatch.h"
#include "method_codes_1_1_2_0.h"
#include "pixmill.h"

namespace pm {
namespace {

const MethodEntry kRgbMethods[] = {PIXMILL_RGB_METHODS_1_1_2_0(PIXMILL_DISPATCH_ROW)};

}  // namespace
}  // namespace pm

PIXMILL_CONVERSION_EXPORT(ConvertBayer2Rgb, pm::kRgbMethods, pm::NullTables::Refuse)

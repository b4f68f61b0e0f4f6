// Fuzz harness of the 1.1.2.0 build: ConvertBayer2Rgb (codes 0-6, null tables
// refused; code 5 works on static planes under its own lock and refuses
// images above 1796 x 2396) and the calibration exports (odd white-balance
// sizes refused, a fixed detection threshold).  The first input byte chooses
// conversion (3 in 4) or calibration; the checks are those of
// conversion_checks.h and calibration_checks.h.  Frames stay below 2^16
// samples there, so the floating-point methods stay fast.
#include "calibration_checks.h"
#include "conversion_checks.h"
#include "legacy/methods.h"
#include "method_codes_1_1_2_0.h"

namespace {

using namespace pmfuzz::conversion;

CodeRule ruleOf(bool, std::int32_t code) {
    CodeRule rule;
    if (code == 5) rule.maxWidth = 1796, rule.maxHeight = 2396;  // the static planes' size less their margin
    return rule;
}

const CodeFacts kRgbCodes[] = {PIXMILL_RGB_METHODS_1_1_2_0(PIXMILL_FUZZ_CODE_ROW)};

const ConversionBuild kBuild{ConvertBayer2Rgb, nullptr, kRgbCodes, std::size(kRgbCodes), nullptr, 0, true, ruleOf};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pmfuzz::Input in(data, size);
    if (in.byte() % 4 == 3) return pmfuzz::calibration::checkCalibration({true, nullptr}, in);
    return checkConversion(kBuild, in);
}

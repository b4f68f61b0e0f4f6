// Fuzz harness of the 1.5.0.1 build: ConvertBayer2Rgb and ConvertBayer2RgbEx
// (codes 0-6 each, null tables read as identity tables) and the calibration
// exports (odd white-balance sizes refused, a fixed detection threshold);
// PmGetConstantBlock gives one address whose contents never change.
// The first input byte chooses conversion (3 in 4) or calibration; the
// checks are those of conversion_checks.h and calibration_checks.h.
#include <cstring>

#include "calibration_checks.h"
#include "conversion_checks.h"
#include "legacy/methods.h"
#include "method_codes_1_5_0_1.h"

namespace {

using namespace pmfuzz::conversion;

// The mapped forward window without its border (codes 1 of both entries, Ex
// code 5) and the forward window without it (code 5) leave the last row (and
// column) as the destination held it, and under layout code 1 copy memory
// row 1 over row 0, so flipping does not mirror their image.
CodeRule ruleOf(bool, std::int32_t code) {
    CodeRule rule;
    if (code == 1 || code == 5) {
        rule.keptMargin = 1;
        rule.flipMirrors = false;
    }
    return rule;
}

const CodeFacts kRgbCodes[] = {PIXMILL_RGB_METHODS_1_5_0_1(PIXMILL_FUZZ_CODE_ROW)};
const CodeFacts kRgbExCodes[] = {PIXMILL_RGB_EX_METHODS_1_5_0_1(PIXMILL_FUZZ_CODE_ROW)};

const ConversionBuild kBuild{ConvertBayer2Rgb, ConvertBayer2RgbEx, kRgbCodes, std::size(kRgbCodes),
                             kRgbExCodes, std::size(kRgbExCodes), false, ruleOf};

// PmGetConstantBlock: the address and eleven values of the first call.
void checkConstantBlock() {
    static const std::int32_t* const first = PmGetConstantBlock();
    static std::int32_t values[11];
    static const bool copied = (std::memcpy(values, first, sizeof values), true);
    (void)copied;
    const std::int32_t* block = PmGetConstantBlock();
    if (block != first || std::memcmp(block, values, sizeof values) != 0)
        pmfuzz::fail("constant block moved or changed", "PmGetConstantBlock");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkConstantBlock();
    pmfuzz::Input in(data, size);
    if (in.byte() % 4 == 3) return pmfuzz::calibration::checkCalibration({true, nullptr}, in);
    return checkConversion(kBuild, in);
}

// Fuzz harness of the conversion entries ConvertBayer2Rgb (codes 0-9) and
// ConvertBayer2RgbEx (codes 0-6) of the current build.  The checks are those
// of conversion_checks.h; this file lists the build's exceptions and codes
// that must agree.
#include "conversion_checks.h"

namespace {

using namespace pmfuzz::conversion;

// What a method code of an entry promises beyond the common contract.  The
// exceptions are few, so they are listed here rather than spread over the
// checks.
CodeRule ruleOf(bool ex, std::int32_t code) {
    CodeRule rule;
    if (ex) return rule;
    switch (code) {
        case 8:  // Laplacian-corrected: leaves a frame of two pixels as it was
                 // and reads it for the next ring; breaks ties by the stored
                 // orientation; tests no sizes itself.
            rule.keptMargin = 3;
            rule.flipMirrors = false;
            rule.refusesBadSizes = false;
            break;
        case 9:
            rule.turned = true;
            break;  // rotated two-by-two
        default:
            break;
    }
    return rule;
}

// Codes 7 and 9 set the smoothing flag; code 5 agrees with code 7 from then on.
bool setsSmoothing(bool ex, std::int32_t code) { return !ex && (code == 7 || code == 9); }

const Agreement kAgreements[] = {
    {{false, 0}, {true, 0}, false}, {{false, 1}, {true, 1}, false}, {{false, 1}, {true, 5}, false},
    {{false, 2}, {true, 2}, false}, {{false, 4}, {true, 4}, false}, {{false, 6}, {true, 6}, false},
    {{false, 5}, {false, 7}, true},
};

const ConversionBuild kBuild{ConvertBayer2Rgb, ConvertBayer2RgbEx, 10, 7, false, ruleOf,
                             kAgreements, std::size(kAgreements), setsSmoothing};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pmfuzz::Input in(data, size);
    return checkConversion(kBuild, in);
}

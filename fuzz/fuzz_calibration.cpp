// Fuzz harness of the current build's calibration exports; the checks are
// those of calibration_checks.h.
#include "calibration_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pmfuzz::Input in(data, size);
    return pmfuzz::calibration::checkCalibration({false, SetBadPixelThreshold}, in);
}

// The constant tables of ROIColorCorrection.
#ifndef PIXMILL_ADJUST_COLOR_CORRECTION_H
#define PIXMILL_ADJUST_COLOR_CORRECTION_H

#include <array>
#include <cstdint>

namespace pm {

// Linearisation (256 entries, 12-bit linear values), the nine mixing tables
// (4096 entries each, mixing[input][output] with components ordered red,
// green, blue) and the re-encoding table (4096 entries, 12-bit values).
struct ColorCorrectionTables {
    std::array<std::int32_t, 256> linear;
    std::array<std::int32_t, 4096> mixing[3][3];
    std::array<std::int32_t, 4096> encode;
};

// Built once, when the library is loaded, and never changed.
const ColorCorrectionTables& colorCorrectionTables();

}  // namespace pm

#endif

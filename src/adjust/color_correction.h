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

// The per-pixel form the correction runs: for each input byte of each
// component, its three mixing terms M(p->q)[L[byte]] (red, green, blue
// output) packed into one 64-bit word, each term biased by kTermBias into a
// 21-bit field.  Summing the three components' words sums every output's
// terms field by field without carries (three biased terms stay below
// 2^21), so one addition does three.  The clamped sum indexes
// encodedBytes, which holds E[i] >> 4.
constexpr int kFieldBits = 21;
constexpr std::int64_t kTermBias = 1 << 14;
struct PackedCorrection {
    std::array<std::uint64_t, 256> terms[3];  // by input component: red, green, blue
    std::array<std::uint8_t, 4096> encodedBytes;
};
const PackedCorrection& packedCorrection();

}  // namespace pm

#endif

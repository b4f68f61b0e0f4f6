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
// output) packed into one 64-bit word as fields of kFieldBits bits, the red
// input's terms raised by kSumOffset.  Summing the three components' words
// forms every output's sum S field by field: the sums are exact integers
// and each S + kSumOffset lies in 0 to 16383, so each field of the total is
// S + kSumOffset without a carry.  That field indexes clampedBytes, which
// holds E[clamp(i - kSumOffset, 0, 4095)] >> 4.
constexpr int kFieldBits = 21;
constexpr std::int64_t kSumOffset = 4096;
struct PackedCorrection {
    std::array<std::uint64_t, 256> terms[3];  // by input component: red, green, blue
    std::array<std::uint8_t, 4 * 4096> clampedBytes;
};
const PackedCorrection& packedCorrection();

}  // namespace pm

#endif

// Colour correction of a region (ROIColorCorrection): power-law
// linearisation, a fixed 3 x 3 colour matrix and power-law re-encoding of a
// region of a BGR image, all by integer tables.
#include "adjust/color_correction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "pixmill.h"

namespace pm {
namespace {

// Linearisation (256 entries, 12-bit linear values), the nine mixing tables
// (4096 entries each, mixing[input][output] with components ordered red,
// green, blue) and the re-encoding table (4096 entries, 12-bit values).
struct ColorCorrectionTables {
    std::array<std::int32_t, 256> linear;
    std::array<std::int32_t, 4096> mixing[3][3];
    std::array<std::int32_t, 4096> encode;
};

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

enum { kRed = 0, kGreen = 1, kBlue = 2 };

// Coefficient of the matrix, [input][output]: how much of an input component
// goes into an output component.  The rows of the usual output-by-input
// matrix sum to about 1.58, 1.45 and 1.31, so the correction also brightens.
constexpr double kMatrix[3][3] = {
    /* red in   */ {2.3575837, -0.29117, -0.02574},
    /* green in */ {-0.6381306, 1.944898, -0.5427545},
    /* blue in  */ {-0.1427682, -0.2019927, 1.8808441},
};

ColorCorrectionTables buildTables() {
    ColorCorrectionTables t;
    for (int i = 0; i < 256; ++i) t.linear[std::size_t(i)] = std::int32_t(4096.0 * std::pow(i / 256.0, 2.34));
    for (int in = 0; in < 3; ++in)
        for (int out = 0; out < 3; ++out)
            for (int i = 0; i < 4096; ++i) t.mixing[in][out][std::size_t(i)] = std::int32_t(kMatrix[in][out] * i);
    for (int i = 0; i < 4096; ++i) t.encode[std::size_t(i)] = std::int32_t(4096.0 * std::pow(i / 4096.0, 0.45));
    return t;
}

// Filled by the library's static initialisation, before any export can run.
const ColorCorrectionTables kTables = buildTables();

// Sums lie within -3168 to 9567 (the most negative and most positive terms
// of each output added up), so S + 4096 stays within 0 to 16383.
PackedCorrection packTables(const ColorCorrectionTables& t) {
    PackedCorrection p;
    for (int in = 0; in < 3; ++in)
        for (int v = 0; v < 256; ++v) {
            std::int64_t word = 0;
            for (int out = 0; out < 3; ++out) {
                const std::int64_t term =
                    t.mixing[in][out][std::size_t(t.linear[std::size_t(v)])] + (in == kRed ? kSumOffset : 0);
                word += term * (std::int64_t(1) << (kFieldBits * out));
            }
            p.terms[in][std::size_t(v)] = std::uint64_t(word);
        }
    for (int i = 0; i < int(p.clampedBytes.size()); ++i)
        p.clampedBytes[std::size_t(i)] = std::uint8_t(t.encode[std::size_t(std::clamp(i - 4096, 0, 4095))] >> 4);
    return p;
}
const PackedCorrection kPacked = packTables(kTables);

// Output component q of a summed word: its clamped, re-encoded byte.
inline std::uint8_t outputByte(const PackedCorrection& p, std::uint64_t sum, int q) {
    return p.clampedBytes[(sum >> (kFieldBits * q)) & (p.clampedBytes.size() - 1)];
}

}  // namespace

// The region is clipped on the sides the call can see: columns to 0 to
// imageWidth - 1, rows to 0 and up; rows below the image are the caller's
// promise, since no image height is passed.
void correctRegionColour(std::uint8_t* image, std::int32_t x0, std::int32_t y0, std::int32_t regionWidth,
                         std::int32_t regionHeight, std::int32_t imageWidth) {
    // 64 bits even where pointers have 32: x0 + regionWidth may pass 2^31.
    using Index = std::int64_t;
    if (image == nullptr || regionWidth <= 0 || regionHeight <= 0 || imageWidth <= 0) return;
    const Index left = std::max<Index>(x0, 0), right = std::min<Index>(Index(x0) + regionWidth, imageWidth);
    const Index top = std::max<Index>(y0, 0), bottom = Index(y0) + regionHeight;
    // A region with no column inside the image changes nothing: stop before
    // walking its rows, which may number 2^32 and lie far past any image.
    if (left >= right) return;
    // Per pixel: linearise and mix (three packed look-ups and two additions),
    // then clamp and re-encode (one look-up per component).  The packed words
    // hold exactly the separately truncated table terms.
    const PackedCorrection& t = kPacked;
    for (Index y = top; y < bottom; ++y) {
        std::uint8_t* p = image + 3 * (y * Index(imageWidth) + left);
        for (Index x = left; x < right; ++x, p += 3) {
            const std::uint64_t sum = t.terms[kRed][p[2]] + t.terms[kGreen][p[1]] + t.terms[kBlue][p[0]];
            p[0] = outputByte(t, sum, kBlue);
            p[1] = outputByte(t, sum, kGreen);
            p[2] = outputByte(t, sum, kRed);
        }
    }
}

}  // namespace pm

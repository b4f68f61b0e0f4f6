// ROIColorCorrection: power-law linearisation, a fixed 3 x 3 colour matrix and
// power-law re-encoding of a region of a BGR image, all by integer tables.
#include "adjust/color_correction.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "pixmill.h"

namespace pm {
namespace {

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

inline int clamp12(std::int32_t v) { return v < 0 ? 0 : v > 4095 ? 4095 : v; }

}  // namespace

const ColorCorrectionTables& colorCorrectionTables() { return kTables; }

}  // namespace pm

// The region is clipped on the sides the call can see: columns to 0 to
// imageWidth - 1, rows to 0 and up; rows below the image are the caller's
// promise, since no image height is passed.
extern "C" void ROIColorCorrection(uint8_t* image, int32_t x0, int32_t y0, int32_t regionWidth,
                                   int32_t regionHeight, int32_t imageWidth, int32_t reserved) {
    (void)reserved;
    using Index = std::ptrdiff_t;
    if (image == nullptr || regionWidth <= 0 || regionHeight <= 0 || imageWidth <= 0) return;
    const Index left = std::max<Index>(x0, 0), right = std::min<Index>(Index(x0) + regionWidth, imageWidth);
    const Index top = std::max<Index>(y0, 0), bottom = Index(y0) + regionHeight;
    const pm::ColorCorrectionTables& t = pm::kTables;
    const auto& m = t.mixing;
    for (Index y = top; y < bottom; ++y) {
        std::uint8_t* row = image + 3 * y * Index(imageWidth);
        for (Index x = left; x < right; ++x) {
            std::uint8_t* p = row + 3 * x;
            const std::size_t b = std::size_t(t.linear[p[0]]), g = std::size_t(t.linear[p[1]]),
                              r = std::size_t(t.linear[p[2]]);
            const int red = pm::clamp12(m[pm::kRed][pm::kRed][r] + m[pm::kGreen][pm::kRed][g] + m[pm::kBlue][pm::kRed][b]);
            const int green =
                pm::clamp12(m[pm::kRed][pm::kGreen][r] + m[pm::kGreen][pm::kGreen][g] + m[pm::kBlue][pm::kGreen][b]);
            const int blue =
                pm::clamp12(m[pm::kRed][pm::kBlue][r] + m[pm::kGreen][pm::kBlue][g] + m[pm::kBlue][pm::kBlue][b]);
            p[0] = std::uint8_t(t.encode[std::size_t(blue)] >> 4);
            p[1] = std::uint8_t(t.encode[std::size_t(green)] >> 4);
            p[2] = std::uint8_t(t.encode[std::size_t(red)] >> 4);
        }
    }
}

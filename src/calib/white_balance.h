// White-balance measurement: the gains that bring the mean red and the mean
// blue of a BGR image to its mean green.  Shared by GetWhiteBalanceRatio
// (always 8-bit components) and the record entry's operation 1 (8-bit or
// 16-bit components by pixel format code).
#ifndef PIXMILL_CALIB_WHITE_BALANCE_H
#define PIXMILL_CALIB_WHITE_BALANCE_H

#include <cstdint>

namespace pm {

// The measured rectangle of a width x height image: rows firstRow to
// endRow - 1, columns firstColumn to endColumn - 1 (empty when end <= first).
struct MeasuredWindow {
    std::int64_t firstRow, endRow, firstColumn, endColumn;
};

// What varies between builds: which sizes are refused beyond "3 or less",
// and which part of the image is measured.
struct WhiteBalancePolicy {
    bool refuseOddSizes;
    MeasuredWindow (*window)(std::int32_t width, std::int32_t height);
};

// Rows and columns 2 to size - 3: a frame two pixels wide is never read.
MeasuredWindow interiorWindow(std::int32_t width, std::int32_t height);
// Rows height/4 to 3*height/4 - 1, columns width/4 to 3*width/4 - 1.
MeasuredWindow centreWindow(std::int32_t width, std::int32_t height);

// The current build: interior window, odd sizes accepted.
inline constexpr WhiteBalancePolicy kCurrentWhiteBalance{false, interiorWindow};
// The earlier builds: centre window, odd sizes refused.
inline constexpr WhiteBalancePolicy kEarlierWhiteBalance{true, centreWindow};

// Measures the image and writes red, green and blue ratio (green mean over
// each channel's mean; 0.0 for a channel whose mean is below 1e-9 or
// undefined).  `format` 4 reads 8-bit components, 6 reads 16-bit little-endian
// components (no alignment needed); any other code measures nothing, so all
// three ratios come out 0.0.  Rows are packed: 3 x width components each.
//
// Returns 0 and writes nothing for a null image, width or height of 3 or less
// (or odd, under a policy that refuses odd sizes); otherwise returns 1.
// Sums and counts are 64-bit, so large and 16-bit images do not wrap them.
// A null ratio pointer is not written; the others still are.
std::int32_t measureWhiteBalance(const void* image, std::int32_t width, std::int32_t height, std::int32_t format,
                                 double* redRatio, double* greenRatio, double* blueRatio,
                                 const WhiteBalancePolicy& policy = kCurrentWhiteBalance);

}  // namespace pm

#endif

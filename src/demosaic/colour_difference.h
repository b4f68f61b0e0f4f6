// The colour-difference step of gradient-directed interpolation: a missing
// red or blue value is the pixel's green plus a weighted difference d between
// the neighbours' colour and their green, clamped to a byte.
#ifndef PIXMILL_DEMOSAIC_COLOUR_DIFFERENCE_H
#define PIXMILL_DEMOSAIC_COLOUR_DIFFERENCE_H

#include <cstdint>

namespace pm {

// The definition, in double precision: x = green + weight * d, 255 when x is
// 255 or more, else 0 when x is 0 or less, then truncated toward zero.
// `weight` is 0.5 (two neighbours) or 0.25 (four diagonal neighbours).
inline std::uint8_t colourDifference(std::uint32_t green, std::int32_t d, double weight) {
    double x = static_cast<double>(green) + weight * static_cast<double>(d);
    if (x >= 255.0)
        x = 255.0;
    else if (x <= 0.0)
        x = 0.0;
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(x));
}

// The same value in integers, for the fast paths: green + weight * d rounds
// down to green + (d >> shift) with shift 1 for 0.5 and 2 for 0.25 (the
// shift is arithmetic, so it rounds down for negative d too), and truncation
// of a non-negative value is rounding down.
inline std::uint8_t colourDifferenceShifted(std::uint32_t green, std::int32_t d, int shift) {
    const std::int32_t x = static_cast<std::int32_t>(green) + (d >> shift);
    return static_cast<std::uint8_t>(x < 0 ? 0 : x > 255 ? 255 : x);
}

}  // namespace pm

#endif

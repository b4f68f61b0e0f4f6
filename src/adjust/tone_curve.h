// The tone curve shared by PmBrightness and PmContrast: a smooth curve through
// a few control points, sampled into a 256-entry byte table.
#ifndef PIXMILL_ADJUST_TONE_CURVE_H
#define PIXMILL_ADJUST_TONE_CURVE_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "adjust/vector_paths.h"

namespace pm {

// A control point in the unit square: input level / 255, output level / 255.
struct CurvePoint {
    double x, y;
};

// Nearest double to 1/255; every coordinate n / 255 of a control point is
// formed as n times this value.
constexpr double kReciprocal255 = 0.00392156862745098;

using ByteTable = std::array<std::uint8_t, 256>;

// Samples the cubic segments between consecutive points of `points` (x
// strictly increasing) for the first `segments` pairs, then rounds the curve
// into bytes.  Points beyond the last segment only shape its end tangent.
ByteTable toneTable(const CurvePoint* points, std::size_t pointCount, std::size_t segments);

// Maps `count` bytes through `table`; source and destination may be the same
// buffer.
void mapBytes(const std::uint8_t* source, std::size_t count, const ByteTable& table, std::uint8_t* destination,
              adjust::Path path = adjust::bestPath());

}  // namespace pm

#endif

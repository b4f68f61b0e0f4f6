// Tone-curve builder: cubic Bezier segments between control points, with the
// tangent at an inner point taken from the chord through its neighbours.
#include "adjust/tone_curve.h"

namespace pm {
namespace {

constexpr double kThird = 0.3333333333333333;

double slope(const CurvePoint& p, const CurvePoint& q) { return (q.y - p.y) / (q.x - p.x); }

// Evaluates the segment from points[b] to points[b + 1] into `curve`.  The
// double-precision steps run in exactly this order: each product and sum is
// part of the curve's definition, down to the last bit of the table.
void sampleSegment(const CurvePoint* points, std::size_t pointCount, std::size_t b, double* curve) {
    const CurvePoint& p0 = points[b];
    const CurvePoint& p1 = points[b + 1];
    const double dx = p1.x - p0.x;
    const bool hasBefore = b > 0;
    const bool hasAfter = b + 2 < pointCount;
    double c1, c2;
    if (hasBefore && hasAfter) {
        c1 = p0.y + slope(points[b - 1], p1) * dx * kThird;
        c2 = p1.y - slope(p0, points[b + 2]) * dx * kThird;
    } else if (hasAfter) {
        c2 = p1.y - slope(p0, points[b + 2]) * dx * kThird;
        c1 = p0.y + (c2 - p0.y) * 0.5;
    } else if (hasBefore) {
        c1 = p0.y + slope(points[b - 1], p1) * dx * kThird;
        c2 = p1.y + (c1 - p1.y) * 0.5;
    } else {
        const double dy = p1.y - p0.y;
        c1 = p0.y + dy * kThird;
        c2 = p0.y + dy * 0.6666666666666666;
    }
    const int steps = static_cast<int>(255.0 * dx + 0.5);
    const int start = static_cast<int>(255.0 * p0.x + 0.5);
    for (int i = 0; i <= steps; ++i) {
        const int index = start + i;
        if (index >= 256) continue;
        const double t = (i / dx) / 255.0;
        const double u = 1.0 - t;
        const double t2 = t * t;
        // 3 * (t * C1) rather than (3 * t) * C1: the grouping that gives the
        // documented tables (it decides a few entries of the contrast-0 curve).
        double y = u * (u * (u * p0.y + 3.0 * (t * c1)) + 3.0 * (t2 * c2)) + t2 * t * p1.y;
        if (!(y >= 0.0)) y = 0.0;  // NaN too
        if (y > 1.0) y = 1.0;
        curve[index] = y;
    }
}

}  // namespace

ByteTable toneTable(const CurvePoint* points, std::size_t pointCount, std::size_t segments) {
    // Every caller's segments run from x = 0 to x = 1, so each entry is written
    // before it is read; the zero start only guards a curve that would not.
    double curve[256] = {};
    for (std::size_t b = 0; b < segments; ++b) sampleSegment(points, pointCount, b, curve);
    ByteTable table;
    for (int k = 0; k < 256; ++k) {
        const int v = static_cast<int>(curve[k] * 255.0 + 0.5);
        table[std::size_t(k)] = static_cast<std::uint8_t>(v >= 255 ? 255 : v <= 0 ? 0 : v);
    }
    return table;
}

void mapBytes(const std::uint8_t* source, std::size_t count, const ByteTable& table, std::uint8_t* destination,
              adjust::Path path) {
    std::size_t i = path == adjust::Path::Avx2 ? adjust::mapBytesAvx2(source, count, table.data(), destination) : 0;
    for (; i < count; ++i) destination[i] = table[source[i]];
}

}  // namespace pm

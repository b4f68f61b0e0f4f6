// Brightness and contrast (PmBrightness, PmContrast): finished 8-bit data
// through a tone curve whose control points follow the requested amount.
#include "adjust/brightness_contrast.h"
#include "adjust/tone_curve.h"
#include "pixmill.h"

namespace pm {
namespace {

int32_t applyCurve(const uint8_t* source, int32_t count, uint8_t* destination, const CurvePoint* points,
                   std::size_t pointCount, std::size_t segments) {
    if (source == nullptr || destination == nullptr) return PM_ERROR_NULL_POINTER;
    if (count <= 0) return PM_OK;
    const ByteTable table = toneTable(points, pointCount, segments);
    mapBytes(source, std::size_t(count), table, destination);
    return PM_OK;
}

}  // namespace

// The middle control point moves along the anti-diagonal through (160, 160):
// brighter amounts lift it up and to the left.  A fourth point beyond the
// table bends the curve into (1, 1).
std::int32_t brightness(const std::uint8_t* source, std::int32_t count, std::int32_t amount, std::uint8_t* destination) {
    if (amount < -150 || amount > 150) return PM_ERROR_OUT_OF_RANGE;
    const double s = amount * 0.8;
    const int hi = static_cast<int>(s * 0.5 + 160.0);
    const int lo = static_cast<int>(160.0 - s * 0.5);
    const CurvePoint points[4] = {
        {0.0, 0.0}, {lo * kReciprocal255, hi * kReciprocal255}, {1.0, 1.0}, {1.1, 1.0}};
    return applyCurve(source, count, destination, points, 4, 2);
}

// Quarter and three-quarter points pulled apart (more contrast) or together
// (less) around a fixed middle grey.
std::int32_t contrast(const std::uint8_t* source, std::int32_t count, std::int32_t amount, std::uint8_t* destination) {
    if (amount < -50 || amount > 100) return PM_ERROR_OUT_OF_RANGE;
    const int c = amount / 2;
    const CurvePoint points[5] = {{0.0, 0.0},
                                      {0.24705882352941178, (63 - c) * kReciprocal255},
                                      {0.5, 0.5},
                                      {0.7490196078431373, (191 + c) * kReciprocal255},
                                      {1.0, 1.0}};
    return applyCurve(source, count, destination, points, 5, 4);
}

}  // namespace pm

// White-balance measurement.  Each build's GetWhiteBalanceRatio calls it with
// that build's policy (its export shims).
#include "calib/white_balance.h"

#include <cmath>
#include <cstddef>

#include "pixmill.h"

namespace pm {
namespace {

struct ChannelSums {
    // Blue, green, red, in component order.  64-bit: a 16-bit image of a few
    // hundred thousand pixels already overflows 32 bits.
    std::uint64_t sum[3] = {0, 0, 0};
    std::uint64_t count[3] = {0, 0, 0};
};

inline unsigned component8(const std::uint8_t* row, std::size_t i) { return row[i]; }
// 16-bit components are little-endian words at any byte address.
inline unsigned component16(const std::uint8_t* row, std::size_t i) {
    return unsigned(row[2 * i]) | (unsigned(row[2 * i + 1]) << 8);
}

template <unsigned (*Component)(const std::uint8_t*, std::size_t), std::size_t BytesPerComponent>
void sumWindow(const std::uint8_t* image, std::int32_t width, const MeasuredWindow& w, ChannelSums& sums) {
    if (w.endRow <= w.firstRow || w.endColumn <= w.firstColumn) return;
    const std::size_t rowBytes = std::size_t(width) * 3 * BytesPerComponent;
    for (std::int64_t r = w.firstRow; r < w.endRow; ++r) {
        const std::uint8_t* row = image + std::size_t(r) * rowBytes;
        for (std::int64_t c = w.firstColumn; c < w.endColumn; ++c)
            for (std::size_t k = 0; k < 3; ++k) sums.sum[k] += Component(row, std::size_t(c) * 3 + k);
        for (std::size_t k = 0; k < 3; ++k) sums.count[k] += std::uint64_t(w.endColumn - w.firstColumn);
    }
}

// An empty channel has no mean; it is reported as NaN, which fails the guard
// just as the undefined 0 / 0 would.
inline double channelMean(const ChannelSums& s, std::size_t k) {
    if (s.count[k] == 0) return std::nan("");
    return double(s.sum[k]) / double(s.count[k]);
}

inline double ratio(double greenMean, double mean) {
    return std::fabs(mean) >= 1e-9 ? greenMean / mean : 0.0;
}

inline void store(double* out, double value) {
    if (out != nullptr) *out = value;
}

}  // namespace

MeasuredWindow interiorWindow(std::int32_t width, std::int32_t height) {
    return {2, std::int64_t(height) - 2, 2, std::int64_t(width) - 2};
}

MeasuredWindow centreWindow(std::int32_t width, std::int32_t height) {
    return {height / 4, 3 * std::int64_t(height) / 4, width / 4, 3 * std::int64_t(width) / 4};
}

std::int32_t measureWhiteBalance(const void* image, std::int32_t width, std::int32_t height, std::int32_t format,
                                 double* redRatio, double* greenRatio, double* blueRatio,
                                 const WhiteBalancePolicy& policy) {
    if (image == nullptr || width <= 3 || height <= 3) return 0;
    if (policy.refuseOddSizes && ((width & 1) != 0 || (height & 1) != 0)) return 0;

    ChannelSums sums;
    const MeasuredWindow window = policy.window(width, height);
    const auto* bytes = static_cast<const std::uint8_t*>(image);
    if (format == PM_FORMAT_BGR8) sumWindow<component8, 1>(bytes, width, window, sums);
    if (format == PM_FORMAT_BGR16) sumWindow<component16, 2>(bytes, width, window, sums);

    const double blueMean = channelMean(sums, 0), greenMean = channelMean(sums, 1), redMean = channelMean(sums, 2);
    store(redRatio, ratio(greenMean, redMean));
    store(greenRatio, ratio(greenMean, greenMean));
    store(blueRatio, ratio(greenMean, blueMean));
    return 1;
}

}  // namespace pm

#include "calibration.h"

#include <cmath>

#include "pixmill.h"

namespace pmtool {
namespace {

void requireSameSize(const GreyFrame& frame, const GreyFrame& other, const char* what) {
    if (other.width != frame.width || other.height != frame.height)
        throw CalibrationError(std::string(what) + " is " + std::to_string(other.width) + "x" +
                               std::to_string(other.height) + ", the frame " + std::to_string(frame.width) + "x" +
                               std::to_string(frame.height));
}

std::vector<std::uint8_t> scaledTable(const std::vector<std::uint8_t>& base, double gain) {
    std::vector<std::uint8_t> table(256);
    for (int i = 0; i < 256; ++i) {
        const double scaled = gain > 0.0 ? std::floor(i * gain + 0.5) : i;
        const int index = scaled >= 255.0 ? 255 : static_cast<int>(scaled);
        table[std::size_t(i)] = base.empty() ? std::uint8_t(index) : base[std::size_t(index)];
    }
    return table;
}

}  // namespace

void removePatternNoise(GreyFrame& frame, const std::vector<GreyFrame>& darkFrames) {
    if (darkFrames.empty()) return;
    std::vector<std::int32_t> accumulator(frame.samples.size(), 0);
    for (const GreyFrame& dark : darkFrames) {
        requireSameSize(frame, dark, "a dark frame");
        GetPatternNoise(dark.samples.data(), accumulator.data(), dark.width, dark.height);
    }
    AvgPatternNoise(accumulator.data(), frame.width, frame.height, static_cast<std::int32_t>(darkFrames.size()));
    FixPatternNoise(frame.samples.data(), accumulator.data(), 0, 0, frame.width, frame.height, frame.width,
                    frame.height);
}

void eraseDefects(GreyFrame& frame, const GreyFrame& flatFrame, std::int32_t threshold) {
    requireSameSize(frame, flatFrame, "the flat frame");
    std::vector<std::uint8_t> map(frame.samples.size());
    SetBadPixelThreshold(threshold);
    DetectDeadPixel(flatFrame.samples.data(), map.data(), flatFrame.width, flatFrame.height);
    EraseDeadPixel(frame.samples.data(), map.data(), 0, 0, frame.width, frame.height, frame.width, frame.height);
}

Tables gammaTables(double gamma) {
    std::vector<std::uint8_t> table(256);
    SetGammaLut(table.data(), gamma);
    return {table, table, table};
}

Gains measureGains(const BgrImage& image) {
    Gains gains;
    if (GetWhiteBalanceRatio(image.bytes.data(), image.width, image.height, &gains.red, &gains.green, &gains.blue) != 1)
        throw CalibrationError("the image is too small to measure white balance");
    return gains;
}

Tables foldGains(const Tables& base, const Gains& gains) {
    return {scaledTable(base.red, gains.red), scaledTable(base.green, gains.green),
            scaledTable(base.blue, gains.blue)};
}

}  // namespace pmtool

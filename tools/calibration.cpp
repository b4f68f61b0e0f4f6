#include "calibration.h"

#include <cmath>
#include <cstring>

#include "pixmill.h"

namespace pmtool {
namespace {

void requireSameSize(const GreyFrame& frame, const GreyFrame& other, const char* what) {
    if (other.width != frame.width || other.height != frame.height)
        throw CalibrationError(std::string(what) + " is " + std::to_string(other.width) + "x" +
                               std::to_string(other.height) + ", the frame " + std::to_string(frame.width) + "x" +
                               std::to_string(frame.height));
}

// Layouts 3 and 4 put red and blue where row and column parity agree.
bool greenOnDifferingParity(std::int32_t layout) { return layout == PM_LAYOUT_BGGR || layout == PM_LAYOUT_RGGB; }

// Copies of the frame's samples turned one column: column c of the copy is
// column (c + 1) mod width of the frame.  With an even width every column
// changes parity, so the library's classes see the mosaic of layouts 1 and 2.
template <typename T>
std::vector<T> turnedColumn(const std::vector<T>& samples, std::int32_t width, bool back) {
    std::vector<T> turned(samples.size());
    const std::size_t w = std::size_t(width);
    for (std::size_t row = 0; row < samples.size(); row += w)
        for (std::size_t c = 0; c < w; ++c) {
            const std::size_t from = (c + 1) % w;
            if (back) turned[row + from] = samples[row + c];
            else turned[row + c] = samples[row + from];
        }
    return turned;
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

std::vector<std::int32_t> measurePatternNoise(const std::vector<GreyFrame>& darkFrames, std::int32_t layout) {
    if (darkFrames.empty()) return {};
    const GreyFrame& first = darkFrames.front();
    const bool turn = greenOnDifferingParity(layout) && first.width % 2 == 0;
    std::vector<std::int32_t> accumulator(first.samples.size(), 0);
    for (const GreyFrame& dark : darkFrames) {
        requireSameSize(first, dark, "a dark frame");
        const std::vector<std::uint8_t> samples = turn ? turnedColumn(dark.samples, dark.width, false) : dark.samples;
        GetPatternNoise(samples.data(), accumulator.data(), dark.width, dark.height);
    }
    AvgPatternNoise(accumulator.data(), first.width, first.height, static_cast<std::int32_t>(darkFrames.size()));
    return turn ? turnedColumn(accumulator, first.width, true) : accumulator;
}

void applyPatternNoise(GreyFrame& frame, const std::vector<std::int32_t>& pattern) {
    if (pattern.empty()) return;
    if (pattern.size() != frame.samples.size()) throw CalibrationError("the pattern noise does not fit the frame");
    FixPatternNoise(frame.samples.data(), pattern.data(), 0, 0, frame.width, frame.height, frame.width,
                    frame.height);
}

std::vector<std::uint8_t> detectDefects(const GreyFrame& flat, std::int32_t threshold, std::size_t& count) {
    if (flat.width % 2 != 0 || flat.height % 2 != 0 || flat.width < 2 || flat.height < 2)
        throw CalibrationError("the flat frame's sides must be even");
    const std::size_t w = std::size_t(flat.width), pw = w / 2, ph = std::size_t(flat.height) / 2;
    std::vector<std::uint8_t> map(flat.samples.size(), 0), plane(pw * ph), planeMap(pw * ph);
    SetBadPixelThreshold(threshold);
    count = 0;
    for (std::size_t py = 0; py < 2; ++py)
        for (std::size_t px = 0; px < 2; ++px) {
            for (std::size_t y = 0; y < ph; ++y)
                for (std::size_t x = 0; x < pw; ++x) plane[y * pw + x] = flat.samples[(2 * y + py) * w + 2 * x + px];
            DetectDeadPixel(plane.data(), planeMap.data(), std::int32_t(pw), std::int32_t(ph));
            for (std::size_t y = 0; y < ph; ++y)
                for (std::size_t x = 0; x < pw; ++x) {
                    const std::uint8_t marked = planeMap[y * pw + x] != 0;
                    map[(2 * y + py) * w + 2 * x + px] = marked;
                    count += marked;
                }
        }
    const std::size_t limit = flat.samples.size() * std::size_t(kMaxDefectsPerMille) / 1000;
    if (count > limit)
        throw CalibrationError("the flat frame marks " + std::to_string(count) + " of " +
                               std::to_string(flat.samples.size()) + " samples as defective, more than the " +
                               std::to_string(limit) + " (" + std::to_string(kMaxDefectsPerMille / 10) + "." +
                               std::to_string(kMaxDefectsPerMille % 10) +
                               " %) allowed: is it evenly lit? (see --defect-threshold)");
    return map;
}

void eraseDefects(GreyFrame& frame, const std::vector<std::uint8_t>& map, std::int32_t layout) {
    if (map.empty()) return;
    if (map.size() != frame.samples.size()) throw CalibrationError("the defect map does not fit the frame");
    if (!greenOnDifferingParity(layout)) {
        EraseDeadPixel(frame.samples.data(), map.data(), 0, 0, frame.width, frame.height, frame.width, frame.height);
        return;
    }
    // The region one column in: its own packed copy, rows of width - 1.
    const std::size_t w = std::size_t(frame.width), cols = w - 1;
    std::vector<std::uint8_t> region(cols * std::size_t(frame.height));
    for (std::size_t y = 0; y < std::size_t(frame.height); ++y)
        std::memcpy(&region[y * cols], &frame.samples[y * w + 1], cols);
    EraseDeadPixel(region.data(), map.data(), 1, 0, frame.width - 1, frame.height, frame.width, frame.height);
    for (std::size_t y = 0; y < std::size_t(frame.height); ++y)
        std::memcpy(&frame.samples[y * w + 1], &region[y * cols], cols);
}

void removePatternNoise(GreyFrame& frame, const std::vector<GreyFrame>& darkFrames, std::int32_t layout) {
    for (const GreyFrame& dark : darkFrames) requireSameSize(frame, dark, "a dark frame");
    applyPatternNoise(frame, measurePatternNoise(darkFrames, layout));
}

std::size_t eraseDefects(GreyFrame& frame, const GreyFrame& flatFrame, std::int32_t threshold,
                         std::int32_t layout) {
    requireSameSize(frame, flatFrame, "the flat frame");
    std::size_t count = 0;
    eraseDefects(frame, detectDefects(flatFrame, threshold, count), layout);
    return count;
}

Tables gammaTables(double gamma) {
    if (gamma == 1.0) return {};
    std::vector<std::uint8_t> table(256);
    SetGammaLut(table.data(), gamma);
    return {table, table, table};
}

Gains measureGains(const BgrImage& image) {
    Gains gains;
    if (GetWhiteBalanceRatio(image.bytes.data(), image.width, image.height, &gains.red, &gains.green, &gains.blue) !=
            1 ||
        !(gains.red > 0.0 && gains.green > 0.0 && gains.blue > 0.0))
        throw CalibrationError("could not measure white balance on the " + std::to_string(image.width) + "x" +
                               std::to_string(image.height) +
                               " image (too small, or a colour without light): nothing balanced");
    return gains;
}

Tables foldGains(const Tables& base, const Gains& gains) {
    return {scaledTable(base.red, gains.red), scaledTable(base.green, gains.green),
            scaledTable(base.blue, gains.blue)};
}

}  // namespace pmtool

// pixmill-convert's conversions through the record entry.
#include "record_conversion.h"

#include <cmath>
#include <cstdio>

#include "calibration.h"
#include "pixmill.h"

namespace pmtool {
namespace {

// The three tables of a conversion in entries of the sample width; an empty
// table is passed as null, which the library takes as its identity table.
template <typename Value>
struct TablesOf {
    std::vector<Value> red, green, blue;
};

template <typename Value>
const void* orNull(const std::vector<Value>& table) {
    return table.empty() ? nullptr : table.data();
}

// The record numbers the mosaics 0 (red first) to 3; the command line uses
// the conversion entries' codes 1 to 4, where 4 is red first.
std::uint32_t recordLayout(std::int32_t layout) { return layout == PM_LAYOUT_RGGB ? 0u : std::uint32_t(layout); }

template <typename Value>
DeepImage convertSamples(const std::vector<Value>& samples, std::int32_t width, std::int32_t height,
                         const Options& options, bool grey, const TablesOf<Value>& tables) {
    constexpr bool wide = sizeof(Value) == 2;
    DeepImage image;
    image.width = width;
    image.height = height;
    image.channels = grey ? 1 : 3;
    image.depth = wide ? 16 : 8;
    std::vector<Value> out(std::size_t(width) * std::size_t(height) * std::size_t(image.channels));
    const std::int32_t destFormat = grey ? (wide ? PM_FORMAT_MONO16 : PM_FORMAT_MONO8)
                                         : (wide ? PM_FORMAT_BGR16 : PM_FORMAT_BGR8);
    PmConvertRecord record{out.data(),          destFormat, 0,     0,      samples.data(),
                           wide ? PM_FORMAT_RAW16 : PM_FORMAT_RAW8, 0, 0, recordLayout(options.layout),
                           width,               height,     PM_METHOD_SMOOTHED_WINDOW,
                           orNull(tables.red),  orNull(tables.green), orNull(tables.blue),
                           options.flip ? 1u : 0u};
    if (PmConvert(PM_OPERATION_CONVERT, &record, 0) != 1)
        throw RecordError("the library refused the " + std::to_string(width) + "x" + std::to_string(height) +
                          " frame");
    image.values.assign(out.begin(), out.end());
    return image;
}

// Entry i of each table becomes base[round(i x gain)], saturating at the
// largest entry; a gain of 0 (a channel the measurement found empty) is
// left out.  The gain thus scales linear samples ahead of any curve.
std::vector<std::uint16_t> scaledWideTable(const std::vector<std::uint16_t>& base, double gain) {
    std::vector<std::uint16_t> table(65536);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double scaled = gain > 0.0 ? std::floor(double(i) * gain + 0.5) : double(i);
        const std::size_t index = scaled >= 65535.0 ? 65535 : std::size_t(scaled);
        table[i] = base.empty() ? std::uint16_t(index) : base[index];
    }
    return table;
}

void printGains(const Gains& gains) {
    std::printf("pixmill-convert: white-balance gains red %.4f, green %.4f, blue %.4f\n", gains.red, gains.green,
                gains.blue);
}

DeepImage convertWide(const Options& options, const WideFrame& frame) {
    TablesOf<std::uint16_t> tables;
    if (options.gamma > 0.0 && options.gamma != 1.0)  // gamma 1 is no curve
        tables.red = tables.green = tables.blue = wideGammaTable(options.gamma);
    if (options.whiteBalance) {
        const DeepImage linear = convertSamples(frame.samples, frame.width, frame.height, options, false, {});
        const std::vector<std::uint16_t> words(linear.values.begin(), linear.values.end());
        Gains gains;
        PmWhiteBalanceRecord record{words.data(), PM_FORMAT_BGR16, 0, 0, linear.width, linear.height,
                                    &gains.red,   &gains.green,    &gains.blue};
        if (PmConvert(PM_OPERATION_WHITE_BALANCE, &record, 0) != 1 ||
            !(gains.red > 0.0 && gains.green > 0.0 && gains.blue > 0.0))
            throw RecordError("could not measure white balance (too small, or a colour without light): "
                              "nothing balanced");
        tables = {scaledWideTable(tables.red, gains.red), scaledWideTable(tables.green, gains.green),
                  scaledWideTable(tables.blue, gains.blue)};
        printGains(gains);
    }
    DeepImage image = convertSamples(frame.samples, frame.width, frame.height, options, options.grey, tables);
    if (options.depth == 8) {
        for (std::uint16_t& v : image.values) v = static_cast<std::uint16_t>((std::uint32_t(v) * 255 + 32767) / 65535);
        image.depth = 8;
    }
    return image;
}

DeepImage convertNarrow(const Options& options, const GreyFrame& frame) {
    Tables tables = options.gamma > 0.0 ? gammaTables(options.gamma) : Tables{};
    if (options.whiteBalance) {
        const DeepImage linear = convertSamples(frame.samples, frame.width, frame.height, options, false, {});
        const BgrImage bgr{linear.width, linear.height, std::vector<std::uint8_t>(linear.values.begin(),
                                                                                  linear.values.end())};
        const Gains gains = measureGains(bgr);
        tables = foldGains(tables, gains);
        printGains(gains);
    }
    return convertSamples(frame.samples, frame.width, frame.height, options, options.grey,
                          TablesOf<std::uint8_t>{tables.red, tables.green, tables.blue});
}

}  // namespace

WideFrame unpackFrame(const std::vector<std::uint8_t>& packed, std::int32_t width, std::int32_t height,
                      std::int32_t bits) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        std::int64_t(width) * std::int64_t(height) > kMaxSamples)
        throw RecordError("packed frame size " + std::to_string(width) + "x" + std::to_string(height) +
                          " is empty or too large");
    const std::size_t n = std::size_t(width) * std::size_t(height);
    const std::size_t needed = bits == 10 ? (n + 2) / 3 * 4 : (n * 12 + 7) / 8;
    if (packed.size() < needed)
        throw RecordError("a packed " + std::to_string(bits) + "-bit frame of " + std::to_string(width) + "x" +
                          std::to_string(height) + " needs " + std::to_string(needed) + " bytes, the file has " +
                          std::to_string(packed.size()));
    WideFrame frame{width, height, std::vector<std::uint16_t>(n)};
    (bits == 10 ? Raw10PackedToRaw16 : Raw12PackedToRaw16)(packed.data(), frame.samples.data(), width, height);
    for (std::uint16_t& v : frame.samples)
        v = static_cast<std::uint16_t>(v << (16 - bits) | v >> (2 * bits - 16));
    return frame;
}

WideFrame readPackedFrame(const std::string& path, std::int32_t width, std::int32_t height, std::int32_t bits) {
    const std::vector<std::uint8_t> packed = readFileBytes(path, std::size_t(kMaxSamples) * 2);
    try {
        return unpackFrame(packed, width, height, bits);
    } catch (const RecordError& error) {
        throw RecordError("'" + path + "': " + error.what());
    }
}

WideFrame widenFrame(const GreyFrame& frame) {
    WideFrame wide{frame.width, frame.height, std::vector<std::uint16_t>(frame.samples.size())};
    for (std::size_t i = 0; i < frame.samples.size(); ++i) wide.samples[i] = std::uint16_t(frame.samples[i] * 257);
    return wide;
}

std::vector<std::uint16_t> wideGammaTable(double gamma) {
    std::vector<std::uint16_t> table(65536);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint16_t>(std::floor(65535.0 * std::pow(double(i) / 65535.0, gamma) + 0.5));
    return table;
}

bool needsRecordEntry(const Options& options, const FrameFile& frame, ImageFormat format) {
    return frame.wide || options.grey || options.depth != 0 || format == ImageFormat::Pgm;
}

DeepImage convertThroughRecord(const Options& options, FrameFile frame) {
    if (options.methodGiven && options.method != PM_METHOD_SMOOTHED_WINDOW)
        throw RecordError("grey and 16-bit conversions run method 7 only, not method " +
                          std::to_string(options.method));
    if (!frame.wide) {
        removePatternNoise(frame.narrow, [&] {
            std::vector<GreyFrame> darkFrames;
            for (const std::string& path : options.darkFrames) darkFrames.push_back(readFrame(path));
            return darkFrames;
        }(), options.layout);
        if (!options.flatFrame.empty())
            eraseDefects(frame.narrow, readFrame(options.flatFrame), options.defectThreshold, options.layout);
        if (options.depth != 16) return convertNarrow(options, frame.narrow);
        return convertWide(options, widenFrame(frame.narrow));
    }
    if (!options.darkFrames.empty() || !options.flatFrame.empty())
        throw RecordError("--dark-frame and --flat-frame correct 8-bit frames only");
    return convertWide(options, frame.wideFrame);
}

}  // namespace pmtool

// pixmill-convert: demosaics a Bayer frame from a file (or the built-in test
// scene) through the Pixmill library and writes the colour or grey image.
//
// main() runs the stages in order: parse options -> load or generate the
// frame -> calibration -> convert -> adjustments -> write.  8-bit frames
// converted to 8-bit colour go through ConvertBayer2Rgb and any method, then
// the adjustments; 16-bit frames, grey output and 16-bit output go through the
// record entry (record_conversion.h), which the adjustments do not take.
// Exit status 0 on success, 1 when a file, the frame, the conversion or an
// adjustment fails, 2 for a bad command line; every failure is one line on
// stderr.
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "adjustments.h"
#include "calibration.h"
#include "image_io.h"
#include "options.h"
#include "pixmill.h"
#include "record_conversion.h"
#include "test_scene.h"

namespace {

using namespace pmtool;

const std::uint8_t* tableOrIdentity(const std::vector<std::uint8_t>& table) {
    return table.empty() ? nullptr : table.data();
}

class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

FrameFile loadFrame(const Options& options) {
    FrameFile frame;
    if (options.packing != 0) {
        frame.wide = true;
        frame.wideFrame = readPackedFrame(options.input, options.width, options.height, options.packing);
    } else if (options.input.empty()) {
        frame.narrow = mosaicScene(makeTestScene(), options.layout);
    } else {
        frame = readFrameFile(options.input);
    }
    return frame;
}

// The conversion methods refuse odd sizes and sizes of 3 or less; say so in
// the frame's terms rather than as a refused conversion.
void requireConvertibleSize(std::int32_t width, std::int32_t height, const std::string& name) {
    if (width < 4 || height < 4 || width % 2 != 0 || height % 2 != 0)
        throw ConversionError(name + ": frame size " + std::to_string(width) + "x" + std::to_string(height) +
                              " cannot be demosaiced (both sides must be even and at least 4)");
}

// Width and height of the image a method writes for a width x height frame:
// method 9 writes it turned a quarter, `height` pixels wide.
void outputSize(std::int32_t method, const GreyFrame& frame, std::int32_t& width, std::int32_t& height) {
    const bool rotated = method == PM_METHOD_ROTATED_TWO_BY_TWO;
    width = rotated ? frame.height : frame.width;
    height = rotated ? frame.width : frame.height;
}

BgrImage convert(const Options& options, const GreyFrame& frame, const Tables& tables) {
    BgrImage image;
    outputSize(options.method, frame, image.width, image.height);
    image.bytes.resize(std::size_t(frame.width) * std::size_t(frame.height) * 3);
    const std::int32_t produced =
        ConvertBayer2Rgb(image.bytes.data(), frame.samples.data(), frame.width, frame.height, options.method,
                         tableOrIdentity(tables.red), tableOrIdentity(tables.green),
                         tableOrIdentity(tables.blue), options.flip ? 1 : 0, options.layout);
    // The sizes were checked above, so a refusal means the library has no
    // such method (or none that accepts this frame).
    if (produced != 1)
        throw ConversionError("method " + std::to_string(options.method) +
                              " is not available in this build (the library refused the " +
                              std::to_string(frame.width) + "x" + std::to_string(frame.height) + " frame)");
    return image;
}

// Raw-frame corrections first (pattern noise, then defects, so that the
// defect repair averages corrected neighbours), then the tables: gamma, and
// white-balance gains measured on a first conversion through linear tables
// and folded in ahead of the gamma curve.
Tables calibrate(const Options& options, GreyFrame& frame) {
    std::vector<GreyFrame> darkFrames;
    for (const std::string& path : options.darkFrames) darkFrames.push_back(readFrame(path));
    removePatternNoise(frame, darkFrames);
    if (!options.flatFrame.empty()) eraseDefects(frame, readFrame(options.flatFrame), options.defectThreshold);

    Tables tables = options.gamma > 0.0 ? gammaTables(options.gamma) : Tables{};
    if (options.whiteBalance) {
        const Gains gains = measureGains(convert(options, frame, Tables{}));
        tables = foldGains(tables, gains);
        std::printf("pixmill-convert: white-balance gains red %.4f, green %.4f, blue %.4f\n", gains.red, gains.green,
                    gains.blue);
    }
    return tables;
}

int run(const std::vector<std::string>& arguments) {
    const Options options = parseOptions(arguments);
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    // Checked first so that a bad output name fails before any work.
    const ImageFormat format = formatForPath(options.output);
    if (format == ImageFormat::Pgm && !options.grey)
        throw UsageError("a .pgm output holds a grey image: add --grey or use .png, .ppm or .pnm");
    if (format == ImageFormat::Ppm && options.grey)
        throw UsageError("a .ppm output holds a colour image: use .pgm, .pnm or .png with --grey");

    FrameFile file = loadFrame(options);
    const std::int32_t width = file.wide ? file.wideFrame.width : file.narrow.width;
    const std::int32_t height = file.wide ? file.wideFrame.height : file.narrow.height;
    requireConvertibleSize(width, height, options.input.empty() ? "test scene" : "'" + options.input + "'");
    if (needsRecordEntry(options, file, format)) {
        // The adjustments work on 8-bit colour images only.
        if (options.colorCorrect || options.brightness || options.contrast || options.sharpen != 0.0f ||
            options.rotate != Options::Rotation::None)
            throw UsageError("--color-correct, --brightness, --contrast, --sharpen and --rotate apply to 8-bit "
                             "colour output only");
        const DeepImage image = convertThroughRecord(options, std::move(file));
        writeImage(options.output, image, format);
        std::printf("pixmill-convert: wrote %dx%d %d-bit %s image to %s\n", image.width, image.height, image.depth,
                    image.channels == 1 ? "grey" : "colour", options.output.c_str());
        return 0;
    }
    GreyFrame& frame = file.narrow;
    const Tables tables = calibrate(options, frame);
    BgrImage image = convert(options, frame, tables);
    adjustImage(image, options);
    writeImage(options.output, image, format);

    std::printf("pixmill-convert: wrote %dx%d image to %s\n", image.width, image.height, options.output.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    } catch (const pmtool::UsageError& error) {
        std::fprintf(stderr, "pixmill-convert: %s (try --help)\n", error.what());
        return 2;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "pixmill-convert: out of memory\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pixmill-convert: %s\n", error.what());
    }
    return 1;
}

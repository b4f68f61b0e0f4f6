// pixmill-convert: demosaics a Bayer frame from a file (or the built-in test
// scene) through the Pixmill library and writes the colour or grey image.
//
// main() runs the stages in order: parse options -> calibration read or
// measured from dark and flat frames (once for all inputs) -> per input: load
// or generate the frame -> calibration -> convert -> adjustments -> write.
// Several inputs, or a folder, make a batch (batch.h) into an output folder.  8-bit frames
// converted to 8-bit colour go through ConvertBayer2Rgb and any method, then
// the adjustments; 16-bit frames, grey output and 16-bit output go through the
// record entry (record_conversion.h), which the adjustments do not take.
// Exit status 0 on success, 1 when a file, the frame, the conversion or an
// adjustment fails, 2 for a bad command line; every failure is one line on
// stderr.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "adjustments.h"
#include "batch.h"
#include "calibration.h"
#include "calibration_file.h"
#include "image_io.h"
#include "methods.h"
#include "options.h"
#include "pixmill.h"
#include "record_conversion.h"
#include "test_scene.h"

namespace {

using namespace pmtool;

// A table the run made, or null (the library's identity) where it made none.
const std::uint8_t* tableOrNull(const std::vector<std::uint8_t>& table) {
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
                         tableOrNull(tables.red), tableOrNull(tables.green),
                         tableOrNull(tables.blue), options.flip ? 1 : 0, options.layout);
    // The sizes and the method were checked before, so this is unexpected.
    if (produced != 1)
        throw ConversionError("method " + std::to_string(options.method) + " refused the " +
                              std::to_string(frame.width) + "x" + std::to_string(frame.height) + " frame");
    return image;
}

// Where messages go: standard output, unless the image goes there.
std::FILE* info = stdout;

// The calibration every frame of a run shares: read from a file, or measured
// from the dark and flat frames once.  Gains, when asked for, are measured on
// each frame itself.
struct SharedCalibration {
    Calibration calibration;
    bool fromFile = false;
    bool measureGains = false;
};

SharedCalibration prepareCalibration(const Options& options) {
    SharedCalibration shared;
    Calibration& c = shared.calibration;
    if (!options.calibration.empty()) {
        c = readCalibration(options.calibration);
        shared.fromFile = true;
        return shared;
    }
    c.layout = options.layout;
    c.gamma = options.gamma;
    shared.measureGains = options.whiteBalance;
    std::vector<GreyFrame> darkFrames;
    for (const std::string& path : options.darkFrames) darkFrames.push_back(readFrame(path));
    c.pattern = measurePatternNoise(darkFrames, options.layout);
    if (!darkFrames.empty()) {
        c.width = darkFrames.front().width;
        c.height = darkFrames.front().height;
    }
    if (!options.flatFrame.empty()) {
        const GreyFrame flat = readFrame(options.flatFrame);
        if (!darkFrames.empty() && (flat.width != c.width || flat.height != c.height))
            throw CalibrationError("the flat frame is " + std::to_string(flat.width) + "x" +
                                   std::to_string(flat.height) + ", the dark frames " + std::to_string(c.width) +
                                   "x" + std::to_string(c.height));
        std::size_t count = 0;
        c.defects = detectDefects(flat, options.defectThreshold, count);
        c.width = flat.width;
        c.height = flat.height;
        std::fprintf(info, "pixmill-convert: the flat frame marks %zu defective sample%s\n", count,
                     count == 1 ? "" : "s");
    }
    return shared;
}

// Raw-frame corrections first (pattern noise, then defects, so that the
// defect repair averages corrected neighbours), then the tables: gamma, and
// white-balance gains measured on a first conversion through linear tables
// and folded in ahead of the gamma curve.  Returns the calibration applied,
// gains included, for --save-calibration.
Calibration calibrate(const Options& options, const SharedCalibration& shared, GreyFrame& frame, Tables& tables,
                      bool quiet) {
    Calibration c = shared.calibration;
    if (shared.fromFile)
        requireMatchingCalibration(c, frame.width, frame.height, options.layout);
    else if ((!c.pattern.empty() || !c.defects.empty()) && (c.width != frame.width || c.height != frame.height))
        throw CalibrationError("the dark and flat frames are " + std::to_string(c.width) + "x" +
                               std::to_string(c.height) + ", the frame " + std::to_string(frame.width) + "x" +
                               std::to_string(frame.height));
    c.width = frame.width;
    c.height = frame.height;
    c.layout = options.layout;
    applyPatternNoise(frame, c.pattern);
    eraseDefects(frame, c.defects, c.layout);
    tables = c.gamma > 0.0 ? gammaTables(c.gamma) : Tables{};
    if (shared.measureGains) {
        c.gains = measureGains(convert(options, frame, Tables{}));
        c.haveGains = true;
        if (!quiet)
            std::fprintf(info, "pixmill-convert: white-balance gains red %.4f, green %.4f, blue %.4f\n", c.gains.red,
                         c.gains.green, c.gains.blue);
    }
    if (c.haveGains) tables = foldGains(tables, c.gains);
    return c;
}

ImageFormat outputFormat(const Options& options, const std::string& output) {
    if (output != "-") return formatForPath(output);
    const std::string name = options.format.empty() ? "png" : options.format;
    return formatForPath("standard-output." + name);
}

const char* shownName(const std::string& output) { return output == "-" ? "standard output" : output.c_str(); }

// Refuses an output that would overwrite one of the run's input files.
void requireNotAnInput(const Options& options, const std::string& input, const std::string& output) {
    if (output == "-") return;
    std::vector<std::string> inputs = options.darkFrames;
    inputs.push_back(input);
    inputs.push_back(options.flatFrame);
    inputs.push_back(options.calibration);
    for (const std::string& other : inputs)
        if (!other.empty() && other != "-" && sameFile(other, output))
            throw ConversionError("'" + output + "' is an input of this run ('" + other +
                                  "'); refusing to overwrite it");
}

// Converts one input into one output file.  `quiet` leaves out the lines
// that report success (batches report a summary instead).
void convertOne(const Options& options, const SharedCalibration& shared, const std::string& input,
                const std::string& output, ImageFormat format, bool quiet) {
    Options own = options;
    own.input = input;
    requireNotAnInput(own, input, output);
    FrameFile file = loadFrame(own);
    const std::int32_t width = file.wide ? file.wideFrame.width : file.narrow.width;
    const std::int32_t height = file.wide ? file.wideFrame.height : file.narrow.height;
    requireConvertibleSize(width, height, input.empty() ? "test scene" : "'" + input + "'");
    if (needsRecordEntry(own, file, format)) {
        // The adjustments work on 8-bit colour images only.
        if (own.colorCorrect || own.brightness || own.contrast || own.sharpen != 0.0f ||
            own.rotate != Options::Rotation::None)
            throw UsageError("--color-correct, --brightness, --contrast, --sharpen and --rotate apply to 8-bit "
                             "colour output only");
        if (!own.calibration.empty() || !own.saveCalibration.empty())
            throw UsageError("saved calibrations apply to 8-bit colour output only");
        const DeepImage image = convertThroughRecord(own, std::move(file));
        writeImage(output, image, format);
        if (!quiet)
            std::fprintf(info, "pixmill-convert: wrote %dx%d %d-bit %s image to %s\n", image.width, image.height,
                         image.depth, image.channels == 1 ? "grey" : "colour", shownName(output));
        return;
    }
    GreyFrame& frame = file.narrow;
    Tables tables;
    const Calibration applied = calibrate(own, shared, frame, tables, quiet);
    BgrImage image = convert(own, frame, tables);
    adjustImage(image, own);
    if (!own.saveCalibration.empty()) {
        writeFileSafely(own.saveCalibration, encodeCalibration(applied));
        if (!quiet) std::fprintf(info, "pixmill-convert: saved the calibration to %s\n", own.saveCalibration.c_str());
    }
    writeImage(output, image, format);
    if (!quiet)
        std::fprintf(info, "pixmill-convert: wrote %dx%d image to %s\n", image.width, image.height, shownName(output));
}

int runBatchOf(const Options& options, const SharedCalibration& shared) {
    if (!options.saveCalibration.empty())
        throw UsageError("--save-calibration measures one frame; calibrate on one input, then batch with --calibration");
    if (options.output == "-") throw UsageError("a batch writes into a folder, not to standard output");
    const bool newFolder = !isFolder(options.output);
    if (newFolder) {
        const std::size_t dot = options.output.rfind('.');
        if (dot != std::string::npos && options.output.find('/', dot) == std::string::npos)
            throw UsageError("a batch writes into a folder: give -o FOLDER (not '" + options.output + "')");
    }
    const std::string extension = options.format.empty() ? "png" : options.format;
    const ImageFormat format = formatForPath("x." + extension);
    const std::vector<BatchJob> jobs = batchJobs(batchInputs(options.inputs), options.output, extension);
    // Nothing to convert is a failure: a wrong folder would otherwise pass.
    if (jobs.empty()) throw ConversionError("the batch found no input frames");
    if (newFolder && mkdir(options.output.c_str(), 0777) != 0)
        throw ConversionError("cannot create the folder '" + options.output + "': " + std::strerror(errno));
    const unsigned threads = options.jobs > 0 ? unsigned(options.jobs) : std::max(1u, std::thread::hardware_concurrency());
    const BatchResult result = runBatch(
        jobs, threads,
        [&](const BatchJob& job) { convertOne(options, shared, job.input, job.output, format, true); }, stderr,
        isatty(STDERR_FILENO) != 0);
    std::fprintf(info, "pixmill-convert: %zu converted, %zu failed, %.2f s\n", result.done, result.failed,
                 result.seconds);
    return result.failed == 0 ? 0 : 1;
}

int run(const std::vector<std::string>& arguments) {
    const Options options = parseOptions(arguments);
    if (options.help) {
        std::fputs((usageText() + methodHelp()).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(versionText().c_str(), stdout);
        return 0;
    }
    // Unknown codes are a usage error; the library says which it provides.
    if (!methodAvailable(options.method))
        throw UsageError("method " + std::to_string(options.method) + " is not available in this build; available: " +
                         availableMethodList());
    if (options.output == "-") info = stderr;
    setPngCompact(options.compact);
    const bool batch = options.inputs.size() > 1 || (options.inputs.size() == 1 && isFolder(options.inputs[0]));
    // Checked first so that a bad output name fails before any work.  An
    // output format the tool cannot write is a usage error, as it is when
    // --format names it.
    ImageFormat format = ImageFormat::Png;
    if (!batch) {
        try {
            format = outputFormat(options, options.output);
        } catch (const ImageError& error) {
            throw UsageError(error.what());
        }
        if (format == ImageFormat::Pgm && !options.grey)
            throw UsageError("a .pgm output holds a grey image: add --grey or use .png, .ppm or .pnm");
        if (format == ImageFormat::Ppm && options.grey)
            throw UsageError("a .ppm output holds a colour image: use .pgm, .pnm or .png with --grey");
    }
    const SharedCalibration shared = prepareCalibration(options);
    if (batch) return runBatchOf(options, shared);
    convertOne(options, shared, options.input, options.output, format, false);
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

// The option table and its parser.
#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace pmtool {

namespace {

// Reads a whole argument as a decimal integer in [low, high].
std::int32_t integerValue(const std::string& option, const std::string& text, long long low, long long high) {
    errno = 0;
    char* end = nullptr;
    const long long value = text.empty() ? 0 : std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE)
        throw UsageError(option + " needs a whole number, not '" + text + "'");
    if (value < low || value > high)
        throw UsageError(option + " must be " + std::to_string(low) + " to " + std::to_string(high) + ", not " +
                         text);
    return static_cast<std::int32_t>(value);
}

std::string trimmed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Reads a whole argument as a positive finite decimal number.
double positiveValue(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double value = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value <= 0.0)
        throw UsageError(option + " needs a positive number, not '" + text + "'");
    return value;
}

// Reads the sharpening amount, a number in (0, 5].
float sharpenValue(const std::string& text) {
    const double value = positiveValue("--sharpen", text);
    if (value > 5.0) throw UsageError("--sharpen must be above 0 and at most 5, not " + text);
    return static_cast<float>(value);
}

// Reads a number in [low, high]; the message names the range.
double rangedValue(const std::string& option, const std::string& text, double low, double high) {
    char* end = nullptr;
    const double value = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || std::isnan(value))
        throw UsageError(option + " needs a number, not '" + text + "'");
    if (value < low || value > high)
        throw UsageError(option + " must be " + trimmed(low) + " to " + trimmed(high) + ", not " + text);
    return value;
}

Options::Rotation rotationValue(const std::string& text) {
    if (text == "cw") return Options::Rotation::Clockwise;
    if (text == "ccw") return Options::Rotation::CounterClockwise;
    throw UsageError("--rotate takes cw or ccw, not '" + text + "'");
}

std::string fileValue(const std::string& option, const std::string& text) {
    if (text.empty()) throw UsageError(option + " needs a file name");
    return text;
}

struct OptionRow {
    const char* longName;
    const char* shortName;  // nullptr: none
    const char* valueName;  // nullptr: a switch without value
    const char* help;
    void (*apply)(Options& options, const std::string& value);
};

constexpr long long kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr long long kInt32Max = std::numeric_limits<std::int32_t>::max();

const OptionRow kOptions[] = {
    {"--method", nullptr, "N", "demosaicing method code (default 2, bilinear)",
     [](Options& o, const std::string& v) {
         o.method = integerValue("--method", v, kInt32Min, kInt32Max);
         o.methodGiven = true;
     }},
    {"--layout", nullptr, "N", "Bayer layout 1 GBRG, 2 GRBG, 3 BGGR, 4 RGGB (default 1)",
     [](Options& o, const std::string& v) { o.layout = integerValue("--layout", v, 1, 4); }},
    {"--flip", nullptr, nullptr, "write the image bottom-up (method 9, whose output is turned: mirrored left-right)",
     [](Options& o, const std::string&) { o.flip = true; }},
    {"--output", "-o", "FILE", "output image .png, .ppm, .pgm (grey), .pnm, .tif; a folder for batches; - stdout",
     [](Options& o, const std::string& v) { o.output = fileValue("--output", v); }},
    {"--gamma", nullptr, "G", "map all three colours through a gamma curve of exponent G, 0.1 to 10 (1: none)",
     [](Options& o, const std::string& v) { o.gamma = rangedValue("--gamma", v, 0.1, 10.0); }},
    {"--white-balance", nullptr, nullptr, "measure the colour cast and correct it (grey-target frames)",
     [](Options& o, const std::string&) { o.whiteBalance = true; }},
    {"--dark-frame", nullptr, "FILE", "subtract the fixed pattern noise of dark frames (repeat for more)",
     [](Options& o, const std::string& v) { o.darkFrames.push_back(fileValue("--dark-frame", v)); }},
    {"--flat-frame", nullptr, "FILE", "erase the defective pixels found on an evenly lit frame",
     [](Options& o, const std::string& v) { o.flatFrame = fileValue("--flat-frame", v); }},
    {"--defect-threshold", nullptr, "N", "distance from its colour's mean on the flat frame that marks a defect,\n"
     "                        1 to 255 (default 10); more than 2 % of samples marked is refused",
     [](Options& o, const std::string& v) { o.defectThreshold = integerValue("--defect-threshold", v, 1, 255); }},
    {"--color-correct", nullptr, nullptr, "correct the colours of the converted image (also brightens it)",
     [](Options& o, const std::string&) { o.colorCorrect = true; }},
    {"--brightness", nullptr, "N", "brightness curve, -150 to 150",
     [](Options& o, const std::string& v) { o.brightness = integerValue("--brightness", v, -150, 150); }},
    {"--contrast", nullptr, "N", "contrast curve, -50 to 100",
     [](Options& o, const std::string& v) { o.contrast = integerValue("--contrast", v, -50, 100); }},
    {"--sharpen", nullptr, "A", "sharpen by an amount above 0, at most 5",
     [](Options& o, const std::string& v) { o.sharpen = sharpenValue(v); }},
    {"--rotate", nullptr, "cw|ccw", "turn the image a quarter clockwise or counter-clockwise",
     [](Options& o, const std::string& v) { o.rotate = rotationValue(v); }},
    {"--grey", nullptr, nullptr, "write a grey (luminance) image instead of colour",
     [](Options& o, const std::string&) { o.grey = true; }},
    {"--depth", nullptr, "BITS", "output bits per value, 8 or 16 (default: those of the input)",
     [](Options& o, const std::string& v) {
         o.depth = integerValue("--depth", v, 8, 16);
         if (o.depth != 8 && o.depth != 16) throw UsageError("--depth must be 8 or 16, not " + v);
     }},
    {"--packing", nullptr, "BITS", "the input is a packed raw file of 10- or 12-bit samples",
     [](Options& o, const std::string& v) {
         o.packing = integerValue("--packing", v, 10, 12);
         if (o.packing == 11) throw UsageError("--packing must be 10 or 12, not " + v);
     }},
    {"--width", nullptr, "N", "width in pixels of a packed raw file",
     [](Options& o, const std::string& v) { o.width = integerValue("--width", v, 1, kInt32Max); }},
    {"--height", nullptr, "N", "height in pixels of a packed raw file",
     [](Options& o, const std::string& v) { o.height = integerValue("--height", v, 1, kInt32Max); }},
    {"--save-calibration", nullptr, "FILE", "store what the calibration options measured (see README)",
     [](Options& o, const std::string& v) { o.saveCalibration = fileValue("--save-calibration", v); }},
    {"--calibration", nullptr, "FILE", "apply a stored calibration instead of measuring one",
     [](Options& o, const std::string& v) { o.calibration = fileValue("--calibration", v); }},
    {"--format", nullptr, "EXT", "output format of a batch: png (default), ppm, pnm, pgm, tif",
     [](Options& o, const std::string& v) {
         if (v != "png" && v != "ppm" && v != "pnm" && v != "pgm" && v != "tif" && v != "tiff")
             throw UsageError("--format takes png, ppm, pnm, pgm or tif, not '" + v + "'");
         o.format = v;
     }},
    {"--jobs", "-j", "N", "worker threads of a batch, 1 to 256 (default: one per core)",
     [](Options& o, const std::string& v) { o.jobs = integerValue("--jobs", v, 1, 256); }},
    {"--compact", nullptr, nullptr, "write smaller PNG files (slower; default favours speed)",
     [](Options& o, const std::string&) { o.compact = true; }},
    {"--version", nullptr, nullptr, "show the versions of the tool and of the library it runs on",
     [](Options& o, const std::string&) { o.version = true; }},
    {"--help", "-h", nullptr, "show this help", [](Options& o, const std::string&) { o.help = true; }},
};

const OptionRow* findOption(const std::string& name) {
    for (const OptionRow& row : kOptions)
        if (name == row.longName || (row.shortName && name == row.shortName)) return &row;
    return nullptr;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    bool optionsEnded = false;
    bool haveInput = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            if (argument.empty()) throw UsageError("the input file name is empty");
            options.inputs.push_back(argument);
            haveInput = true;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
        const std::string name = argument.substr(0, equals);
        const OptionRow* row = findOption(name);
        if (!row) throw UsageError("unknown option '" + name + "'");
        std::string value;
        if (!row->valueName) {
            if (equals != std::string::npos) throw UsageError(name + " takes no value");
        } else if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else {
            if (i + 1 >= arguments.size()) throw UsageError(name + " needs a value (" + row->valueName + ")");
            value = arguments[++i];
        }
        row->apply(options, value);
    }
    if (options.inputs.size() == 1) options.input = options.inputs.front();
    if (options.inputs.size() > 1 && options.packing != 0) throw UsageError("--packing takes one input file");
    if (!options.calibration.empty() &&
        (options.gamma != 0.0 || options.whiteBalance || !options.darkFrames.empty() || !options.flatFrame.empty()))
        throw UsageError("--calibration replaces --gamma, --white-balance, --dark-frame and --flat-frame");
    if (!options.saveCalibration.empty() && !options.calibration.empty())
        throw UsageError("--save-calibration stores a measured calibration; it cannot go with --calibration");
    const bool sized = options.width != 0 || options.height != 0;
    if (options.packing != 0 && (options.width == 0 || options.height == 0))
        throw UsageError("--packing needs --width and --height");
    if (options.packing != 0 && !haveInput) throw UsageError("--packing needs an input file");
    if (sized && options.packing == 0) throw UsageError("--width and --height are for packed raw files (--packing)");
    return options;
}

std::string usageText() {
    std::string text =
        "usage: pixmill-convert [options] [INPUT]\n"
        "       pixmill-convert [options] -o FOLDER INPUT... (or a folder of inputs)\n"
        "Demosaics a Bayer frame (8- or 16-bit grey PNG, TIFF or binary PGM, or with --packing a\n"
        "packed 10/12-bit raw file) into a colour or grey image.\n"
        "Without INPUT, converts a built-in colour test scene.\n"
        "options:\n";
    for (const OptionRow& row : kOptions) {
        std::string names = "  ";
        if (row.shortName) names += std::string(row.shortName) + ", ";
        names += row.longName;
        if (row.valueName) names += std::string(" ") + row.valueName;
        if (names.size() < 24) names.resize(24, ' ');
        else names += ' ';
        text += names + row.help + "\n";
    }
    text +=
        "Adjustments apply to the converted image in this order: colour correction,\n"
        "brightness, contrast, sharpening, rotation.\n"
        "Exit status: 0 success; 1 a file or conversion failed, or a batch found no input;\n"
        "2 a bad command line (an unknown option or method code, or an output format the tool\n"
        "cannot write, whether named by --format or by the -o file name).\n";
    return text;
}

}  // namespace pmtool

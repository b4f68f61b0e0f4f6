// Command line of pixmill-convert.
//
// Options are rows of one table (options.cpp): adding an option means adding
// a field to Options and a row with its name, help text and setter; the
// parser and the help text follow from the table.
#ifndef PIXMILL_TOOLS_OPTIONS_H
#define PIXMILL_TOOLS_OPTIONS_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pmtool {

struct Options {
    std::string input;  // empty: convert the built-in test scene; "-": standard input
    std::string output = "pixmill-default.png";
    std::int32_t method = 2;  // bilinear interpolation
    std::int32_t layout = 1;  // green, blue / red, green
    bool flip = false;
    bool help = false;
    // Calibration, all off by default.
    double gamma = 0.0;  // 0: no gamma curve
    bool whiteBalance = false;
    std::vector<std::string> darkFrames;  // pattern noise measured on these
    std::string flatFrame;                // defective samples found on this
    std::int32_t defectThreshold = 10;
    // Adjustments of the converted image, all off by default; they run in
    // the order adjustments.h gives.
    bool colorCorrect = false;
    std::optional<std::int32_t> brightness;  // -150 to 150
    std::optional<std::int32_t> contrast;    // -50 to 100
    float sharpen = 0.0f;                    // 0: none, else (0, 5]
    enum class Rotation { None, Clockwise, CounterClockwise } rotate = Rotation::None;
    // Record conversions (16-bit frames, grey output), through PmConvert.
    bool methodGiven = false;  // --method was on the command line
    bool grey = false;
    std::int32_t depth = 0;    // output bits, 8 or 16; 0: the frame's own
    std::int32_t packing = 0;  // 10 or 12: the input is a packed raw file
    std::int32_t width = 0;    // sizes of a packed raw file
    std::int32_t height = 0;
    // Discovery, batches and saved calibration.
    bool version = false;
    std::vector<std::string> inputs;  // every input named; input is set when there is one
    std::string format;               // output format of a batch (png, ppm, pnm, pgm, tif); empty: png
    std::int32_t jobs = 0;            // worker threads of a batch; 0: one per core
    bool compact = false;             // smaller PNG files, slower to write
    std::string saveCalibration;      // store what the calibration options measured
    std::string calibration;          // apply a stored calibration instead of measuring
};

// A command line that cannot be parsed; the message is one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name.  Values are given as the next
// argument or after '=' ("--method 2", "--method=2"); "--" ends the options.
// The method code is checked against the library later (methods.h).  Values
// outside an option's range are refused with the range in the message; gamma
// takes 0.1 to 10, where 1 is no curve.  --packing needs --width and --height and an input
// file, and they need it.  Throws UsageError.
Options parseOptions(const std::vector<std::string>& arguments);

// The --help text, one option per line.
std::string usageText();

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_OPTIONS_H

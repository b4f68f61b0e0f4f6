// The calibration steps pixmill-convert can run around a conversion, in the
// order a camera pipeline runs them: fixed-pattern noise and defective pixels
// come out of the raw frame, then gamma and white-balance gains go into the
// three look-up tables.  Each step calls the library's own exports.
#ifndef PIXMILL_TOOLS_CALIBRATION_H
#define PIXMILL_TOOLS_CALIBRATION_H

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "image_io.h"

namespace pmtool {

// The three tables handed to the conversion; an empty table means the
// library's identity table.
struct Tables {
    std::vector<std::uint8_t> red, green, blue;
};

class CalibrationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Measures the pattern noise of the dark frames (each the size of `frame`),
// averages it and subtracts it from `frame`.  Throws CalibrationError for a
// frame of another size.
void removePatternNoise(GreyFrame& frame, const std::vector<GreyFrame>& darkFrames);

// Finds the defective samples of `flatFrame` (same size as `frame`), straying
// from its mean by at least `threshold`, and erases them from `frame`.
void eraseDefects(GreyFrame& frame, const GreyFrame& flatFrame, std::int32_t threshold);

// All three tables set to the gamma curve of exponent `gamma`.
Tables gammaTables(double gamma);

// The white-balance gains (red, green, blue) measured on a converted image.
struct Gains {
    double red = 1.0, green = 1.0, blue = 1.0;
};
Gains measureGains(const BgrImage& image);

// Folds the gains into the tables: each gain scales the raw sample before its
// table (missing: identity) maps it, so the gain acts on linear values ahead
// of any gamma curve.  Scaled indexes round to nearest and saturate at 255.
// A gain of 0 (a channel the measurement found empty) is left out.
Tables foldGains(const Tables& base, const Gains& gains);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_CALIBRATION_H

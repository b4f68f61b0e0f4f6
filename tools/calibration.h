// The calibration steps pixmill-convert can run around a conversion, in the
// order a camera pipeline runs them: fixed-pattern noise and defective pixels
// come out of the raw frame, then gamma and white-balance gains go into the
// three look-up tables.  Each step calls the library's own exports.
//
// The library's pattern-noise classes and its defect repair count parities
// from the top-left sample and assume green where row and column parity
// agree (layouts 1 and 2).  For layouts 3 and 4 the steps here hand the
// library frames shifted one column, so that its parities line up with the
// colours of the mosaic.
#ifndef PIXMILL_TOOLS_CALIBRATION_H
#define PIXMILL_TOOLS_CALIBRATION_H

#include <cstdint>
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

// The largest share of a frame's samples a defect map may mark, in parts per
// thousand (20: 2 %).  A flat frame that marks more is not evenly lit or the
// threshold is too low; repairing that many samples would damage the image.
constexpr std::int64_t kMaxDefectsPerMille = 20;

// The averaged pattern noise of the dark frames (each width x height), one
// entry per sample of the frame, measured per colour of Bayer layout
// `layout`.  For layouts 3 and 4 each dark frame is handed to the library
// turned one column cyclically (an even width keeps every column's parity
// shifted alike), so red and blue fall into classes of their own.  Throws
// CalibrationError when the frames differ in size.  Empty: no dark frames.
std::vector<std::int32_t> measurePatternNoise(const std::vector<GreyFrame>& darkFrames, std::int32_t layout);

// Subtracts a measured pattern (width x height entries of `frame`) from it.
void applyPatternNoise(GreyFrame& frame, const std::vector<std::int32_t>& pattern);

// The defect map of `flatFrame` (1 marks a defect): each of the four parity
// planes (one colour of the mosaic each) is copied out and handed to the
// library's detection on its own, so a flat frame whose colours differ in
// level marks nothing; the four maps are merged.  `count` receives the number
// of marked samples.  Throws CalibrationError when more than
// kMaxDefectsPerMille of the samples are marked, or the frame's sides are odd.
std::vector<std::uint8_t> detectDefects(const GreyFrame& flatFrame, std::int32_t threshold, std::size_t& count);

// Repairs the samples `map` marks from neighbours of their own colour.  For
// layouts 3 and 4 the library gets the region one column in (its own packed
// copy), where green sits at agreeing parities; samples in the outer columns
// and rows the library keeps are left as they are.
void eraseDefects(GreyFrame& frame, const std::vector<std::uint8_t>& map, std::int32_t layout);

// The two steps above on a frame, as one call for conversions that measure
// and apply at once.  Throw CalibrationError for frames of another size.
void removePatternNoise(GreyFrame& frame, const std::vector<GreyFrame>& darkFrames, std::int32_t layout);
std::size_t eraseDefects(GreyFrame& frame, const GreyFrame& flatFrame, std::int32_t threshold,
                         std::int32_t layout);

// All three tables set to the gamma curve of exponent `gamma`; gamma 1 (no
// change) gives empty tables, the identity.
Tables gammaTables(double gamma);

// The white-balance gains (red, green, blue) measured on a converted image.
// Throws CalibrationError when the image is too small to measure or a gain
// comes out 0 (a channel without light): no gains are better than wrong ones.
struct Gains {
    double red = 1.0, green = 1.0, blue = 1.0;
};
Gains measureGains(const BgrImage& image);

// Folds the gains into the tables: each gain scales the raw sample before its
// table (missing: identity) maps it, so the gain acts on linear values ahead
// of any gamma curve.  Scaled indexes round to nearest and saturate at 255.
// A gain of 0 is left out.
Tables foldGains(const Tables& base, const Gains& gains);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_CALIBRATION_H

// The record-entry conversions of pixmill-convert: 16-bit frames (from files
// or packed 10/12-bit raws), grey output and 16-bit output, all converted by
// the library's PmConvert.
#ifndef PIXMILL_TOOLS_RECORD_CONVERSION_H
#define PIXMILL_TOOLS_RECORD_CONVERSION_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "image_io.h"
#include "options.h"

namespace pmtool {

class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Unpacks a packed frame of width x height samples of `bits` (10 or 12)
// through the library and brings the values to the full 16-bit range by
// repeating their top bits below them (so 0 stays 0 and the largest value
// becomes 65535).  Throws RecordError when `packed` is shorter than such a
// frame or the frame exceeds the size caps; longer data is ignored.
WideFrame unpackFrame(const std::vector<std::uint8_t>& packed, std::int32_t width, std::int32_t height,
                      std::int32_t bits);
WideFrame readPackedFrame(const std::string& path, std::int32_t width, std::int32_t height, std::int32_t bits);

// 8-bit samples widened to 16 bits, v x 257 (full scale to full scale).
WideFrame widenFrame(const GreyFrame& frame);

// A 16-bit table of the power curve of exponent `gamma`: entry i =
// 65535 x (i / 65535)^gamma, rounded to nearest.
std::vector<std::uint16_t> wideGammaTable(double gamma);

// True when the options or the frame need the record entry: a 16-bit frame,
// grey output, an output depth, or a PGM output file.
bool needsRecordEntry(const Options& options, const FrameFile& frame, ImageFormat format);

// Converts the frame as the options ask: method 7 only (a different
// --method is refused), --dark-frame and --flat-frame on 8-bit frames only;
// gamma and white balance go into the tables of the frame's sample width
// (white-balance gains measured by PmConvert on a first colour conversion).
// Output of the frame's sample width unless --depth says otherwise (8-bit
// frames are widened before conversion, 16-bit output is narrowed after,
// rounding to nearest).  Prints the gains when it measures them.
DeepImage convertThroughRecord(const Options& options, FrameFile frame);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_RECORD_CONVERSION_H

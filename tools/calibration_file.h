// What a calibration run measured, and the file it is saved in.
//
// File format, version 1 (all numbers little-endian):
//   8 bytes   "PMCALIB\n"
//   u32       format version, 1
//   i32 x 3   frame width, frame height, Bayer layout code (1 to 4)
//   f64       gamma exponent, 0 for none
//   u32       contents: 1 gains, 2 defect map, 4 pattern noise (others 0)
//   f64 x 3   red, green, blue gains            (when contents has 1)
//   u8  x N   defect map, 1 marks a defect      (when contents has 2)
//   i32 x N   pattern noise to subtract         (when contents has 4)
//   u32       FNV-1a (32-bit) of every byte before it
// N is width x height, samples row by row.  Nothing may follow the checksum.
#ifndef PIXMILL_TOOLS_CALIBRATION_FILE_H
#define PIXMILL_TOOLS_CALIBRATION_FILE_H

#include <cstdint>
#include <string>
#include <vector>

#include "calibration.h"

namespace pmtool {

constexpr std::uint32_t kCalibrationVersion = 1;

struct Calibration {
    std::int32_t width = 0, height = 0, layout = 0;
    double gamma = 0.0;  // 0: no curve
    bool haveGains = false;
    Gains gains;
    std::vector<std::uint8_t> defects;  // empty: no defect map
    std::vector<std::int32_t> pattern;  // empty: no pattern noise
};

std::vector<std::uint8_t> encodeCalibration(const Calibration& calibration);

// Throws CalibrationError, naming what is wrong, for a file that is not a
// calibration, of another version, truncated, longer than its contents, or
// whose checksum or values do not hold.
Calibration decodeCalibration(const std::vector<std::uint8_t>& bytes);

// Reads `path` and decodes it; messages start with the path.
Calibration readCalibration(const std::string& path);

// Throws CalibrationError unless the calibration was measured for frames of
// this size and layout.
void requireMatchingCalibration(const Calibration& calibration, std::int32_t width, std::int32_t height,
                                std::int32_t layout);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_CALIBRATION_FILE_H

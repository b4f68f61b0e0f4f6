// The quarter-turn routine behind both forms of PmRotate90CW8B and
// PmRotate90CCW8B.
#ifndef PIXMILL_ADJUST_ROTATE_H
#define PIXMILL_ADJUST_ROTATE_H

#include <cstdint>

namespace pm {

// Turns a one-byte-per-sample image of `height` rows of `width` samples (row
// stride `width` rounded up to 4) into `width` rows of `height` samples (row
// stride `height` rounded up to 4).  `angle` in degrees: -90 writes
// dst[r][c] = src[height - 1 - c][r], 90 writes dst[r][c] = src[c][width - 1 - r];
// any other angle, a width or height of 0 or less, and a null pointer write
// nothing.
// Padding bytes at the ends of destination rows are left as they are.
// Returns 0.
int rotateQuarter(int width, int height, const std::uint8_t* source, float angle, std::uint8_t* destination);

}  // namespace pm

#endif

// The sharpening behind PmSharpen24B and PmEmphasize24B.
#ifndef PIXMILL_ADJUST_SHARPEN_H
#define PIXMILL_ADJUST_SHARPEN_H

#include <cstdint>

#include "adjust/vector_paths.h"

namespace pm {

// Sharpens a BGR image with rows padded to 4 bytes by `amount` (no range
// check; the gain is held within +-1000000).  Returns 0, or -13 for an image
// smaller than 3 x 3, -12 for a null pointer, -14 when scratch cannot be
// allocated; nothing is written unless it returns 0.
int emphasize(const std::uint8_t* source, int width, int height, float amount, std::uint8_t* destination,
              adjust::Path path = adjust::bestPath());

// PmSharpen24B: emphasize for amounts above 0 up to 5, else -13 before
// anything is read.
int sharpen(const std::uint8_t* source, int width, int height, float amount, std::uint8_t* destination);

}  // namespace pm

#endif

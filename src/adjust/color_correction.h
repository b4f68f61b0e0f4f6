// Colour correction of a region of a BGR image: the routine behind
// ROIColorCorrection, as pixmill.h describes it.
#ifndef PIXMILL_ADJUST_COLOR_CORRECTION_H
#define PIXMILL_ADJUST_COLOR_CORRECTION_H

#include <cstdint>

namespace pm {

// Corrects the region in place.  Columns are clipped to the image's width and
// rows to 0 and up; rows below the image are the caller's promise, since no
// image height is passed.
void correctRegionColour(std::uint8_t* image, std::int32_t x0, std::int32_t y0, std::int32_t regionWidth,
                         std::int32_t regionHeight, std::int32_t imageWidth);

}  // namespace pm

#endif

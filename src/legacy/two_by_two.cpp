// Two-by-two interpolation of the 1.1.2.0 build (its code 1): the current
// build's forward window, never smoothed, with its border of 1.
#include "demosaic/forward_window_kernel.h"
#include "legacy/methods.h"

namespace pm {

std::int32_t twoByTwo(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                      const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                      std::uint32_t flip, std::int32_t layout) {
    return forwardWindowMethod<SmoothingNever>(src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout, 1);
}

}  // namespace pm

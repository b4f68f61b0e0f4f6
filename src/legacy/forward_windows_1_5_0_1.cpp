// The 1.5.0.1 build's forms of the two forward-window methods: the current
// build's kernels, never smoothed, without the border step.
#include <cstddef>
#include <cstring>

#include "demosaic/bayer.h"
#include "demosaic/forward_window_kernel.h"
#include "demosaic/mapped_window.h"
#include "legacy/methods.h"

namespace pm {

std::int32_t mappedWindowUnbordered(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                    std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                    const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    mappedWindowImage(src, dst, width, height, lutRed, lutGreen, lutBlue, flipSet(flip), layout, simd::bestPath(), 0);
    // That build's kernel for layout code 1 ends by copying memory row 1 over
    // memory row 0, whichever way the image was written.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (layout == 1) std::memcpy(dst, dst + rowBytes, rowBytes);
    return 1;
}

std::int32_t forwardWindowUnbordered(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                     std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                     const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    return forwardWindowMethod<SmoothingNever>(src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout, 0);
}

}  // namespace pm

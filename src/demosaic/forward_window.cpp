// Forward-window interpolation with green smoothing (method codes 5 and 7):
// each pixel's colours come from its 2 x 2 forward window, means taken on raw
// samples and mapped by the tables.  Whether green sites are smoothed follows
// the process-wide smoothing flag, which code 7 sets before calling.
#include "demosaic/forward_window_kernel.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"
#include "frame/border.h"

namespace pm {

std::int32_t forwardWindowOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                             std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                             const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout,
                             simd::Stores stores) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const bool bottomUp = flipSet(flip);
    const BgrWriter<std::uint8_t> writer{dst, width, height, bottomUp, lutRed, lutGreen, lutBlue};
    // The last row and column have no window; the border replaces them (and
    // the first row and column) by the nearest computed pixels: the ends of
    // each computed row while it is in cache, then the edge rows (the last
    // row, never computed, is wholly replaced by the second step).
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const bool computed =
        forwardWindowImage<SmoothingFromFlag>(layout, src, width, height, writer, path, [&](std::int64_t r) {
            extendRowEnds(imageRow(dst, r, height, rowBytes, bottomUp), width, 1, 3);
        }, stores);
    if (computed)
        extendEdgeRows(dst, width, height, 1, 3);
    else
        extendBorder(dst, width, height, flip, 1, 3);
    return 1;
}

std::int32_t forwardWindow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                           const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                           std::uint32_t flip, std::int32_t layout) {
    return forwardWindowOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

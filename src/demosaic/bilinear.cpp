// Bilinear interpolation (method code 2): each missing colour is the mean of
// the two or four nearest samples of that colour in the 3 x 3 neighbourhood,
// taken on raw samples; the tables map the mean.  At a red site green is the
// mean of the lower and left neighbours only.
#include "demosaic/bilinear_kernel.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"
#include "frame/border.h"

namespace pm {

std::int32_t bilinearOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                        std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                        const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout,
                        simd::Stores stores) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const bool bottomUp = flipSet(flip);
    const BilinearWriter<0> writer{dst, width, height, bottomUp, {lutRed, lutGreen, lutBlue}};
    // The border of 2 in its two steps: the ends of each computed row while
    // it is in cache, then the edge rows (the rows never computed are wholly
    // replaced by the second step, so they need no first one).
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const bool computed = bilinearImage<RedSiteGreen::LowerLeft>(
        layout, src, width, height, writer, path, [&](std::int64_t r) {
            extendRowEnds(imageRow(dst, r, height, rowBytes, bottomUp), width, 2, 3);
        }, stores);
    if (computed)
        extendEdgeRows(dst, width, height, 2, 3);
    else
        extendBorder(dst, width, height, flip, 2, 3);
    return 1;
}

std::int32_t bilinear(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                      const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                      std::uint32_t flip, std::int32_t layout) {
    return bilinearOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

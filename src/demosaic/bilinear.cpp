// Bilinear interpolation (method code 2): each missing colour is the mean of
// the two or four nearest samples of that colour in the 3 x 3 neighbourhood,
// taken on raw samples; the tables map the mean.  At a red site green is the
// mean of the lower and left neighbours only.
#include "demosaic/bilinear_kernel.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"
#include "frame/border.h"

namespace pm {

std::int32_t bilinearOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                      const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                      std::uint32_t flip, std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const BilinearWriter<0> writer{dst, width, height, flipSet(flip), {lutRed, lutGreen, lutBlue}};
    bilinearImage<RedSiteGreen::LowerLeft>(layout, src, width, height, writer, path);
    extendBorder(dst, width, height, flip, 2, 3);
    return 1;
}

std::int32_t bilinear(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                           const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                           std::uint32_t flip, std::int32_t layout) {
    return bilinearOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

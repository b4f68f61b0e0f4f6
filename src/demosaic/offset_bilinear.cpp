// Offset bilinear interpolation (method code 0 of both entries): the bilinear
// rule with green at a red site from all four orthogonal neighbours, each
// pixel stored one row up and one column left of its raw site.
#include <cstring>

#include "demosaic/bilinear_kernel.h"
#include "demosaic/method_paths.h"
#include "demosaic/methods.h"
#include "demosaic/site_walk.h"
#include "frame/border.h"

namespace pm {

std::int32_t offsetBilinearOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                              std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                              const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout,
                              simd::Stores stores) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const bool bottomUp = flipSet(flip);
    const BilinearWriter<1> writer{dst, width, height, bottomUp, {lutRed, lutGreen, lutBlue}};
    if (bilinearImage<RedSiteGreen::FourNeighbours>(
            layout, src, width, height, writer, path, [](std::int64_t) {}, stores)) {
        // The computed pixels fill image rows and columns 0 to size - 3; the
        // border of 2 keeps rows and columns 2 to size - 3, which is nothing
        // at a size of 4, and would spread image row or column 2, never
        // written, over the whole image.  Give that row or column the nearest
        // computed one (row or column 1, raw site 2) instead, so the image is
        // that of the last computed sites, as for a size of 4 under code 2.
        const ImageView image{dst, width, height, bottomUp};
        if (width == 4)
            for (std::int64_t r = 0; r < height - 2; ++r) std::memcpy(image.pixel(r, 2), image.pixel(r, 1), 3);
        if (height == 4) std::memcpy(image.row(2), image.row(1), static_cast<std::size_t>(width) * 3);
    }
    extendBorder(dst, width, height, flip, 2, 3);
    return 1;
}

std::int32_t offsetBilinear(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                            const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                            std::uint32_t flip, std::int32_t layout) {
    return offsetBilinearOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

}  // namespace pm

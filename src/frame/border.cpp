#include "frame/border.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace pm {

namespace {

// The copies of extendRowEnds for pixels of `pixel` bytes.  With the size a
// constant the compiler moves each pixel in a register or two; a library
// call per pixel cost more than converting a small image's row.
template <typename Size>
inline void copyRowEnds(std::uint8_t* row, std::size_t w, std::size_t b, Size pixel) {
    for (std::size_t k = 0; k < b; ++k) std::memcpy(row + k * pixel, row + b * pixel, pixel);
    for (std::size_t k = 0; k < b; ++k) std::memcpy(row + (w - 1 - k) * pixel, row + (w - 1 - b) * pixel, pixel);
}

}  // namespace

void extendRowEnds(std::uint8_t* row, std::int32_t width, std::int32_t border, std::uint32_t bytesPerPixel) {
    if (border <= 0 || width <= border) return;
    const std::size_t b = static_cast<std::size_t>(border);
    const std::size_t w = static_cast<std::size_t>(width);
    if (bytesPerPixel == 3)
        copyRowEnds(row, w, b, std::integral_constant<std::size_t, 3>{});
    else
        copyRowEnds(row, w, b, std::size_t{bytesPerPixel});
}

void extendEdgeRows(std::uint8_t* image, std::int32_t width, std::int32_t height, std::int32_t border,
                    std::uint32_t bytesPerPixel) {
    if (border <= 0 || width <= border || height <= border) return;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerPixel;
    const std::size_t b = static_cast<std::size_t>(border);
    const std::size_t h = static_cast<std::size_t>(height);
    for (std::size_t k = 0; k < b; ++k) std::memcpy(image + k * rowBytes, image + b * rowBytes, rowBytes);
    for (std::size_t k = 0; k < b; ++k)
        std::memcpy(image + (h - 1 - k) * rowBytes, image + (h - 1 - b) * rowBytes, rowBytes);
}

std::int32_t extendBorder(std::uint8_t* image, std::int32_t width, std::int32_t height, std::uint32_t /*flip*/,
                          std::int32_t border, std::uint32_t bytesPerPixel) {
    if (image == nullptr || border < 0) return 0;
    if (border == 0 || width <= border || height <= border) return 1;
    // Columns first, so that the row copies below carry finished corners.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerPixel;
    for (std::int32_t r = 0; r < height; ++r) extendRowEnds(image + static_cast<std::size_t>(r) * rowBytes, width, border, bytesPerPixel);
    extendEdgeRows(image, width, height, border, bytesPerPixel);
    return 1;
}

}  // namespace pm

// The demosaicing methods behind the method codes.  Every method takes
// (source, destination, width, height, red table, green table, blue table,
// flip flag, Bayer layout code) with the tables never null, and returns 1 when
// it produced the image, 0 when it refused its arguments (nothing written).
#ifndef PIXMILL_DEMOSAIC_METHODS_H
#define PIXMILL_DEMOSAIC_METHODS_H

#include <cstdint>

namespace pm {

using Method = std::int32_t (*)(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout);

// Means of two or four neighbours in the 3 x 3 neighbourhood (bilinear.cpp).
std::int32_t bilinear(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                      const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                      std::uint32_t flip, std::int32_t layout);

}  // namespace pm

#endif

// Brightness and contrast of finished 8-bit data: the routines behind
// PmBrightness and PmContrast, as pixmill.h describes them (result PM_OK or a
// PM_ERROR_* code).
#ifndef PIXMILL_ADJUST_BRIGHTNESS_CONTRAST_H
#define PIXMILL_ADJUST_BRIGHTNESS_CONTRAST_H

#include <cstdint>

namespace pm {

std::int32_t brightness(const std::uint8_t* source, std::int32_t count, std::int32_t amount, std::uint8_t* destination);
std::int32_t contrast(const std::uint8_t* source, std::int32_t count, std::int32_t amount, std::uint8_t* destination);

}  // namespace pm

#endif

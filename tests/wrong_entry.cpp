// Compiled by wrong_entry.cmake three times: as it stands (calls that must
// compile), and with WRONG_ENTRY 1 or 2 (a method constant of one entry
// passed to the other, which must not).
#include "pixmill.h"

int32_t convertBoth(uint8_t* image, const uint8_t* frame) {
#if WRONG_ENTRY == 1
    return ConvertBayer2Rgb(image, frame, 8, 8, PM_METHOD_EX_COUNTED_MEDIAN, nullptr, nullptr, nullptr, 0, 1);
#elif WRONG_ENTRY == 2
    return ConvertBayer2RgbEx(image, frame, 8, 8, PM_METHOD_SORTED_MEDIAN, nullptr, nullptr, nullptr, 0, 1);
#else
    const int32_t code = 3;
    PmConvertBayerFunction entry = &ConvertBayer2Rgb;
    return ConvertBayer2Rgb(image, frame, 8, 8, PM_METHOD_SORTED_MEDIAN, nullptr, nullptr, nullptr, 0, 1) +
           ConvertBayer2Rgb(image, frame, 8, 8, PM_METHOD_BILINEAR, nullptr, nullptr, nullptr, 0, 1) +
           ConvertBayer2RgbEx(image, frame, 8, 8, PM_METHOD_EX_COUNTED_MEDIAN, nullptr, nullptr, nullptr, 0, 1) +
           ConvertBayer2RgbEx(image, frame, 8, 8, PM_METHOD_COUNTED_MEDIAN, nullptr, nullptr, nullptr, 0, 1) +
           ConvertBayer2RgbEx(image, frame, 8, 8, PM_METHOD_GRADIENT, nullptr, nullptr, nullptr, 0, 1) +
           entry(image, frame, 8, 8, code, nullptr, nullptr, nullptr, 0, 1);
#endif
}

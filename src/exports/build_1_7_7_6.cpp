// The exports of the current build (1.7.7.6) that are its own: the two
// conversion entries over its method codes, the record entry, unpacking, the
// current calibration variants and the adjustments of finished images.  The
// exports every build shares are in every_build.cpp.
#include "adjust/brightness_contrast.h"
#include "adjust/color_correction.h"
#include "adjust/rotate.h"
#include "adjust/sharpen.h"
#include "calib/dead_pixel.h"
#include "calib/white_balance.h"
#include "demosaic/colour_grey.h"
#include "exports/dispatch.h"
#include "frame/library_state.h"
#include "frame/packed_raw.h"
#include "method_codes_1_7_7_6.h"
#include "pixmill.h"
#include "pixmill_decorated.hpp"

namespace pm {
namespace {

const MethodEntry kRgbMethods[] = {PIXMILL_RGB_METHODS_1_7_7_6(PIXMILL_DISPATCH_ROW)};
const MethodEntry kRgbExMethods[] = {PIXMILL_RGB_EX_METHODS_1_7_7_6(PIXMILL_DISPATCH_ROW)};

// The header's method constants name this build's codes.
#define PIXMILL_HEADER_NAME_ROW(code, routine, name, setsFlag, followsFlag, turns, description) \
    static_assert(PM_METHOD_##name == code, "PM_METHOD_" #name " is not code " #code " of methods.txt");
PIXMILL_RGB_METHODS_1_7_7_6(PIXMILL_HEADER_NAME_ROW)
PIXMILL_RGB_EX_METHODS_1_7_7_6(PIXMILL_HEADER_NAME_ROW)
#undef PIXMILL_HEADER_NAME_ROW

// PmConvert operation 0.  Fills the record's missing tables before anything
// else can stop the call, so the record comes back with all three set even
// when nothing converts.  A 16-bit source gets the 16-bit identity table: the
// 8-bit one has 256 entries and would be read far past its end.
std::int32_t convertRecord(PmConvertRecord& record) {
    if (record.src == nullptr || record.dest == nullptr) return 0;
    const void* identity = sixteenBitSource(record.srcFormat) ? static_cast<const void*>(identityTable16.data())
                                                              : static_cast<const void*>(identityTable.data());
    if (record.lutRed == nullptr) record.lutRed = identity;
    if (record.lutGreen == nullptr) record.lutGreen = identity;
    if (record.lutBlue == nullptr) record.lutBlue = identity;
    if (record.method != PM_METHOD_SMOOTHED_WINDOW) return 0;
    setSmoothing();
    const bool grey = record.destFormat == PM_FORMAT_MONO8 || record.destFormat == PM_FORMAT_MONO16;
    const auto pipeline = grey ? greyConversion : colourConversion;
    return pipeline(record.src, record.dest, record.width, record.height, record.srcFormat, record.lutRed,
                    record.lutGreen, record.lutBlue, static_cast<std::uint8_t>(record.flip & 0xFFu), record.layout);
}

// PmConvert operation 1.
std::int32_t measureRecord(const PmWhiteBalanceRecord& record) {
    if (record.image == nullptr) return 0;
    return measureWhiteBalance(record.image, record.width, record.height, record.format, record.redRatio,
                               record.greenRatio, record.blueRatio);
}

}  // namespace
}  // namespace pm

// ---- Conversion ------------------------------------------------------------

PIXMILL_CONVERSION_EXPORT(ConvertBayer2Rgb, pm::kRgbMethods, pm::NullTables::Identity)

PIXMILL_CONVERSION_EXPORT(ConvertBayer2RgbEx, pm::kRgbExMethods, pm::NullTables::Identity)

extern "C" int32_t PIXMILL_CALL PmConvert(int32_t operation, void* record, int32_t /*reserved*/) {
    // A null record is refused like a record with null images.
    if (record == nullptr) return 0;
    switch (operation) {
        case PM_OPERATION_CONVERT: return pm::convertRecord(*static_cast<PmConvertRecord*>(record));
        case PM_OPERATION_WHITE_BALANCE: return pm::measureRecord(*static_cast<const PmWhiteBalanceRecord*>(record));
        default: return 0;
    }
}

extern "C" void PIXMILL_CALL Raw10PackedToRaw16(const void* packed, uint16_t* unpacked, int32_t width, int32_t height) {
    pm::unpackRaw10(packed, unpacked, width, height);
}

extern "C" void PIXMILL_CALL Raw12PackedToRaw16(const void* packed, uint16_t* unpacked, int32_t width, int32_t height) {
    pm::unpackRaw12(packed, unpacked, width, height);
}

// ---- Calibration: this build's variants -------------------------------------
// The interior white-balance window, detection against the settable
// threshold on both sides of the mean, and the threshold setting itself.

extern "C" int32_t PIXMILL_CALL GetWhiteBalanceRatio(const uint8_t* image, int32_t width, int32_t height,
                                                     double* redRatio, double* greenRatio, double* blueRatio) {
    return pm::measureWhiteBalance(image, width, height, PM_FORMAT_BGR8, redRatio, greenRatio, blueRatio,
                                   pm::kCurrentWhiteBalance);
}

extern "C" void PIXMILL_CALL DetectDeadPixel(const uint8_t* frame, uint8_t* map, int32_t width, int32_t height) {
    pm::detectDeadPixels(frame, map, width, height, pm::currentDeadPixelRule());
}

extern "C" int32_t PIXMILL_CALL SetBadPixelThreshold(int32_t threshold) {
    pm::deadPixelThreshold.store(threshold, std::memory_order_relaxed);
    return threshold;
}

// ---- Adjustments of finished images ----------------------------------------

extern "C" int32_t PIXMILL_CALL PmBrightness(const uint8_t* source, int32_t count, int32_t amount,
                                             uint8_t* destination) {
    return pm::brightness(source, count, amount, destination);
}

extern "C" int32_t PIXMILL_CALL PmContrast(const uint8_t* source, int32_t count, int32_t amount, uint8_t* destination) {
    return pm::contrast(source, count, amount, destination);
}

// Decorated forms: named for images stored bottom row first.
PIXMILL_API int PIXMILL_CDECL PmRotate90CW8B(unsigned char* source, int width, int height, unsigned char* destination) {
    return pm::rotateQuarter(width, height, source, 90.0f, destination);
}
PIXMILL_API int PIXMILL_CDECL PmRotate90CCW8B(unsigned char* source, int width, int height,
                                              unsigned char* destination) {
    return pm::rotateQuarter(width, height, source, -90.0f, destination);
}

// Plain forms: named for images stored top row first, so each turns the
// other way from the decorated form of its name.
extern "C" int32_t PIXMILL_CALL PmRotate90CW8B(const uint8_t* source, int32_t width, int32_t height,
                                               uint8_t* destination) {
    return pm::rotateQuarter(width, height, source, -90.0f, destination);
}
extern "C" int32_t PIXMILL_CALL PmRotate90CCW8B(const uint8_t* source, int32_t width, int32_t height,
                                                uint8_t* destination) {
    return pm::rotateQuarter(width, height, source, 90.0f, destination);
}

PIXMILL_API int PIXMILL_CDECL PmEmphasize24B(unsigned char* source, int width, int height, float amount,
                                             unsigned char* destination) {
    return pm::emphasize(source, width, height, amount, destination);
}

extern "C" int32_t PIXMILL_CALL PmSharpen24B(const uint8_t* source, int32_t width, int32_t height, float amount,
                                             uint8_t* destination) {
    return pm::sharpen(source, width, height, amount, destination);
}

extern "C" void PIXMILL_CALL ROIColorCorrection(uint8_t* image, int32_t x0, int32_t y0, int32_t regionWidth,
                                                int32_t regionHeight, int32_t imageWidth, int32_t /*reserved*/) {
    pm::correctRegionColour(image, x0, y0, regionWidth, regionHeight, imageWidth);
}

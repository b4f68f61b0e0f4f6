// PmConvert, the record entry: operation 0 converts through a conversion
// record, operation 1 measures white balance through a white-balance record.
#include "calib/white_balance.h"
#include "demosaic/colour_grey.h"
#include "frame/library_state.h"
#include "pixmill.h"

namespace pm {
namespace {

// Fills the record's missing tables before anything else can stop the call,
// so the record comes back with all three set even when nothing converts.
// A 16-bit source gets the 16-bit identity table: the 8-bit one has 256
// entries and would be read far past its end.
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

std::int32_t measureRecord(const PmWhiteBalanceRecord& record) {
    if (record.image == nullptr) return 0;
    return measureWhiteBalance(record.image, record.width, record.height, record.format, record.redRatio,
                               record.greenRatio, record.blueRatio);
}

}  // namespace
}  // namespace pm

extern "C" int32_t PIXMILL_CALL PmConvert(int32_t operation, void* record, int32_t /*reserved*/) {
    // A null record is refused like a record with null images.
    if (record == nullptr) return 0;
    switch (operation) {
        case PM_OPERATION_CONVERT: return pm::convertRecord(*static_cast<PmConvertRecord*>(record));
        case PM_OPERATION_WHITE_BALANCE: return pm::measureRecord(*static_cast<const PmWhiteBalanceRecord*>(record));
        default: return 0;
    }
}

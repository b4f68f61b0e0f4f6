// Colour and grey conversion of 8-bit and 16-bit frames: the forward-window
// row kernels with the sample type and the pixel writer as parameters.
#include "demosaic/colour_grey.h"

#include <limits>

#include "demosaic/forward_window_kernel.h"
#include "demosaic/methods.h"
#include "frame/border.h"
#include "frame/library_state.h"
#include "pixmill.h"

namespace pm {
namespace {

enum class SampleWidth { Unknown, Eight, Sixteen };

SampleWidth sampleWidthOf(std::int32_t srcFormat) {
    switch (srcFormat) {
        case PM_FORMAT_MONO8:
        case PM_FORMAT_RAW8: return SampleWidth::Eight;
        case PM_FORMAT_MONO16:
        case PM_FORMAT_RAW16: return SampleWidth::Sixteen;
        default: return SampleWidth::Unknown;
    }
}

// The record numbers the four mosaics 0 to 3; the row kernels are chosen by
// the conversion entries' codes 1 to 4.  Code 0 is their 4 (red first), 1 to
// 3 are the same mosaics.  Larger codes become 0, which runs no kernel.
constexpr std::int32_t entryLayout(std::uint32_t recordLayout) {
    return recordLayout == 0 ? PM_LAYOUT_RGGB : recordLayout <= 3 ? static_cast<std::int32_t>(recordLayout) : 0;
}

// Step 1 of both pipelines.  The sample-count limit keeps every offset the
// kernels form within what the frame's description can address.
bool sizesAccepted(const void* src, const void* dst, std::int32_t width, std::int32_t height) {
    return frameAccepted(src, dst, width, height) &&
           std::int64_t(width) * std::int64_t(height) <= std::numeric_limits<std::int32_t>::max();
}

// One luminance value per pixel from the three table outputs; the weights
// add up to 1024, so the value never exceeds the largest table output, and
// 1024 x 65535 fits 32 bits.
template <typename Value>
struct GreyWriter {
    Value* image;
    std::int32_t width;
    std::int32_t height;
    bool bottomUp;
    const Value* red;
    const Value* green;
    const Value* blue;

    struct Cursor {
        Value* out;
        const Value* red;
        const Value* green;
        const Value* blue;
        void operator()(std::ptrdiff_t column, const ChannelValues& v) const {
            const std::uint32_t b = blue[v.blue], g = green[v.green], r = red[v.red];
            out[column] = static_cast<Value>((601 * g + 306 * r + 117 * b) >> 10);
        }
    };
    Cursor row(std::int64_t r) const {
        return {imageRow(image, r, height, static_cast<std::size_t>(width), bottomUp), red, green, blue};
    }
};

// Interpolates through `writer` and replicates the border of one pixel of
// `pixelBytes`.  The caller has checked the sizes.
template <typename Value, typename Writer>
void convertWith(const Writer& writer, const void* src, void* dst, std::int32_t width, std::int32_t height,
                 std::uint8_t flip, std::uint32_t layout, std::uint32_t pixelBytes) {
    forwardWindowImage<SmoothingAlways>(entryLayout(layout), static_cast<const Value*>(src), width, height, writer);
    extendBorder(static_cast<std::uint8_t*>(dst), width, height, flip, 1, pixelBytes);
}

// The writer `Writer<Value>` over the caller's tables.
template <template <typename> class Writer, typename Value>
Writer<Value> tableWriter(void* dst, std::int32_t width, std::int32_t height, const void* lutRed,
                          const void* lutGreen, const void* lutBlue, std::uint8_t flip) {
    return {static_cast<Value*>(dst),           width, height, flip != 0, static_cast<const Value*>(lutRed),
            static_cast<const Value*>(lutGreen), static_cast<const Value*>(lutBlue)};
}

bool allIdentity16(const void* red, const void* green, const void* blue) {
    const void* identity = identityTable16.data();
    return red == identity && green == identity && blue == identity;
}

}  // namespace

bool sixteenBitSource(std::int32_t srcFormat) { return sampleWidthOf(srcFormat) == SampleWidth::Sixteen; }

std::int32_t colourConversion(const void* src, void* dst, std::int32_t width, std::int32_t height,
                              std::int32_t srcFormat, const void* lutRed, const void* lutGreen,
                              const void* lutBlue, std::uint8_t flip, std::uint32_t layout) {
    if (!sizesAccepted(src, dst, width, height)) return 0;
    switch (sampleWidthOf(srcFormat)) {
        case SampleWidth::Eight:
            // Method code 7 itself, vector prefix included: an 8-bit colour
            // record conversion and ConvertBayer2Rgb code 7 are one routine.
            return forwardWindow(static_cast<const std::uint8_t*>(src), static_cast<std::uint8_t*>(dst), width,
                                 height, static_cast<const std::uint8_t*>(lutRed),
                                 static_cast<const std::uint8_t*>(lutGreen), static_cast<const std::uint8_t*>(lutBlue),
                                 flip, entryLayout(layout));
        case SampleWidth::Sixteen:
            if (allIdentity16(lutRed, lutGreen, lutBlue))
                convertWith<std::uint16_t>(
                    UnmappedBgrWriter<std::uint16_t>{static_cast<std::uint16_t*>(dst), width, height, flip != 0}, src,
                    dst, width, height, flip, layout, 6);
            else
                convertWith<std::uint16_t>(
                    tableWriter<BgrWriter, std::uint16_t>(dst, width, height, lutRed, lutGreen, lutBlue, flip), src,
                    dst, width, height, flip, layout, 6);
            return 1;
        default: return 1;
    }
}

std::int32_t greyConversion(const void* src, void* dst, std::int32_t width, std::int32_t height,
                            std::int32_t srcFormat, const void* lutRed, const void* lutGreen, const void* lutBlue,
                            std::uint8_t flip, std::uint32_t layout) {
    if (!sizesAccepted(src, dst, width, height)) return 0;
    switch (sampleWidthOf(srcFormat)) {
        case SampleWidth::Eight:
            convertWith<std::uint8_t>(
                tableWriter<GreyWriter, std::uint8_t>(dst, width, height, lutRed, lutGreen, lutBlue, flip), src, dst,
                width, height, flip, layout, 1);
            return 1;
        case SampleWidth::Sixteen:
            convertWith<std::uint16_t>(
                tableWriter<GreyWriter, std::uint16_t>(dst, width, height, lutRed, lutGreen, lutBlue, flip), src, dst,
                width, height, flip, layout, 2);
            return 1;
        default: return 1;
    }
}

}  // namespace pm

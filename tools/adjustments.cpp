#include "adjustments.h"

#include <cstring>
#include <string>
#include <vector>

#include "pixmill.h"

namespace pmtool {
namespace {

std::size_t padded(std::size_t bytes) { return (bytes + 3) / 4 * 4; }

void require(std::int32_t status, const char* what) {
    if (status != PM_OK) throw AdjustmentError(std::string(what) + " failed (status " + std::to_string(status) + ")");
}

// Sharpening works on rows padded to a multiple of 4 bytes; the image's rows
// are packed, so they are spread out and gathered again around the call.
void sharpen(BgrImage& image, float amount) {
    const std::size_t row = std::size_t(image.width) * 3, stride = padded(row);
    std::vector<std::uint8_t> rows(stride * std::size_t(image.height));
    for (std::size_t y = 0; y < std::size_t(image.height); ++y)
        std::memcpy(&rows[y * stride], &image.bytes[y * row], row);
    require(PmSharpen24B(rows.data(), image.width, image.height, amount, rows.data()), "sharpening");
    for (std::size_t y = 0; y < std::size_t(image.height); ++y)
        std::memcpy(&image.bytes[y * row], &rows[y * stride], row);
}

// The quarter turns take one byte per pixel: each colour is turned as a plane
// of its own (rows padded to 4 bytes) and the planes are put back together.
// Files show row 0 at the top, the orientation the plain exports are named for.
void rotate(BgrImage& image, bool clockwise) {
    const std::size_t w = std::size_t(image.width), h = std::size_t(image.height);
    const std::size_t inStride = padded(w), outStride = padded(h);
    std::vector<std::uint8_t> plane(inStride * h), turned(outStride * w), out(image.bytes.size());
    for (std::size_t channel = 0; channel < 3; ++channel) {
        for (std::size_t y = 0; y < h; ++y)
            for (std::size_t x = 0; x < w; ++x) plane[y * inStride + x] = image.bytes[(y * w + x) * 3 + channel];
        (clockwise ? PmRotate90CW8B : PmRotate90CCW8B)(plane.data(), image.width, image.height, turned.data());
        for (std::size_t y = 0; y < w; ++y)
            for (std::size_t x = 0; x < h; ++x) out[(y * h + x) * 3 + channel] = turned[y * outStride + x];
    }
    image.bytes.swap(out);
    std::swap(image.width, image.height);
}

}  // namespace

void adjustImage(BgrImage& image, const Options& options) {
    const auto count = static_cast<std::int32_t>(image.bytes.size());
    if (options.colorCorrect)
        ROIColorCorrection(image.bytes.data(), 0, 0, image.width, image.height, image.width, 0);
    if (options.brightness)
        require(PmBrightness(image.bytes.data(), count, *options.brightness, image.bytes.data()), "brightness");
    if (options.contrast)
        require(PmContrast(image.bytes.data(), count, *options.contrast, image.bytes.data()), "contrast");
    if (options.sharpen > 0.0f) sharpen(image, options.sharpen);
    if (options.rotate != Options::Rotation::None) rotate(image, options.rotate == Options::Rotation::Clockwise);
}

}  // namespace pmtool

// Image files of pixmill-convert: 8-bit Bayer frames read from grey PNG or
// binary PGM files, converted BGR images written as PNG or binary PPM.
//
// Every failure is reported by throwing ImageError with a one-line message
// (no trailing newline) that the tool prints as it is; nothing here prints,
// exits or aborts, whatever the file holds.
#ifndef PIXMILL_TOOLS_IMAGE_IO_H
#define PIXMILL_TOOLS_IMAGE_IO_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pmtool {

// Largest accepted side, and largest accepted sample count, of a frame read
// from a file.  The second cap keeps a tiny compressed file that claims a
// huge size from making the tool allocate gigabytes before the data turns out
// to be missing; 2^28 samples is far beyond any sensor.
constexpr std::int64_t kMaxSide = 65536;
constexpr std::int64_t kMaxSamples = std::int64_t(1) << 28;

// A raw frame: width x height samples of one byte, row-major, first row first.
struct GreyFrame {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> samples;
};

// A converted image in the library's byte order: three bytes per pixel, blue,
// green, red, rows packed, first row first.
struct BgrImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bytes;
};

class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ImageFormat { Png, Ppm };

// The output format named by the extension of `path` (".png" or ".ppm", any
// letter case).  Throws ImageError for any other name.
ImageFormat formatForPath(const std::string& path);

// Decodes a frame from the whole contents of a file, recognised by its first
// bytes: PNG (8-bit grey only) or binary PGM "P5" (maxval 1 to 255; samples
// of a smaller maxval are rescaled to 0..255).  Sizes are checked against
// kMaxSide and kMaxSamples.  Messages do not name the file.
GreyFrame decodeFrame(const std::vector<std::uint8_t>& contents);

// Reads and decodes the file `path`; messages start with the path.
GreyFrame readFrame(const std::string& path);

// Encode a BGR image as an 8-bit RGB PNG or a binary PPM (maxval 255), bytes
// reordered to red, green, blue.  Throw ImageError when the image's sizes do
// not match its byte count.
std::vector<std::uint8_t> encodePng(const BgrImage& image);
std::vector<std::uint8_t> encodePpm(const BgrImage& image);

// Encodes `image` in `format` and writes it to `path`.  A file left behind by
// a failed write is removed.
void writeImage(const std::string& path, const BgrImage& image, ImageFormat format);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_IMAGE_IO_H

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

// A raw frame of 16-bit samples, full scale 65535.
struct WideFrame {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint16_t> samples;
};

// What a frame file holds: 8-bit samples (`narrow`) or, when `wide` is set,
// 16-bit samples (`wideFrame`).
struct FrameFile {
    bool wide = false;
    GreyFrame narrow;
    WideFrame wideFrame;
};

// A converted image of the record entry: `channels` 1 (grey) or 3 (blue,
// green, red) values per pixel of `depth` 8 or 16 bits, rows packed, first
// row first.  Values are held as 16-bit words whatever the depth.
struct DeepImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int channels = 3;
    int depth = 8;
    std::vector<std::uint16_t> values;
};

class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Pnm: a netpbm file whose kind follows the image (PPM colour, PGM grey).
enum class ImageFormat { Png, Ppm, Pgm, Pnm, Tiff };

// The output format named by the extension of `path` (".png", ".ppm", ".pgm",
// ".pnm", ".tif" or ".tiff", any letter case).  Throws ImageError for any other name.
ImageFormat formatForPath(const std::string& path);

// Decodes a frame from the whole contents of a file, recognised by its first
// bytes: PNG or TIFF (8-bit grey only) or binary PGM "P5" (maxval 1 to 255; samples
// of a smaller maxval are rescaled to 0..255).  Sizes are checked against
// kMaxSide and kMaxSamples.  Messages do not name the file.
GreyFrame decodeFrame(const std::vector<std::uint8_t>& contents);

// Reads and decodes the file `path`; messages start with the path.
GreyFrame readFrame(const std::string& path);

// As decodeFrame, but also accepts 16-bit frames: a 16-bit grey PNG or TIFF, or a
// PGM with maxval 256 to 65535 (big-endian samples, rescaled to 0..65535
// when maxval is not 65535, rounding to nearest).
FrameFile decodeFrameFile(const std::vector<std::uint8_t>& contents);
FrameFile readFrameFile(const std::string& path);

// The whole contents of the file `path`, at most `limit` bytes (a larger
// file throws ImageError); messages start with the path.  "-" reads standard
// input.
std::vector<std::uint8_t> readFileBytes(const std::string& path, std::size_t limit);

// Encode a BGR image as an 8-bit RGB PNG or a binary PPM (maxval 255), bytes
// reordered to red, green, blue.  Throw ImageError when the image's sizes do
// not match its byte count.
std::vector<std::uint8_t> encodePng(const BgrImage& image);
std::vector<std::uint8_t> encodePpm(const BgrImage& image);

// PNG files written from now on favour size (true) or speed (false, the
// default).  Set once before writing starts; not for use while other threads
// encode.
void setPngCompact(bool compact);

// Writes `bytes` to `path` safely: into a temporary file in the same folder,
// renamed over `path` only once complete, so a failed write (a full disk)
// leaves any existing file as it was and no temporary behind.  A symbolic
// link at `path` keeps pointing at its target, which is replaced.  "-" writes
// to standard output.  Throws ImageError naming the path.
void writeFileSafely(const std::string& path, const std::vector<std::uint8_t>& bytes);

// True when both names exist and are the same file (links followed).
bool sameFile(const std::string& first, const std::string& second);

// Encodes `image` in `format` and writes it to `path` by writeFileSafely.  A BgrImage goes to PNG, PPM or PNM (as PPM);
// a PGM file is refused for it.
void writeImage(const std::string& path, const BgrImage& image, ImageFormat format);

// A deep image as PNG (RGB or grey, 8 or 16 bits) or netpbm: P6 for colour,
// P5 for grey, maxval 255 or 65535.  ImageError when the format cannot hold
// the image (PPM for grey, PGM for colour) or the image is inconsistent.
std::vector<std::uint8_t> encodeDeepPng(const DeepImage& image);
std::vector<std::uint8_t> encodeDeepPnm(const DeepImage& image);
void writeImage(const std::string& path, const DeepImage& image, ImageFormat format);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_IMAGE_IO_H

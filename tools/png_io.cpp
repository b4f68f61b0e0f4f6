// PNG decoding of grey frames and encoding of RGB images through libpng.
//
// libpng reports an error by calling our error handler, which must not
// return: it records the message and long-jumps back to the setjmp point of
// the routine that made the libpng call.  To keep that jump well defined,
// each such routine (readGreyRows, writeRgbRows) holds no automatic object
// that is modified after its setjmp and used after the jump, and owns no
// object with a destructor: everything it fills lives in its caller, and the
// libpng structures are released by a guard in the caller, after the jump
// and on every other way out.
#include "png_io.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace pmtool {

namespace {

// Fast by default: level 1 with the cheap "sub" filter writes a 24-megapixel
// frame some twenty times faster than zlib's default level with adaptive
// filters, for files about a fifth larger; --compact chooses the latter.
bool compactPng = false;

void setCompression(png_structp png) {
    png_set_compression_level(png, compactPng ? 6 : 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, compactPng ? PNG_ALL_FILTERS : PNG_FILTER_SUB);
}

}  // namespace

void setPngCompact(bool compact) { compactPng = compact; }

namespace {

// What libpng's callbacks reach through their user pointers.
struct PngSession {
    char message[256] = "";
    const std::uint8_t* input = nullptr;  // reading: the whole file
    std::size_t inputSize = 0;
    std::size_t inputPosition = 0;
    std::vector<std::uint8_t>* output = nullptr;  // writing: the encoded file
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* session = static_cast<PngSession*>(png_get_error_ptr(png));
    std::snprintf(session->message, sizeof session->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings concern ancillary chunks (a bad text chunk, an odd gamma value);
// the samples are still sound, and the tool has nothing useful to say.
void onPngWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
    if (count > session->inputSize - session->inputPosition) png_error(png, "PNG file is truncated");
    std::memcpy(out, session->input + session->inputPosition, count);
    session->inputPosition += count;
}

void writeToMemory(png_structp png, png_bytep data, png_size_t count) {
    auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
    // No exception may cross libpng's C frames: turn it into a libpng error.
    try {
        session->output->insert(session->output->end(), data, data + count);
    } catch (...) {
        png_error(png, "out of memory while encoding PNG");
    }
}

void flushNothing(png_structp) {}

struct ReadStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadStructs() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct WriteStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteStructs() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

const char* colourTypeName(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_PALETTE: return "a palette image";
    case PNG_COLOR_TYPE_RGB: return "a colour image";
    case PNG_COLOR_TYPE_RGB_ALPHA: return "a colour image with alpha";
    case PNG_COLOR_TYPE_GRAY_ALPHA: return "a grey image with alpha";
    default: return "an unknown colour type";
    }
}

// Reads the file in `session`, a grey image of `wantDepth` bits (8 or 16),
// into `samples` (16-bit samples in native order), setting the sizes.
// Returns false, with the reason in session.message, when libpng or one of
// the checks refused the file.
bool readGreyRows(PngSession& session, const ReadStructs& structs, int wantDepth, std::int32_t& frameWidth,
                  std::int32_t& frameHeight, std::vector<std::uint8_t>& samples, std::vector<png_bytep>& rows) {
    png_structp png = structs.png;
    png_infop info = structs.info;
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_read_fn(png, &session, readFromMemory);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);

    char reason[200];
    if (colourType != PNG_COLOR_TYPE_GRAY) {
        std::snprintf(reason, sizeof reason, "PNG holds %s; an %d-bit grey image is needed",
                      colourTypeName(colourType), wantDepth);
        png_error(png, reason);
    }
    if (depth != wantDepth) {
        std::snprintf(reason, sizeof reason, "PNG holds %d-bit grey samples; %d-bit samples are needed", depth,
                      wantDepth);
        png_error(png, reason);
    }
    // Checked before any sample buffer is allocated.
    if (width > kMaxSide || height > kMaxSide || std::int64_t(width) * std::int64_t(height) > kMaxSamples) {
        std::snprintf(reason, sizeof reason, "PNG size %ux%u is too large (at most %lld per side and %lld samples)",
                      unsigned(width), unsigned(height), static_cast<long long>(kMaxSide),
                      static_cast<long long>(kMaxSamples));
        png_error(png, reason);
    }
    png_set_interlace_handling(png);
    if (depth == 16) png_set_swap(png);  // PNG words are big-endian; ours are native (little-endian)
    png_read_update_info(png, info);

    frameWidth = static_cast<std::int32_t>(width);
    frameHeight = static_cast<std::int32_t>(height);
    const std::size_t rowBytes = std::size_t(width) * std::size_t(depth / 8);
    samples.resize(rowBytes * height);
    rows.resize(height);
    for (png_uint_32 r = 0; r < height; ++r) rows[r] = &samples[std::size_t(r) * rowBytes];
    png_read_image(png, rows.data());
    // Also reads the chunks after the data, so a file cut short after its
    // last data chunk is reported as truncated too.
    png_read_end(png, nullptr);
    return true;
}

// Encodes `image` into session.output; `row` holds one RGB row.  Returns false,
// with the reason in session.message, when libpng failed.
bool writeRgbRows(PngSession& session, const WriteStructs& structs, const BgrImage& image,
                  std::vector<png_byte>& row) {
    png_structp png = structs.png;
    png_infop info = structs.info;
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_write_fn(png, &session, writeToMemory, flushNothing);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    setCompression(png);
    png_write_info(png, info);
    const std::size_t rowBytes = std::size_t(image.width) * 3;
    for (std::int32_t r = 0; r < image.height; ++r) {
        const std::uint8_t* bgr = &image.bytes[std::size_t(r) * rowBytes];
        for (std::size_t i = 0; i < rowBytes; i += 3) {
            row[i] = bgr[i + 2];
            row[i + 1] = bgr[i + 1];
            row[i + 2] = bgr[i];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

// Points the session at the file's bytes and creates the decoder over it.
void startDecoder(const std::vector<std::uint8_t>& contents, PngSession& session, ReadStructs& structs) {
    session.input = contents.data();
    session.inputSize = contents.size();
    structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session, onPngError, onPngWarning);
    if (structs.png) structs.info = png_create_info_struct(structs.png);
    if (!structs.png || !structs.info) throw ImageError("cannot set up the PNG decoder (out of memory)");
}

}  // namespace

bool looksLikePng(const std::vector<std::uint8_t>& contents) {
    return contents.size() >= 8 && png_sig_cmp(contents.data(), 0, 8) == 0;
}

GreyFrame decodePng(const std::vector<std::uint8_t>& contents) {
    PngSession session;
    ReadStructs structs;
    startDecoder(contents, session, structs);

    GreyFrame frame;
    std::vector<png_bytep> rows;
    if (!readGreyRows(session, structs, 8, frame.width, frame.height, frame.samples, rows))
        throw ImageError(session.message);
    return frame;
}

WideFrame decodeWidePng(const std::vector<std::uint8_t>& contents) {
    PngSession session;
    ReadStructs structs;
    startDecoder(contents, session, structs);

    WideFrame frame;
    std::vector<std::uint8_t> bytes;
    std::vector<png_bytep> rows;
    if (!readGreyRows(session, structs, 16, frame.width, frame.height, bytes, rows))
        throw ImageError(session.message);
    frame.samples.resize(bytes.size() / 2);
    std::memcpy(frame.samples.data(), bytes.data(), bytes.size());
    return frame;
}

int pngGreyDepth(const std::vector<std::uint8_t>& contents) {
    // The header chunk comes first: length, "IHDR", width, height, depth,
    // colour type.
    if (!looksLikePng(contents) || contents.size() < 26 || std::memcmp(&contents[12], "IHDR", 4) != 0) return 0;
    return contents[25] == PNG_COLOR_TYPE_GRAY ? contents[24] : 0;
}

namespace {

// A PNG file in memory, its rows written by writeRows(session, structs),
// which returns false after an error of the library.
template <typename WriteRows>
std::vector<std::uint8_t> encodeThrough(WriteRows&& writeRows) {
    std::vector<std::uint8_t> encoded;
    PngSession session;
    session.output = &encoded;
    WriteStructs structs;
    structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session, onPngError, onPngWarning);
    if (structs.png) structs.info = png_create_info_struct(structs.png);
    if (!structs.png || !structs.info) throw ImageError("cannot set up the PNG encoder (out of memory)");
    if (!writeRows(session, structs)) throw ImageError(session.message);
    return encoded;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const BgrImage& image) {
    requireConsistentImage(image);
    std::vector<png_byte> row(std::size_t(image.width) * 3);
    return encodeThrough([&](PngSession& session, const WriteStructs& structs) {
        return writeRgbRows(session, structs, image, row);
    });
}

namespace {

// Encodes `image` into session.output, one row of big-endian (16-bit) or
// plain (8-bit) values in red, green, blue order at a time through `row`.
bool writeDeepRows(PngSession& session, const WriteStructs& structs, const DeepImage& image,
                   std::vector<png_byte>& row) {
    png_structp png = structs.png;
    png_infop info = structs.info;
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_write_fn(png, &session, writeToMemory, flushNothing);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), image.depth,
                 image.channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    setCompression(png);
    png_write_info(png, info);
    const std::size_t rowValues = std::size_t(image.width) * std::size_t(image.channels);
    for (std::int32_t r = 0; r < image.height; ++r) {
        storeFileRow(image, &image.values[std::size_t(r) * rowValues], row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodeDeepPng(const DeepImage& image) {
    requireConsistentImage(image);
    std::vector<png_byte> row(std::size_t(image.width) * std::size_t(image.channels) * std::size_t(image.depth / 8));
    return encodeThrough([&](PngSession& session, const WriteStructs& structs) {
        return writeDeepRows(session, structs, image, row);
    });
}

}  // namespace pmtool

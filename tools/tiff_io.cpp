#include "tiff_io.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "png_io.h"

namespace pmtool {
namespace {

// A file in memory for libtiff's client I/O: reads from `input`, or writes
// into `output` (growing it).
struct MemoryFile {
    const std::vector<std::uint8_t>* input = nullptr;
    std::vector<std::uint8_t>* output = nullptr;
    toff_t position = 0;
    std::string message;  // the last error libtiff reported
};

toff_t fileSize(thandle_t handle) {
    const MemoryFile& file = *static_cast<MemoryFile*>(handle);
    return file.input ? file.input->size() : file.output->size();
}

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size) {
    MemoryFile& file = *static_cast<MemoryFile*>(handle);
    const std::vector<std::uint8_t>& data = file.input ? *file.input : *file.output;
    if (size < 0 || file.position >= data.size()) return 0;
    const std::size_t count = std::min<std::size_t>(std::size_t(size), data.size() - file.position);
    std::memcpy(buffer, data.data() + file.position, count);
    file.position += count;
    return tmsize_t(count);
}

tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t size) {
    MemoryFile& file = *static_cast<MemoryFile*>(handle);
    if (!file.output || size < 0) return -1;
    if (file.output->size() < file.position + std::size_t(size)) file.output->resize(file.position + std::size_t(size));
    std::memcpy(file.output->data() + file.position, buffer, std::size_t(size));
    file.position += std::size_t(size);
    return size;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    MemoryFile& file = *static_cast<MemoryFile*>(handle);
    const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file.position : fileSize(handle);
    file.position = base + offset;
    return file.position;
}

int closeProc(thandle_t) { return 0; }
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

int onError(TIFF*, void* user, const char*, const char* format, va_list arguments) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, arguments);
    if (user) static_cast<MemoryFile*>(user)->message = text;
    return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

std::unique_ptr<TIFF, TiffCloser> openTiff(MemoryFile& file, const char* mode) {
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                         TIFFOpenOptionsFree);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, &file);
    TIFF* tiff = TIFFClientOpenExt("memory", mode, &file, readProc, writeProc, seekProc, closeProc, fileSize,
                                   mapProc, unmapProc, options.get());
    if (!tiff) throw ImageError("TIFF: " + (file.message.empty() ? std::string("cannot open") : file.message));
    return std::unique_ptr<TIFF, TiffCloser>(tiff);
}

template <typename T>
void readPlane(TIFF* tiff, MemoryFile& file, std::vector<T>& samples, std::uint32_t width, std::uint32_t height) {
    // libtiff hands out whole strips or tiles; RGBA-free scanline reading
    // needs strips, so tiled files go through the tile API.
    samples.resize(std::size_t(width) * height);
    if (TIFFIsTiled(tiff)) {
        std::uint32_t tw = 0, th = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &th);
        if (tw == 0 || th == 0 || tw > 65536 || th > 65536) throw ImageError("TIFF: bad tile size");
        std::vector<T> tile(std::size_t(tw) * th);
        for (std::uint32_t y = 0; y < height; y += th)
            for (std::uint32_t x = 0; x < width; x += tw) {
                if (TIFFReadTile(tiff, tile.data(), x, y, 0, 0) < 0)
                    throw ImageError("TIFF: " + (file.message.empty() ? "cannot read a tile" : file.message));
                for (std::uint32_t r = 0; r < th && y + r < height; ++r)
                    for (std::uint32_t c = 0; c < tw && x + c < width; ++c)
                        samples[std::size_t(y + r) * width + x + c] = tile[std::size_t(r) * tw + c];
            }
        return;
    }
    if (TIFFScanlineSize64(tiff) != std::uint64_t(width) * sizeof(T)) throw ImageError("TIFF: unexpected row size");
    for (std::uint32_t r = 0; r < height; ++r)
        if (TIFFReadScanline(tiff, &samples[std::size_t(r) * width], r, 0) < 0)
            throw ImageError("TIFF: " + (file.message.empty() ? "cannot read row " + std::to_string(r) : file.message));
}

}  // namespace

bool looksLikeTiff(const std::vector<std::uint8_t>& c) {
    return c.size() >= 4 && ((c[0] == 'I' && c[1] == 'I' && c[2] == 42 && c[3] == 0) ||
                             (c[0] == 'M' && c[1] == 'M' && c[2] == 0 && c[3] == 42));
}

FrameFile decodeTiff(const std::vector<std::uint8_t>& contents) {
    MemoryFile file;
    file.input = &contents;
    auto tiff = openTiff(file, "rm");
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, channels = 1, format = SAMPLEFORMAT_UINT;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &channels);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &format);
    if (channels != 1 || (bits != 8 && bits != 16) || format != SAMPLEFORMAT_UINT)
        throw ImageError("TIFF of " + std::to_string(channels) + " sample(s) of " + std::to_string(bits) +
                         " bits per pixel: a Bayer frame has one unsigned 8- or 16-bit sample per pixel");
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        std::int64_t(width) * height > kMaxSamples)
        throw ImageError("TIFF size " + std::to_string(width) + "x" + std::to_string(height) +
                         " is empty or too large");
    FrameFile frame;
    if (bits == 8) {
        frame.narrow = {std::int32_t(width), std::int32_t(height), {}};
        readPlane(tiff.get(), file, frame.narrow.samples, width, height);
    } else {
        frame.wide = true;
        frame.wideFrame = {std::int32_t(width), std::int32_t(height), {}};
        readPlane(tiff.get(), file, frame.wideFrame.samples, width, height);
    }
    return frame;
}

std::vector<std::uint8_t> encodeTiff(const DeepImage& image) {
    requireConsistentImage(image);
    std::vector<std::uint8_t> encoded;
    MemoryFile file;
    file.output = &encoded;
    {
        auto tiff = openTiff(file, "w");
        TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width));
        TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, std::uint32_t(image.height));
        TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, std::uint16_t(image.depth));
        TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(image.channels));
        TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, image.channels == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff.get(), 0));
        const std::size_t rowValues = std::size_t(image.width) * std::size_t(image.channels);
        std::vector<std::uint8_t> row(rowValues * std::size_t(image.depth / 8));
        for (std::int32_t r = 0; r < image.height; ++r) {
            storeFileRow(image, &image.values[std::size_t(r) * rowValues], row.data());
            // storeFileRow gives big-endian words; libtiff takes native ones.
            if (image.depth == 16)
                for (std::size_t i = 0; i < row.size(); i += 2) std::swap(row[i], row[i + 1]);
            if (TIFFWriteScanline(tiff.get(), row.data(), std::uint32_t(r), 0) < 0)
                throw ImageError("TIFF: " + (file.message.empty() ? std::string("cannot write") : file.message));
        }
        if (!TIFFWriteDirectory(tiff.get())) throw ImageError("TIFF: " + file.message);
    }
    return encoded;
}

}  // namespace pmtool

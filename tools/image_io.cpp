// File access, format recognition and the netpbm formats of pixmill-convert.
// The PNG codec is in png_io.cpp.
#include "image_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include "png_io.h"
#include "tiff_io.h"

namespace pmtool {

namespace {

std::string lowerCase(std::string text) {
    for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return text;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// ---- Binary PGM ("P5") --------------------------------------------------

// Reads the header fields of a netpbm file: whitespace (blank, tab, CR, LF,
// VT, FF) and comments ('#' to the end of the line) separate the fields.
class PnmHeaderReader {
public:
    explicit PnmHeaderReader(const std::vector<std::uint8_t>& contents) : data_(contents) {}

    std::size_t position() const { return pos_; }

    // Skips whitespace and comments, then reads one unsigned decimal field.
    // Values above `limit` are refused while reading, so no digit string can
    // overflow.
    std::int64_t field(const char* name, std::int64_t limit) {
        skipSeparators();
        if (pos_ >= data_.size()) throw ImageError(std::string("PGM header ends before the ") + name);
        if (!isDigit(data_[pos_])) throw ImageError(std::string("PGM header: ") + name + " is not a number");
        std::int64_t value = 0;
        while (pos_ < data_.size() && isDigit(data_[pos_])) {
            value = value * 10 + (data_[pos_] - '0');
            if (value > limit)
                throw ImageError(std::string("PGM header: ") + name + " exceeds " + std::to_string(limit));
            ++pos_;
        }
        // A field ends at whitespace or a comment; "640x480" is malformed.
        if (pos_ < data_.size() && !isSpace(data_[pos_]) && data_[pos_] != '#')
            throw ImageError(std::string("PGM header: ") + name + " is not a number");
        return value;
    }

    // The single whitespace character that separates maxval from the samples.
    void rasterSeparator() {
        if (pos_ >= data_.size()) throw ImageError("PGM header ends before the sample data");
        if (!isSpace(data_[pos_])) throw ImageError("PGM header: no whitespace after maxval");
        ++pos_;
    }

private:
    static bool isDigit(std::uint8_t ch) { return ch >= '0' && ch <= '9'; }
    static bool isSpace(std::uint8_t ch) {
        return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
    }

    void skipSeparators() {
        while (pos_ < data_.size()) {
            if (isSpace(data_[pos_])) {
                ++pos_;
            } else if (data_[pos_] == '#') {
                while (pos_ < data_.size() && data_[pos_] != '\n' && data_[pos_] != '\r') ++pos_;
            } else {
                break;
            }
        }
    }

    const std::vector<std::uint8_t>& data_;
    std::size_t pos_ = 2;  // after the magic number
};

void checkFrameSize(std::int64_t width, std::int64_t height, const char* format) {
    if (width < 1 || height < 1)
        throw ImageError(std::string(format) + " size " + std::to_string(width) + "x" + std::to_string(height) +
                         " is empty");
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxSamples)
        throw ImageError(std::string(format) + " size " + std::to_string(width) + "x" + std::to_string(height) +
                         " is too large (at most " + std::to_string(kMaxSide) + " per side and " +
                         std::to_string(kMaxSamples) + " samples)");
}

// The header fields of a PGM and where its samples start.
struct PgmHeader {
    std::int64_t width, height, maxval;
    std::size_t position;
};

PgmHeader readPgmHeader(const std::vector<std::uint8_t>& contents) {
    PnmHeaderReader header(contents);
    // Limits one above the caps give the size check below a value to report.
    const std::int64_t width = header.field("width", kMaxSide * 16);
    const std::int64_t height = header.field("height", kMaxSide * 16);
    const std::int64_t maxval = header.field("maxval", 65535);
    header.rasterSeparator();
    checkFrameSize(width, height, "PGM");
    if (maxval < 1) throw ImageError("PGM header: maxval 0 is invalid");
    return {width, height, maxval, header.position()};
}

// Samples above maxval are refused, naming the first.
[[noreturn]] void sampleAboveMaxval(unsigned value, std::size_t index, std::int64_t width, unsigned maxval) {
    throw ImageError("PGM sample " + std::to_string(value) + " at row " + std::to_string(index / std::size_t(width)) +
                     ", column " + std::to_string(index % std::size_t(width)) + " exceeds maxval " +
                     std::to_string(maxval));
}

// A PGM of maxval 256 to 65535: two big-endian bytes per sample.
WideFrame decodeWidePgm(const std::vector<std::uint8_t>& contents, const PgmHeader& header) {
    const std::size_t count = static_cast<std::size_t>(header.width) * static_cast<std::size_t>(header.height);
    const std::size_t available = (contents.size() - header.position) / 2;
    if (available < count)
        throw ImageError("PGM is truncated: " + std::to_string(count) + " samples expected, " +
                         std::to_string(available) + " present");
    WideFrame frame;
    frame.width = static_cast<std::int32_t>(header.width);
    frame.height = static_cast<std::int32_t>(header.height);
    frame.samples.resize(count);
    const auto m = static_cast<std::uint64_t>(header.maxval);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* at = &contents[header.position + 2 * i];
        const unsigned v = unsigned(at[0]) << 8 | at[1];
        if (v > m) sampleAboveMaxval(v, i, header.width, unsigned(m));
        frame.samples[i] = static_cast<std::uint16_t>((std::uint64_t(v) * 65535 + m / 2) / m);
    }
    return frame;
}

GreyFrame decodePgm(const std::vector<std::uint8_t>& contents) {
    const PgmHeader header = readPgmHeader(contents);
    const std::int64_t width = header.width, height = header.height, maxval = header.maxval;
    if (maxval > 255)
        throw ImageError("PGM with 16-bit samples (maxval " + std::to_string(maxval) +
                         ") is not supported; 8-bit samples are needed");

    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t available = contents.size() - header.position;
    if (available < count)
        throw ImageError("PGM is truncated: " + std::to_string(count) + " samples expected, " +
                         std::to_string(available) + " present");

    GreyFrame frame;
    frame.width = static_cast<std::int32_t>(width);
    frame.height = static_cast<std::int32_t>(height);
    frame.samples.assign(contents.begin() + static_cast<std::ptrdiff_t>(header.position),
                         contents.begin() + static_cast<std::ptrdiff_t>(header.position + count));
    // Bytes after the raster (a further image of a multi-image file) are
    // ignored.  Samples are relative to maxval: bring them to 0..255, rounding
    // to nearest.
    if (maxval != 255) {
        const unsigned m = static_cast<unsigned>(maxval);
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned v = frame.samples[i];
            if (v > m) sampleAboveMaxval(v, i, width, m);
            frame.samples[i] = static_cast<std::uint8_t>((v * 255 + m / 2) / m);
        }
    }
    return frame;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void requireConsistentImage(const BgrImage& image) {
    if (image.width < 1 || image.height < 1 ||
        image.bytes.size() != std::size_t(image.width) * std::size_t(image.height) * 3)
        throw ImageError("image of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                         " pixels holds " + std::to_string(image.bytes.size()) + " bytes");
}

void requireConsistentImage(const DeepImage& image) {
    const bool shaped = image.width >= 1 && image.height >= 1 && (image.channels == 1 || image.channels == 3) &&
                        (image.depth == 8 || image.depth == 16);
    if (!shaped || image.values.size() != std::size_t(image.width) * std::size_t(image.height) *
                                              std::size_t(image.channels))
        throw ImageError("image of " + std::to_string(image.width) + "x" + std::to_string(image.height) + "x" +
                         std::to_string(image.channels) + " values of " + std::to_string(image.depth) +
                         " bits holds " + std::to_string(image.values.size()) + " values");
    if (image.depth == 8)
        for (std::uint16_t v : image.values)
            if (v > 255) throw ImageError("8-bit image holds the value " + std::to_string(v));
}

void storeFileRow(const DeepImage& image, const std::uint16_t* values, std::uint8_t* out) {
    const std::size_t n = std::size_t(image.channels);
    for (std::int32_t x = 0; x < image.width; ++x, values += n)
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint16_t v = values[n - 1 - k];  // blue, green, red -> red, green, blue
            if (image.depth == 16) {
                *out++ = static_cast<std::uint8_t>(v >> 8);
                *out++ = static_cast<std::uint8_t>(v & 0xFF);
            } else {
                *out++ = static_cast<std::uint8_t>(v);
            }
        }
}

ImageFormat formatForPath(const std::string& path) {
    const std::string lower = lowerCase(path);
    if (endsWith(lower, ".png")) return ImageFormat::Png;
    if (endsWith(lower, ".ppm")) return ImageFormat::Ppm;
    if (endsWith(lower, ".pgm")) return ImageFormat::Pgm;
    if (endsWith(lower, ".pnm")) return ImageFormat::Pnm;
    if (endsWith(lower, ".tif") || endsWith(lower, ".tiff")) return ImageFormat::Tiff;
    throw ImageError("cannot tell the output format of '" + path +
                     "': use a .png, .ppm, .pgm, .pnm or .tif file name");
}

GreyFrame decodeFrame(const std::vector<std::uint8_t>& contents) {
    if (contents.empty()) throw ImageError("file is empty");
    if (looksLikePng(contents)) return decodePng(contents);
    if (looksLikeTiff(contents)) {
        FrameFile file = decodeTiff(contents);
        if (file.wide) throw ImageError("TIFF with 16-bit samples is not supported here; 8-bit samples are needed");
        return std::move(file.narrow);
    }
    if (contents.size() >= 2 && contents[0] == 'P') {
        if (contents[1] == '5') return decodePgm(contents);
        if (contents[1] == '2') throw ImageError("plain (ASCII) PGM is not supported; use binary PGM (P5)");
        if (contents[1] == '3' || contents[1] == '6')
            throw ImageError("PPM colour images are not Bayer frames; use a grey PGM (P5)");
    }
    throw ImageError("not a PNG, TIFF or binary PGM (P5) file");
}

FrameFile decodeFrameFile(const std::vector<std::uint8_t>& contents) {
    FrameFile file;
    if (looksLikeTiff(contents)) return decodeTiff(contents);
    if (pngGreyDepth(contents) == 16) {
        file.wide = true;
        file.wideFrame = decodeWidePng(contents);
    } else if (contents.size() >= 2 && contents[0] == 'P' && contents[1] == '5' &&
               readPgmHeader(contents).maxval > 255) {
        file.wide = true;
        file.wideFrame = decodeWidePgm(contents, readPgmHeader(contents));
    } else {
        file.narrow = decodeFrame(contents);
    }
    return file;
}

FrameFile readFrameFile(const std::string& path) {
    const std::vector<std::uint8_t> contents = readFileBytes(path, std::size_t(kMaxSamples) * 2 + 4096);
    try {
        return decodeFrameFile(contents);
    } catch (const ImageError& error) {
        throw ImageError("'" + path + "': " + error.what());
    }
}

std::vector<std::uint8_t> readFileBytes(const std::string& path, std::size_t limit) {
    std::vector<std::uint8_t> contents;
    // "-" is standard input, which is not closed afterwards.
    std::unique_ptr<std::FILE, FileCloser> file(path == "-" ? nullptr : std::fopen(path.c_str(), "rb"));
    std::FILE* stream = path == "-" ? stdin : file.get();
    if (!stream) throw ImageError("cannot open '" + path + "': " + std::strerror(errno));
    std::vector<std::uint8_t> chunk(1 << 16);
    std::size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), stream)) > 0) {
        if (contents.size() + got > limit) throw ImageError("'" + path + "' is too large to be a frame");
        contents.insert(contents.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    }
    if (std::ferror(stream)) throw ImageError("cannot read '" + path + "': " + std::strerror(errno));
    return contents;
}

GreyFrame readFrame(const std::string& path) {
    // No valid frame is larger than the sample cap plus a header.
    const std::vector<std::uint8_t> contents = readFileBytes(path, std::size_t(kMaxSamples) * 2);
    try {
        return decodeFrame(contents);
    } catch (const ImageError& error) {
        throw ImageError("'" + path + "': " + error.what());
    }
}

std::vector<std::uint8_t> encodePpm(const BgrImage& image) {
    requireConsistentImage(image);
    const std::string header = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    out.reserve(header.size() + image.bytes.size());
    for (std::size_t i = 0; i < image.bytes.size(); i += 3) {
        out.push_back(image.bytes[i + 2]);
        out.push_back(image.bytes[i + 1]);
        out.push_back(image.bytes[i]);
    }
    return out;
}

std::vector<std::uint8_t> encodeDeepPnm(const DeepImage& image) {
    requireConsistentImage(image);
    const std::string header = std::string(image.channels == 3 ? "P6\n" : "P5\n") + std::to_string(image.width) +
                               " " + std::to_string(image.height) + "\n" +
                               (image.depth == 16 ? "65535\n" : "255\n");
    const std::size_t rowBytes = std::size_t(image.width) * std::size_t(image.channels) * std::size_t(image.depth / 8);
    std::vector<std::uint8_t> out(header.begin(), header.end());
    out.resize(header.size() + rowBytes * std::size_t(image.height));
    const std::size_t rowValues = std::size_t(image.width) * std::size_t(image.channels);
    for (std::int32_t r = 0; r < image.height; ++r)
        storeFileRow(image, &image.values[std::size_t(r) * rowValues], &out[header.size() + std::size_t(r) * rowBytes]);
    return out;
}

namespace {

// The file a write to `path` replaces: the target of a symbolic link.
std::string replacedFile(const std::string& path) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

}  // namespace

void writeFileSafely(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (path == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
            throw ImageError(std::string("cannot write to standard output: ") + std::strerror(errno));
        return;
    }
    const std::string target = replacedFile(path);
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) throw ImageError("cannot create a file beside '" + path + "': " + std::strerror(errno));
    int reason = 0;
    for (std::size_t done = 0; done < bytes.size() && reason == 0;) {
        const ssize_t got = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno != EINTR) reason = errno;
        if (got > 0) done += std::size_t(got);
    }
    // A replaced file keeps its permissions; a new one gets the usual ones
    // (mkstemp makes it private).
    struct stat existing;
    mode_t mode;
    if (stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        // umask can only be read by setting it: done once, so that batch
        // workers writing at the same time cannot race on it.
        static const mode_t mask = [] {
            const mode_t value = umask(0);
            umask(value);
            return value;
        }();
        mode = 0666 & ~mask;
    }
    if (reason == 0 && fchmod(fd, mode) != 0) reason = errno;
    if (reason == 0 && fsync(fd) != 0 && errno != EINVAL) reason = errno;
    if (::close(fd) != 0 && reason == 0) reason = errno;
    if (reason == 0 && std::rename(temporary.c_str(), target.c_str()) != 0) reason = errno;
    if (reason != 0) {
        ::unlink(temporary.c_str());
        throw ImageError("cannot write '" + path + "': " + std::strerror(reason) + " (nothing was changed)");
    }
}

bool sameFile(const std::string& first, const std::string& second) {
    struct stat a, b;
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

void writeImage(const std::string& path, const BgrImage& image, ImageFormat format) {
    if (format == ImageFormat::Pgm)
        throw ImageError("'" + path + "' names a grey PGM file, but the image is in colour");
    if (format == ImageFormat::Tiff) {
        DeepImage deep{image.width, image.height, 3, 8, std::vector<std::uint16_t>(image.bytes.begin(), image.bytes.end())};
        writeFileSafely(path, encodeTiff(deep));
        return;
    }
    writeFileSafely(path, format == ImageFormat::Png ? encodePng(image) : encodePpm(image));
}

void writeImage(const std::string& path, const DeepImage& image, ImageFormat format) {
    if ((format == ImageFormat::Ppm && image.channels != 3) || (format == ImageFormat::Pgm && image.channels != 1))
        throw ImageError("'" + path + "' names a " + (image.channels == 3 ? "grey PGM" : "colour PPM") +
                         " file, but the image is " + (image.channels == 3 ? "in colour" : "grey"));
    writeFileSafely(path, format == ImageFormat::Png    ? encodeDeepPng(image)
                          : format == ImageFormat::Tiff ? encodeTiff(image)
                                                        : encodeDeepPnm(image));
}

}  // namespace pmtool

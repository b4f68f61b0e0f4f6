// Image files of pixmill-convert: PGM headers and samples, grey PNG input
// and RGB PNG / PPM output, against files built here byte by byte or with
// libpng's own simplified interface, and malformed inputs of every kind.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "image_io.h"
#include "test_support.h"

using pmtest::Bytes;
using pmtool::BgrImage;
using pmtool::GreyFrame;
using pmtool::ImageError;
using pmtool::ImageFormat;

namespace {

namespace fs = std::filesystem;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The message of the ImageError that decoding `contents` throws, or
// "<decoded WxH>" when none was thrown.
std::string decodeFailure(const Bytes& contents) {
    try {
        const GreyFrame frame = pmtool::decodeFrame(contents);
        return "<decoded " + std::to_string(frame.width) + "x" + std::to_string(frame.height) + ">";
    } catch (const ImageError& error) {
        return error.what();
    }
}

// A directory of its own for each test, removed afterwards.
class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("pixmill_image_io_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    void writeFile(const std::string& name, const Bytes& contents) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(contents.data()), std::streamsize(contents.size()));
    }
    Bytes readFile(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::path dir_;
};

// ---- Files made with libpng directly and byte by byte ------------------

// A PNG of `format` written by libpng's simplified interface.
Bytes simplePng(int w, int h, std::uint32_t format, const Bytes& pixels) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = format;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, nullptr)) << image.message;
    Bytes out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr)) << image.message;
    out.resize(size);
    return out;
}

void appendToVector(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// An interlaced (Adam7) grey 8-bit PNG through the full libpng interface.
Bytes interlacedGreyPng(int w, int h, const Bytes& samples) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(static_cast<std::size_t>(h));
    for (int r = 0; r < h; ++r) rows[std::size_t(r)] = const_cast<png_bytep>(&samples[std::size_t(r) * w]);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng could not write the interlaced test file";
    } else {
        png_set_write_fn(png, &out, appendToVector, nullptr);
        png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_ADAM7,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, info);
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

void appendBigEndian(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void appendChunk(Bytes& file, const char* type, const Bytes& data) {
    appendBigEndian(file, std::uint32_t(data.size()));
    const Bytes typed = Bytes(type, type + 4) + data;
    file.insert(file.end(), typed.begin(), typed.end());
    appendBigEndian(file, std::uint32_t(crc32(0, typed.data(), uInt(typed.size()))));
}

// A header chunk (grey, 8-bit), a data chunk of a few bytes that are no
// image, and an end chunk: a reader learns the claimed sizes, but there is no
// image data behind them.
Bytes headerOnlyPng(std::uint32_t w, std::uint32_t h) {
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, header;
    appendBigEndian(header, w);
    appendBigEndian(header, h);
    appendChunk(file, "IHDR", header + Bytes{8, 0, 0, 0, 0});
    appendChunk(file, "IDAT", {1, 2, 3, 4});
    appendChunk(file, "IEND", {});
    return file;
}

// Decodes an RGB PNG with libpng's simplified interface.
Bytes decodeRgbWithLibpng(const Bytes& file, int& w, int& h) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
        ADD_FAILURE() << "libpng cannot read the file: " << image.message;
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    Bytes pixels(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
    w = int(image.width);
    h = int(image.height);
    return pixels;
}

BgrImage randomImage(int w, int h, std::mt19937& rng) {
    return {w, h, pmtest::randomBytes(std::size_t(w) * h * 3, rng())};
}

// ---- Reading frames ----------------------------------------------------

TEST(ReadFrame, PgmHeaderSeparatorsAndComments) {
    const Bytes samples = {0, 1, 2, 3, 250, 251, 252, 253, 9, 8, 7, 6, 128, 255, 64, 32};
    for (const char* header : {
             "P5\n4 4\n255\n",
             "P5 4 4 255 ",
             "P5\t4\r\n4\v255\f",
             "P5\n# made by hand\n4 4\n255\n",
             "P5#comment straight after the magic\n4#after width\n4 # after height\n255\n",
             "P5\n# comment ending in CR\r4 4\n#\n255\r",
             "P5\n  \n\n4\n\n\n4\n\n255\n",
         }) {
        // A following image is ignored.
        const Bytes file = bytesOf(header) + samples + bytesOf("P5\n");
        ASSERT_EQ("<decoded 4x4>", decodeFailure(file)) << "header '" << header << "'";
        EXPECT_EQ(samples, pmtool::decodeFrame(file).samples) << "header '" << header << "'";
    }
}

TEST(ReadFrame, PgmSmallerMaxvalIsRescaledToFullRange) {
    // maxval 100: v * 255 / 100 rounded to nearest (2.55 -> 3, 127.5 -> 128,
    // 252.45 -> 252); maxval 15 is an exact factor of 17; maxval 1 is black
    // and white.
    const struct {
        int maxval;
        Bytes in, out;
    } cases[] = {{100, {0, 1, 50, 99, 100, 10, 20, 30}, {0, 3, 128, 252, 255, 26, 51, 77}},
                 {15, {0, 1, 7, 8, 14, 15, 3, 5}, {0, 17, 119, 136, 238, 255, 51, 85}},
                 {1, {0, 1, 1, 0, 0, 0, 1, 1}, {0, 255, 255, 0, 0, 0, 255, 255}}};
    for (const auto& c : cases)
        EXPECT_EQ(c.out, pmtool::decodeFrame(bytesOf("P5 4 2 " + std::to_string(c.maxval) + "\n") + c.in).samples)
            << "maxval " << c.maxval;
}

TEST_F(ImageFiles, RandomFramesReadBackExactly) {
    // PGM with random separators and comments, plain and interlaced PNG.
    std::mt19937 rng(7031);
    for (int trial = 0; trial < 60; ++trial) {
        const int w = 1 + int(rng() % 70), h = 1 + int(rng() % 50);
        const Bytes samples = pmtest::randomBytes(std::size_t(w) * h, rng());
        Bytes file;
        if (trial % 3 == 0) {
            std::string header = "P5";
            for (const std::string& field : {std::to_string(w), std::to_string(h), std::string("255")})
                header += ((rng() & 1) ? "\n# note " + std::to_string(rng() % 1000) + "\n" : std::string(1 + rng() % 3, ' ')) +
                          field;
            file = bytesOf(header + "\n") + samples;
        } else {
            file = trial % 3 == 1 ? simplePng(w, h, PNG_FORMAT_GRAY, samples) : interlacedGreyPng(w, h, samples);
        }
        writeFile("frame", file);
        const GreyFrame frame = pmtool::readFrame(path("frame"));
        ASSERT_EQ(w, frame.width) << "trial " << trial;
        ASSERT_EQ(h, frame.height) << "trial " << trial;
        ASSERT_TRUE(pmtest::sameImage(samples, frame.samples, w, 1, "trial " + std::to_string(trial)));
    }
}

TEST(ReadFrame, MalformedFilesAreRefusedByName) {
    const Bytes pixels(4 * 4 * 8, 100);
    const struct {
        Bytes contents;
        const char* expected;  // part of the message
    } cases[] = {
        {bytesOf(""), "empty"},
        {bytesOf("P5"), "ends before the width"},
        {bytesOf("P5 4"), "ends before the height"},
        {bytesOf("P5 4 4"), "ends before the maxval"},
        {bytesOf("P5 4 4 255"), "ends before the sample data"},
        {bytesOf("P5 4 4 255#x\n"), "no whitespace after maxval"},
        {bytesOf("P5 x 4 255\n"), "width is not a number"},
        {bytesOf("P5 4x4 255\n"), "width is not a number"},
        {bytesOf("P5 4 -4 255\n"), "height is not a number"},
        {bytesOf("P5 4 4 +255\n"), "maxval is not a number"},
        {bytesOf("P5 0 4 255\n"), "empty"},
        {bytesOf("P5 4 0 255\n"), "empty"},
        {bytesOf("P5 99999999999999999999999 4 255\n"), "width exceeds"},
        {bytesOf("P5 65537 4 255\n"), "too large"},
        {bytesOf("P5 4 65537 255\n"), "too large"},
        {bytesOf("P5 65536 65536 255\n"), "too large"},
        {bytesOf("P5 4 4 0\n"), "maxval 0"},
        {bytesOf("P5 4 4 256\n"), "16-bit"},
        {bytesOf("P5 4 4 70000\n"), "maxval exceeds"},
        {bytesOf("P5 4 4 255\n" + std::string(15, 'a')), "truncated: 16 samples expected, 15 present"},
        {bytesOf("P5 4 4 255\n"), "truncated: 16 samples expected, 0 present"},
        {bytesOf("P5 2 2 10\n\x01\x02\x0b\x03"), "sample 11 at row 1, column 0 exceeds maxval 10"},
        {bytesOf("P2 4 4 255\n"), "plain (ASCII) PGM"},
        {bytesOf("P6 4 4 255\n"), "PPM colour images"},
        {bytesOf("P3 4 4 255\n"), "PPM colour images"},
        {bytesOf("GIF89a"), "not a PNG, TIFF or binary PGM"},
        {bytesOf("P"), "not a PNG, TIFF or binary PGM"},
        {simplePng(4, 4, PNG_FORMAT_RGB, pixels), "colour image; an 8-bit grey image is needed"},
        {simplePng(4, 4, PNG_FORMAT_RGBA, pixels), "colour image with alpha"},
        {simplePng(4, 4, PNG_FORMAT_GA, pixels), "grey image with alpha"},
        {simplePng(4, 4, PNG_FORMAT_LINEAR_Y, pixels), "16-bit grey samples"},
        // Claimed sizes beyond the caps are refused before reading.
        {headerOnlyPng(65537, 4), "too large"},
        {headerOnlyPng(4, 65537), "too large"},
        {headerOnlyPng(65536, 65536), "too large"},
        {headerOnlyPng(20000, 20000), "too large"},
        // Within the caps but without image data: refused by the decoder.
        {headerOnlyPng(8, 8), ""},
    };
    for (const auto& c : cases) {
        const std::string message = decodeFailure(c.contents);
        const std::string start(c.contents.begin(), c.contents.begin() + std::min<std::size_t>(12, c.contents.size()));
        EXPECT_NE('<', message[0]) << "'" << start << "...' decoded";
        EXPECT_NE(std::string::npos, message.find(c.expected))
            << "'" << start << "...' gave '" << message << "', expected '" << c.expected << "'";
        EXPECT_EQ(std::string::npos, message.find('\n')) << "message of '" << start << "...' spans lines";
    }
}

TEST(ReadFrame, TruncatedOrCorruptedFilesAreRefusedWithoutCrashing) {
    std::mt19937 rng(31337);
    const Bytes samples = pmtest::randomBytes(24 * 16, rng());
    const Bytes png = simplePng(24, 16, PNG_FORMAT_GRAY, samples);
    ASSERT_EQ(samples, pmtool::decodeFrame(png).samples);
    for (const Bytes& file : {bytesOf("P5\n# camera 3\n6 4\n255\n") + pmtest::randomBytes(24, 99), png})
        for (std::size_t length = 0; length < file.size(); ++length)
            EXPECT_NE('<', decodeFailure(Bytes(file.begin(), file.begin() + std::ptrdiff_t(length)))[0])
                << "prefix of " << length << " of " << file.size() << " bytes decoded";
    // Flipped bytes past the signature: a CRC or zlib check must catch them
    // (or the change hit a byte libpng ignores); either way no crash and no
    // silent wrong size.
    for (int trial = 0; trial < 200; ++trial) {
        Bytes damaged = png;
        damaged[8 + rng() % (damaged.size() - 8)] ^= std::uint8_t(1 + rng() % 255);
        const std::string message = decodeFailure(damaged);
        if (message[0] == '<') {
            EXPECT_EQ("<decoded 24x16>", message) << "trial " << trial;
        }
    }
}

// ---- Writing images ----------------------------------------------------

TEST_F(ImageFiles, PngOutputDecodesToTheImageInRgbOrder) {
    std::mt19937 rng(5150);
    for (int trial = 0; trial < 10; ++trial) {
        const BgrImage image = randomImage(1 + int(rng() % 60), 1 + int(rng() % 40), rng);
        pmtool::writeImage(path("out.png"), image, ImageFormat::Png);
        int w = 0, h = 0;
        Bytes rgb = decodeRgbWithLibpng(readFile("out.png"), w, h);
        ASSERT_EQ(image.width, w);
        ASSERT_EQ(image.height, h);
        for (std::size_t p = 0; p < rgb.size(); p += 3) std::swap(rgb[p], rgb[p + 2]);
        ASSERT_TRUE(pmtest::sameImage(image.bytes, rgb, w, 3, "PNG as BGR, " + std::to_string(w) + "x" + std::to_string(h)));
    }
}

TEST_F(ImageFiles, PpmOutputIsHeaderThenRgbBytes) {
    const BgrImage image{2, 2, {1, 2, 3, 10, 20, 30, 100, 110, 120, 0, 255, 7}};  // blue, green, red
    const Bytes expected = bytesOf("P6\n2 2\n255\n") + Bytes{3, 2, 1, 30, 20, 10, 120, 110, 100, 7, 255, 0};
    EXPECT_EQ(expected, pmtool::encodePpm(image));
    pmtool::writeImage(path("out.ppm"), image, ImageFormat::Ppm);
    EXPECT_EQ(expected, readFile("out.ppm"));
}

TEST(OutputFormat, ChosenByExtension) {
    for (auto [name, format] : {std::pair{"a.png", ImageFormat::Png}, {"dir.ppm/Scene.PNG", ImageFormat::Png},
                                {"out.ppm", ImageFormat::Ppm}, {"out.PpM", ImageFormat::Ppm},
                                {"out.pgm", ImageFormat::Pgm}, {"x.PNM", ImageFormat::Pnm}})
        EXPECT_EQ(format, pmtool::formatForPath(name)) << name;
    for (const char* bad : {"out.jpg", "png", "out.png.txt", "", "out.pbm", ".pn"})
        EXPECT_THROW(pmtool::formatForPath(bad), ImageError) << "'" << bad << "'";
}

TEST_F(ImageFiles, UnreadableFilesAndUnwritablePathsAreErrors) {
    auto readMessage = [](const std::string& p) {
        try {
            pmtool::readFrame(p);
            return std::string("<read>");
        } catch (const ImageError& error) {
            return std::string(error.what());
        }
    };
    EXPECT_NE(std::string::npos, readMessage(path("missing.pgm")).find("cannot open"));
    EXPECT_NE(std::string::npos, readMessage(dir_.string()).find("cannot read"));
    writeFile("empty.png", {});
    const std::string empty = readMessage(path("empty.png"));
    EXPECT_EQ(0u, empty.find("'" + path("empty.png") + "': ")) << empty;
    EXPECT_NE(std::string::npos, empty.find("empty")) << empty;

    std::mt19937 rng(8);
    const BgrImage image = randomImage(4, 4, rng);
    EXPECT_THROW(pmtool::writeImage(path("no/such/dir/out.png"), image, ImageFormat::Png), ImageError);
    EXPECT_THROW(pmtool::writeImage(dir_.string(), image, ImageFormat::Ppm), ImageError);
    BgrImage inconsistent = image;
    inconsistent.bytes.pop_back();
    EXPECT_THROW(pmtool::encodePng(inconsistent), ImageError);
    EXPECT_THROW(pmtool::encodePpm(inconsistent), ImageError);
    inconsistent = image;
    inconsistent.width = 0;
    EXPECT_THROW(pmtool::encodePng(inconsistent), ImageError);
}

// ---- 16-bit frames and deep images -------------------------------------

// The rows of a PNG as stored (16-bit values big-endian), read by libpng's
// full interface without transformations.
Bytes storedPngRows(const Bytes& file, int& depth, int& colourType) {
    struct Reader {
        const Bytes* file;
        std::size_t at;
    } reader{&file, 0};
    Bytes rows;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng could not read the file";
    } else {
        png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t n) {
            auto* r = static_cast<Reader*>(png_get_io_ptr(p));
            if (n > r->file->size() - r->at) png_error(p, "truncated");
            std::memcpy(out, r->file->data() + r->at, n);
            r->at += n;
        });
        png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        depth = png_get_bit_depth(png, info);
        colourType = png_get_color_type(png, info);
        const png_bytepp rowPointers = png_get_rows(png, info);
        for (png_uint_32 r = 0; r < png_get_image_height(png, info); ++r)
            rows.insert(rows.end(), rowPointers[r], rowPointers[r] + png_get_rowbytes(png, info));
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return rows;
}

TEST(WideFrames, SixteenBitPgmAndPngAreRead) {
    struct Case {
        Bytes file;
        std::vector<std::uint16_t> samples;
    };
    // Big-endian samples; maxval other than 65535 rescales to nearest
    // (500 of 1000 -> 32767.5 -> 32768, 999 of 1000 -> 65469.47 -> 65469,
    // 128 of 256 -> 32767.5 -> 32768).
    const Case cases[] = {
        {bytesOf("P5 2 1 65535\n") + Bytes{0x12, 0x34, 0xFF, 0xFF}, {0x1234, 0xFFFF}},
        {bytesOf("P5 3 1\n1000\n") + Bytes{0x01, 0xF4, 0x03, 0xE7, 0, 0}, {32768, 65469, 0}},
        {bytesOf("P5 1 2 256\n") + Bytes{0x01, 0x00, 0x00, 0x80}, {65535, 32768}},
    };
    for (const Case& c : cases) {
        const pmtool::FrameFile frame = pmtool::decodeFrameFile(c.file);
        ASSERT_TRUE(frame.wide);
        EXPECT_EQ(c.samples, frame.wideFrame.samples);
    }
    // libpng's own 16-bit grey file: samples as written.
    std::vector<std::uint16_t> samples(6 * 4);
    std::mt19937 rng(16);
    for (auto& v : samples) v = std::uint16_t(rng());
    Bytes pixels(samples.size() * 2);
    std::memcpy(pixels.data(), samples.data(), pixels.size());
    const pmtool::FrameFile png = pmtool::decodeFrameFile(simplePng(6, 4, PNG_FORMAT_LINEAR_Y, pixels));
    ASSERT_TRUE(png.wide);
    EXPECT_EQ(6, png.wideFrame.width);
    EXPECT_EQ(samples, png.wideFrame.samples);
    // 8-bit files stay 8-bit.
    EXPECT_FALSE(pmtool::decodeFrameFile(bytesOf("P5 1 1 255\n") + Bytes{7}).wide);
    for (const Bytes& bad : {bytesOf("P5 2 1 65535\n") + Bytes{1, 2, 3}, bytesOf("P5 1 1 300\n") + Bytes{1, 0x2D}})
        EXPECT_THROW(pmtool::decodeFrameFile(bad), ImageError);
}

TEST_F(ImageFiles, DeepImagesAsNetpbmAndPng) {
    using pmtool::DeepImage;
    // Blue, green, red words -> red, green, blue big-endian.
    const DeepImage colour16{2, 1, 3, 16, {1, 2, 0x0304, 0xFFFF, 0x1000, 0}};
    const DeepImage grey8{3, 1, 1, 8, {0, 128, 255}};
    const DeepImage grey16{1, 2, 1, 16, {0xABCD, 7}};
    const Bytes colour16Rows{0x03, 0x04, 0, 2, 0, 1, 0, 0, 0x10, 0, 0xFF, 0xFF};
    EXPECT_EQ(bytesOf("P6\n2 1\n65535\n") + colour16Rows, pmtool::encodeDeepPnm(colour16));
    EXPECT_EQ((bytesOf("P5\n3 1\n255\n") + Bytes{0, 128, 255}), pmtool::encodeDeepPnm(grey8));
    EXPECT_EQ((bytesOf("P5\n1 2\n65535\n") + Bytes{0xAB, 0xCD, 0, 7}), pmtool::encodeDeepPnm(grey16));

    struct Case {
        const DeepImage* image;
        Bytes rows;
        int depth, colourType;
    };
    const Case cases[] = {{&colour16, colour16Rows, 16, PNG_COLOR_TYPE_RGB},
                          {&grey8, {0, 128, 255}, 8, PNG_COLOR_TYPE_GRAY},
                          {&grey16, {0xAB, 0xCD, 0, 7}, 16, PNG_COLOR_TYPE_GRAY}};
    for (const Case& c : cases) {
        int depth = 0, colourType = -1;
        EXPECT_EQ(c.rows, storedPngRows(pmtool::encodeDeepPng(*c.image), depth, colourType));
        EXPECT_EQ(c.depth, depth);
        EXPECT_EQ(c.colourType, colourType);
    }
    // A file kind that cannot hold the image, and inconsistent images.
    EXPECT_THROW(pmtool::writeImage(path("g.ppm"), grey8, ImageFormat::Ppm), ImageError);
    EXPECT_THROW(pmtool::writeImage(path("c.pgm"), colour16, ImageFormat::Pgm), ImageError);
    EXPECT_FALSE(fs::exists(path("g.ppm")) || fs::exists(path("c.pgm")));
    pmtool::writeImage(path("c.pnm"), colour16, ImageFormat::Pnm);
    EXPECT_EQ(pmtool::encodeDeepPnm(colour16), readFile("c.pnm"));
    for (DeepImage bad : {DeepImage{2, 1, 3, 16, {1, 2, 3}}, DeepImage{1, 1, 1, 8, {256}}, DeepImage{1, 1, 2, 8, {1, 2}},
                          DeepImage{1, 1, 1, 12, {1}}})
        EXPECT_THROW(pmtool::encodeDeepPnm(bad), ImageError);
}

}  // namespace

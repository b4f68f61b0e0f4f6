// Colour and grey conversion of 8-bit and 16-bit frames: the forward-window
// row kernels with the sample type and the pixel writer as parameters.
#include "demosaic/colour_grey.h"

#include <algorithm>
#include <limits>

#include "demosaic/forward_window_kernel.h"
#include "demosaic/method_paths.h"
#include "demosaic/site_walk.h"
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

// The red or blue samples of source row `raw` (kind Row, from an even
// column), `count` of them, through their table into `out`.
template <typename Row>
void mapWordSites(const std::uint16_t* raw, std::ptrdiff_t count, std::uint16_t* out, const simd::WordPlan& plan) {
    const std::uint16_t* table = Row::even == Site::Blue || Row::odd == Site::Blue ? plan.blue : plan.red;
    for (std::ptrdiff_t c = simd::mapWordSiteColumns<Row>(raw, count, out, table, plan.path); c < count; ++c)
        if (colourSite(Row::at(c))) out[c] = table[raw[c]];
}

// Columns first to first + count - 1 of a row of kind Row at `s`: the vector
// prefix, then the scalar kernel for what it leaves.
template <typename Row, typename Cursor>
void wordRow(const std::uint16_t* s, std::ptrdiff_t stride, std::ptrdiff_t first, std::ptrdiff_t count,
             const std::uint16_t* const* mapped, const Cursor& put, const simd::WordPlan& plan) {
    const std::ptrdiff_t pixelWords = plan.grey ? 1 : 3;
    const std::ptrdiff_t end = first + count;
    std::ptrdiff_t c = first + simd::windowWordColumns<Row>(s + first, stride, mapped, count,
                                                            put.out + pixelWords * first, plan);
    for (; c < end; ++c)
        if ((c & 1) != 0)
            put(c, forwardWindowPixel<Row::odd, SmoothingAlways>(s + c, stride));
        else
            put(c, forwardWindowPixel<Row::even, SmoothingAlways>(s + c, stride));
}

// Rows and columns 0 to size - 2 of a 16-bit frame with the vector
// prefixes of `plan`, as forwardWindowImage computes them.  With tables, the
// red and blue samples of each source row go through their table once, into
// a ring of two rows (the row's own and the one below), and the prefixes
// pick from there.  Strips of columns keep the ring on the stack.
constexpr std::ptrdiff_t kStripColumns = 4096;

template <typename Writer>
bool wordRows(std::int32_t layout, const std::uint16_t* src, std::int32_t width, std::int32_t height,
              const Writer& writer, const simd::WordPlan& plan) {
    // Room for a strip's columns and the one after, and for the vector
    // blocks' reach.
    alignas(64) std::uint16_t ring[2][kStripColumns + 64];
    const std::ptrdiff_t columns = width - 1;
    const auto rowOf = [&](std::int64_t r) { return src + static_cast<std::size_t>(r) * static_cast<std::size_t>(width); };
    return withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        using Even = decltype(evenRows);
        using Odd = decltype(oddRows);
        for (std::ptrdiff_t first = 0; first < columns; first += kStripColumns) {
            const std::ptrdiff_t count = std::min(kStripColumns, columns - first);
            // The window reads one column past the strip.
            const auto mapRow = [&](std::int64_t r) {
                if ((r & 1) == 0)
                    mapWordSites<Even>(rowOf(r) + first, count + 1, ring[r & 1], plan);
                else
                    mapWordSites<Odd>(rowOf(r) + first, count + 1, ring[r & 1], plan);
            };
            if (plan.mapped()) mapRow(0);
            for (std::int64_t r = 0; r < height - 1; ++r) {
                if (plan.mapped()) mapRow(r + 1);
                const std::uint16_t* const mapped[2] = {ring[r & 1], ring[(r + 1) & 1]};
                if ((r & 1) == 0)
                    wordRow<Even>(rowOf(r), width, first, count, mapped, writer.row(r), plan);
                else
                    wordRow<Odd>(rowOf(r), width, first, count, mapped, writer.row(r), plan);
            }
        }
    });
}

// Interpolates a 16-bit frame through `writer` (the scalar kernel) or the
// vector prefixes of `plan` where its path has them, and replicates the
// border of one pixel of `pixelBytes`.  The caller has checked the sizes.
template <typename Writer>
void convertWords(const Writer& writer, const simd::WordPlan& plan, const void* src, void* dst, std::int32_t width,
                  std::int32_t height, std::uint8_t flip, std::uint32_t layout, std::uint32_t pixelBytes) {
    const auto* raw = static_cast<const std::uint16_t*>(src);
    if (simd::wordRowsVectored(plan))
        wordRows(entryLayout(layout), raw, width, height, writer, plan);
    else
        forwardWindowImage<SmoothingAlways>(entryLayout(layout), raw, width, height, writer);
    extendBorder(static_cast<std::uint8_t*>(dst), width, height, flip, 1, pixelBytes);
}

// The same for 8-bit frames, which have no vector prefix here.
template <typename Writer>
void convertBytes(const Writer& writer, const void* src, void* dst, std::int32_t width, std::int32_t height,
                  std::uint8_t flip, std::uint32_t layout) {
    forwardWindowImage<SmoothingAlways>(entryLayout(layout), static_cast<const std::uint8_t*>(src), width, height,
                                        writer);
    extendBorder(static_cast<std::uint8_t*>(dst), width, height, flip, 1, 1);
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

// The vector plan of a 16-bit conversion: no tables to look up when all
// three are the library's identity.
simd::WordPlan wordPlan(simd::Path path, const void* red, const void* green, const void* blue, bool grey) {
    if (allIdentity16(red, green, blue)) return {path, nullptr, nullptr, nullptr, grey};
    return {path, static_cast<const std::uint16_t*>(red), static_cast<const std::uint16_t*>(green),
            static_cast<const std::uint16_t*>(blue), grey};
}

}  // namespace

bool sixteenBitSource(std::int32_t srcFormat) { return sampleWidthOf(srcFormat) == SampleWidth::Sixteen; }

std::int32_t colourConversionOn(simd::Path path, const void* src, void* dst, std::int32_t width,
                                std::int32_t height, std::int32_t srcFormat, const void* lutRed,
                                const void* lutGreen, const void* lutBlue, std::uint8_t flip, std::uint32_t layout) {
    if (!sizesAccepted(src, dst, width, height)) return 0;
    switch (sampleWidthOf(srcFormat)) {
        case SampleWidth::Eight:
            // Method code 7 itself, vector prefix included: an 8-bit colour
            // record conversion and ConvertBayer2Rgb code 7 are one routine.
            return forwardWindowOn(path, static_cast<const std::uint8_t*>(src), static_cast<std::uint8_t*>(dst),
                                   width, height, static_cast<const std::uint8_t*>(lutRed),
                                   static_cast<const std::uint8_t*>(lutGreen),
                                   static_cast<const std::uint8_t*>(lutBlue), flip, entryLayout(layout));
        case SampleWidth::Sixteen: {
            const simd::WordPlan plan = wordPlan(path, lutRed, lutGreen, lutBlue, false);
            if (!plan.mapped())
                convertWords(UnmappedBgrWriter<std::uint16_t>{static_cast<std::uint16_t*>(dst), width, height,
                                                              flip != 0},
                             plan, src, dst, width, height, flip, layout, 6);
            else
                convertWords(tableWriter<BgrWriter, std::uint16_t>(dst, width, height, lutRed, lutGreen, lutBlue, flip),
                             plan, src, dst, width, height, flip, layout, 6);
            return 1;
        }
        default: return 1;
    }
}

std::int32_t greyConversionOn(simd::Path path, const void* src, void* dst, std::int32_t width, std::int32_t height,
                              std::int32_t srcFormat, const void* lutRed, const void* lutGreen, const void* lutBlue,
                              std::uint8_t flip, std::uint32_t layout) {
    if (!sizesAccepted(src, dst, width, height)) return 0;
    switch (sampleWidthOf(srcFormat)) {
        case SampleWidth::Eight:
            convertBytes(tableWriter<GreyWriter, std::uint8_t>(dst, width, height, lutRed, lutGreen, lutBlue, flip),
                         src, dst, width, height, flip, layout);
            return 1;
        case SampleWidth::Sixteen:
            convertWords(tableWriter<GreyWriter, std::uint16_t>(dst, width, height, lutRed, lutGreen, lutBlue, flip),
                         wordPlan(path, lutRed, lutGreen, lutBlue, true), src, dst, width, height, flip, layout, 2);
            return 1;
        default: return 1;
    }
}

std::int32_t colourConversion(const void* src, void* dst, std::int32_t width, std::int32_t height,
                              std::int32_t srcFormat, const void* lutRed, const void* lutGreen,
                              const void* lutBlue, std::uint8_t flip, std::uint32_t layout) {
    return colourConversionOn(simd::bestPath(), src, dst, width, height, srcFormat, lutRed, lutGreen, lutBlue, flip,
                              layout);
}

std::int32_t greyConversion(const void* src, void* dst, std::int32_t width, std::int32_t height,
                            std::int32_t srcFormat, const void* lutRed, const void* lutGreen, const void* lutBlue,
                            std::uint8_t flip, std::uint32_t layout) {
    return greyConversionOn(simd::bestPath(), src, dst, width, height, srcFormat, lutRed, lutGreen, lutBlue, flip,
                            layout);
}

}  // namespace pm

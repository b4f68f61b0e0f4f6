// The forward-window row kernel: every pixel takes its colours from the 2 x 2
// block made of itself, its right neighbour, the sample below and the sample
// diagonally below-right.  Such a block holds one red, one blue and two green
// samples, so red and blue are copied and green is one sample or the mean of
// the two.
//
// One body serves every user of the window.  What varies is a template
// parameter each:
//   Row       - the row kind (bayer.h): which site sits in even and odd columns;
//   Smoothing - whether a green site takes the mean of its two greens
//               (the policies of smoothing.h);
//   Sample    - std::uint8_t or std::uint16_t raw samples;
//   Writer    - what is stored per pixel and where (BgrWriter and
//               UnmappedBgrWriter here; the rotated method and the grey
//               conversion bring their own).
// A Writer provides `row(r)`, returning a cursor for source row r, and the
// cursor's `operator()(column, ChannelValues)` stores one pixel.  Channel
// values are unmapped samples or means: the writer applies the tables.
// forwardWindowImage walks the whole frame; forwardWindowSpan, its body,
// serves callers that walk the frame in tiles (the rotated method).
#ifndef PIXMILL_DEMOSAIC_FORWARD_WINDOW_KERNEL_H
#define PIXMILL_DEMOSAIC_FORWARD_WINDOW_KERNEL_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "demosaic/bayer.h"
#include "demosaic/smoothing.h"
#include "demosaic/vector/vector_paths.h"
#include "frame/border.h"
#include "frame/library_state.h"

namespace pm {

// Blue, green and red of one pixel before the tables.  Sums of two 16-bit
// samples fit comfortably in 32 bits.
struct ChannelValues {
    std::uint32_t blue, green, red;
};

// The values of the site of type S at `s`; `stride` is the source row length.
template <Site S, typename Smoothing, typename Sample>
inline ChannelValues forwardWindowPixel(const Sample* s, std::ptrdiff_t stride) {
    const std::uint32_t self = s[0], right = s[1], below = s[stride], diagonal = s[stride + 1];
    switch (S) {
        case Site::GreenInBlueRow:
            return {right, Smoothing::on() ? (self + diagonal) >> 1 : self, below};
        case Site::GreenInRedRow:
            return {below, Smoothing::on() ? (self + diagonal) >> 1 : self, right};
        case Site::Blue:
            return {self, (below + right) >> 1, diagonal};
        case Site::Red:
        default:
            return {diagonal, (below + right) >> 1, self};
    }
}

// Blue, green, red per pixel through three tables, in image rows placed by
// the flip flag.  Value is std::uint8_t for byte images with 256-entry tables,
// std::uint16_t for word images whose tables cover every sample value.
template <typename Value>
struct BgrWriter {
    Value* image;
    std::int32_t width;
    std::int32_t height;
    bool bottomUp;
    const Value* red;
    const Value* green;
    const Value* blue;
    // Set by forwardWindowImage for 8-bit images: the conversion's vector
    // path and prepared tables.  Without it the rows run scalar.
    const simd::RowPlan* plan = nullptr;

    struct Cursor {
        Value* out;
        const Value* red;
        const Value* green;
        const Value* blue;
        const simd::RowPlan* plan;
        void operator()(std::ptrdiff_t column, const ChannelValues& v) const {
            Value* px = out + 3 * column;
            px[0] = blue[v.blue];
            px[1] = green[v.green];
            px[2] = red[v.red];
        }
    };
    Cursor row(std::int64_t r) const {
        return {imageRow(image, r, height, static_cast<std::size_t>(width) * 3, bottomUp), red, green, blue, plan};
    }
};

// Blue, green and red stored as computed: what identity tables give, without
// the three look-ups.  For frames whose tables are all the library's own
// identity table; a caller's own identity tables take the table writer and
// give the same values.
template <typename Value>
struct UnmappedBgrWriter {
    Value* image;
    std::int32_t width;
    std::int32_t height;
    bool bottomUp;

    struct Cursor {
        Value* out;
        void operator()(std::ptrdiff_t column, const ChannelValues& v) const {
            Value* px = out + 3 * column;
            px[0] = static_cast<Value>(v.blue);
            px[1] = static_cast<Value>(v.green);
            px[2] = static_cast<Value>(v.red);
        }
    };
    Cursor row(std::int64_t r) const {
        return {imageRow(image, r, height, static_cast<std::size_t>(width) * 3, bottomUp)};
    }
};

// Columns first to end - 1 of one row, with `first` even: the body of every
// forward-window kernel.  `s` points at column 0 of the row and `stride` is
// the source row length; columns go in pairs (even site, odd site), and an
// odd count ends with a lone even column.
template <typename Row, typename Smoothing, typename Sample, typename Cursor>
inline void forwardWindowSpan(const Sample* s, std::ptrdiff_t stride, std::ptrdiff_t first, std::ptrdiff_t end,
                              const Cursor& put) {
    std::ptrdiff_t c = first;
    // 8-bit pixels stored side by side may start with a vector prefix; it
    // handles an even number of columns, so the pairs below stay aligned.
    if constexpr (std::is_same_v<Sample, std::uint8_t> && std::is_same_v<Cursor, BgrWriter<std::uint8_t>::Cursor>)
        if (put.plan != nullptr)
            c += simd::forwardWindowColumns<Row, Smoothing>(s + first, stride, end - first, *put.plan,
                                                            put.out + 3 * first);
    for (; c + 1 < end; c += 2) {
        put(c, forwardWindowPixel<Row::even, Smoothing>(s + c, stride));
        put(c + 1, forwardWindowPixel<Row::odd, Smoothing>(s + c + 1, stride));
    }
    if (c < end) put(c, forwardWindowPixel<Row::even, Smoothing>(s + c, stride));
}

// Rows 0 to height - 2 of Bayer layout code 1 to 4, in one pass from top to
// bottom (no pixel reads another, so any order gives the same image; one
// pass keeps the source rows in cache).  An 8-bit BgrWriter gets the vector
// path, chosen once here, with its tables prepared for it: every caller of
// this function with such a writer has the fast rows.  afterRow(r) runs
// right after row r is written, while it is in cache.  Returns false, having
// written nothing, for any other code.
template <typename Smoothing, typename Sample, typename Writer, typename AfterRow = void (*)(std::int64_t)>
bool forwardWindowImage(std::int32_t layout, const Sample* src, std::int32_t width, std::int32_t height,
                        const Writer& writer, simd::Path path = simd::bestPath(),
                        AfterRow&& afterRow = [](std::int64_t) {}, simd::Stores stores = simd::Stores::Auto) {
    auto walk = [&](const auto& w) {
        return withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
            for (std::int64_t r = 0; r < height - 1; ++r) {
                const Sample* s = src + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
                if ((r & 1) == 0)
                    forwardWindowSpan<decltype(evenRows), Smoothing>(s, width, 0, width - 1, w.row(r));
                else
                    forwardWindowSpan<decltype(oddRows), Smoothing>(s, width, 0, width - 1, w.row(r));
                afterRow(r);
            }
        });
    };
    if constexpr (std::is_same_v<Writer, BgrWriter<std::uint8_t>>) {
        const simd::RowPlan plan =
            simd::planRows({writer.red, writer.green, writer.blue}, path, bgrImageBytes(width, height), stores);
        Writer planned = writer;
        planned.plan = &plan;
        const bool known = walk(planned);
        simd::finishRows(plan);
        return known;
    } else {
        return walk(writer);
    }
}

// The method entry of every build's forward window over 8-bit samples through
// three tables: refuse null images, odd sizes and sizes of 3 or less (0,
// nothing written); compute rows and columns 0 to size - 2 of layout codes 1
// to 4; then, when `border` is 1, replace the outer frame by the nearest kept
// pixels (the earlier build whose form has no border passes 0 and leaves the
// last row and column as the destination held them).  Returns 1.
template <typename Smoothing>
std::int32_t forwardWindowMethod(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                 std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                 const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout,
                                 std::int32_t border) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    const BgrWriter<std::uint8_t> writer{dst, width, height, flipSet(flip), lutRed, lutGreen, lutBlue};
    forwardWindowImage<Smoothing>(layout, src, width, height, writer);
    extendBorder(dst, width, height, flip, border, 3);
    return 1;
}


}  // namespace pm

#endif

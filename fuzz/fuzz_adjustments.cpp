// Fuzz harness of the adjustments: PmBrightness, PmContrast, the quarter
// turns PmRotate90CW8B and PmRotate90CCW8B (plain and decorated),
// PmSharpen24B, the decorated PmEmphasize24B and ROIColorCorrection.
//
// The input chooses the export, sizes (0, negative, odd, tiny, near the
// 32-bit limits), amounts (edges of the ranges, NaN, infinities), region
// offsets, null pointers, in-place calls and all contents.  Images are
// exactly as large as the header says a caller provides them: `count` bytes
// for the tone curves; rows padded to a multiple of 4 bytes for the turns
// (height rows of the padded width in, width rows of the padded height out)
// and for sharpening (stride (3 x width + 3) / 4 x 4); rows of 3 x
// imageWidth bytes down to the region's last row for the colour correction.
// A call that must write nothing gets address space it cannot touch when
// its image would be too large to allocate (or when the input says so).
// Properties checked without a model of the exports:
//  - results as the header gives them, and nothing written unless the
//    result is 0 (nothing at all by a colour correction of an empty region);
//  - the source is never modified; padding bytes are left (turns) or copied
//    from the source (sharpening); every other destination byte is written;
//  - the same call twice gives the same bytes; in place gives what a
//    separate destination gives;
//  - a tone curve maps equal bytes to equal bytes, and an odd contrast
//    amount acts as the even amount toward 0;
//  - turning clockwise then counter-clockwise gives back the image, two
//    clockwise turns equal two counter-clockwise ones, and each decorated
//    turn is the other plain one in memory;
//  - PmSharpen24B equals PmEmphasize24B at the same amount, and emphasis by
//    0 or NaN is a copy;
//  - the colour correction changes only its clipped region, and the region
//    done in two parts (split at a row or a column) gives the same image.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "pixmill.h"
#include "pixmill_decorated.hpp"

namespace {

using pmfuzz::Buffer;
using pmfuzz::fail;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kMaxBytes = 1 << 18;

char context[200];

std::uint64_t padded(std::int64_t bytes) { return bytes > 0 ? std::uint64_t(bytes + 3) / 4 * 4 : 0; }

// Heap when small enough (and accepted, or the input wants real bytes to
// compare), else address space without any access.
std::unique_ptr<Buffer> buffer(std::uint64_t bytes, bool accepted, pmfuzz::Input& in) {
    const bool untouchable = !accepted && (bytes > kMaxBytes || in.byte() % 4 == 0);
    auto b = std::make_unique<Buffer>(bytes, untouchable ? Buffer::Kind::Untouchable : Buffer::Kind::Heap);
    if (b->onHeap()) in.fill(b->data(), bytes);
    return b;
}

// ---- Tone curves ----------------------------------------------------------

void toneCurve(pmfuzz::Input& in) {
    const bool contrast = (in.byte() & 1) != 0;
    const auto curve = contrast ? PmContrast : PmBrightness;
    const std::int32_t low = contrast ? -50 : -150, high = contrast ? 100 : 150;
    const std::uint8_t amountChoice = in.byte();
    const std::int32_t amount = amountChoice < 224 ? low + std::int32_t(in.u32() % std::uint32_t(high - low + 1))
                                                   : in.pick<std::int32_t>({low, high, low - 1, high + 1, 0,
                                                                            INT32_MIN, INT32_MAX, -1});
    const std::int32_t count = std::int32_t(std::uint32_t(in.dimension()) * in.pick<std::uint32_t>({1, 1, 3, 7}));
    const std::uint8_t how = in.byte();
    const bool noSource = how == 252 || how == 254, noDest = how == 253 || how == 254;
    std::snprintf(context, sizeof context, "%s %d, count %d%s%s", contrast ? "PmContrast" : "PmBrightness", amount,
                  count, noSource ? ", null source" : "", noDest ? ", null destination" : "");
    pmfuzz::trace(context);

    const bool inRange = amount >= low && amount <= high;
    const std::int32_t expected = !inRange ? PM_ERROR_OUT_OF_RANGE : noSource || noDest ? PM_ERROR_NULL_POINTER : 0;
    const std::uint64_t bytes = count > 0 ? std::uint64_t(count) : 0;
    const bool writes = expected == 0 && count > 0;
    if (writes && bytes > kMaxBytes) return;
    const auto source = buffer(bytes, writes, in), dest = buffer(bytes, writes, in);
    const Bytes sourceBefore = source->copy(), destBefore = dest->copy();
    const std::uint8_t* s = noSource ? nullptr : source->data();
    std::uint8_t* d = noDest ? nullptr : dest->data();
    if (curve(s, count, amount, d) != expected) fail("result other than the header's", context);
    if (!source->same(sourceBefore)) fail("source modified", context);
    if (!writes) {
        if (!dest->same(destBefore)) fail("refused call wrote", context);
        return;
    }
    const Bytes first = dest->copy();

    // A tone curve: equal bytes give equal bytes.
    int map[256];
    std::fill(map, map + 256, -1);
    for (std::uint64_t i = 0; i < bytes; ++i) {
        int& m = map[sourceBefore[i]];
        if (m >= 0 && m != first[i]) fail("equal source bytes mapped to different bytes", context);
        m = first[i];
    }
    auto again = [&](std::int32_t a, bool place) {
        Bytes work = sourceBefore;
        std::memcpy(dest->data(), destBefore.data(), bytes);
        if (place) {
            if (curve(work.data(), count, a, work.data()) != 0) fail("in-place call refused", context);
            return work;
        }
        if (curve(source->data(), count, a, dest->data()) != 0) fail("call refused", context);
        return dest->copy();
    };
    if (again(amount, true) != first) fail("in place differs from a separate destination", context);
    if (again(amount, false) != first) fail("same call, other bytes", context);
    if (contrast && amount % 2 != 0 && again(amount - (amount > 0 ? 1 : -1), false) != first)
        fail("odd amount differs from the even amount toward 0", context);
}

// ---- Quarter turns ----------------------------------------------------------

enum Turn { kPlainCW, kPlainCCW, kDecoratedCW, kDecoratedCCW };

std::int32_t turn(Turn t, const std::uint8_t* s, std::int32_t w, std::int32_t h, std::uint8_t* d) {
    switch (t) {
        case kPlainCW: return PmRotate90CW8B(s, w, h, d);
        case kPlainCCW: return PmRotate90CCW8B(s, w, h, d);
        case kDecoratedCW: return PmRotate90CW8B(const_cast<unsigned char*>(s), w, h, d);
        default: return PmRotate90CCW8B(const_cast<unsigned char*>(s), w, h, d);
    }
}
const char* const kTurnNames[] = {"PmRotate90CW8B", "PmRotate90CCW8B", "decorated PmRotate90CW8B",
                                  "decorated PmRotate90CCW8B"};

void quarterTurn(pmfuzz::Input& in) {
    const Turn t = Turn(in.byte() % 4);
    const std::int32_t w = in.dimension(), h = in.dimension();
    const std::uint8_t missing = in.byte();
    const bool noSource = missing == 252 || missing == 254, noDest = missing == 253 || missing == 254;
    std::snprintf(context, sizeof context, "%s %dx%d%s%s", kTurnNames[t], w, h, noSource ? ", null source" : "",
                  noDest ? ", null destination" : "");
    pmfuzz::trace(context);
    const bool writes = !noSource && !noDest && w > 0 && h > 0;
    const std::uint64_t inStride = padded(w), outStride = padded(h);
    const std::uint64_t inBytes = inStride * (h > 0 ? std::uint64_t(h) : 0);
    const std::uint64_t outBytes = outStride * (w > 0 ? std::uint64_t(w) : 0);
    if (writes && (inBytes > kMaxBytes || outBytes > kMaxBytes)) return;
    const auto source = buffer(inBytes, writes, in), dest = buffer(outBytes, writes, in);
    const Bytes sourceBefore = source->copy(), destBefore = dest->copy();
    if (turn(t, noSource ? nullptr : source->data(), w, h, noDest ? nullptr : dest->data()) != 0)
        fail("result other than 0", context);
    if (!source->same(sourceBefore)) fail("source modified", context);
    if (!writes) {
        if (!dest->same(destBefore)) fail("refused call wrote", context);
        return;
    }
    const Bytes first = dest->copy();
    const std::size_t rows = std::size_t(w), columns = std::size_t(h);

    // Padding left as it was; every sample written.
    Bytes other(outBytes);
    for (std::size_t i = 0; i < outBytes; ++i) other[i] = std::uint8_t(~destBefore[i]);
    std::memcpy(dest->data(), other.data(), outBytes);
    turn(t, source->data(), w, h, dest->data());
    const Bytes second = dest->copy();
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < outStride; ++c) {
            const std::size_t i = r * outStride + c;
            if (c >= columns && (first[i] != destBefore[i] || second[i] != other[i]))
                fail("padding byte written", context);
            if (c < columns && first[i] != second[i]) fail("sample not written (or depends on what it held)", context);
        }

    // Runs a turn of `image` (`width` x `height`) into a new padded buffer
    // of exactly its size.
    auto turned = [&](Turn u, const Bytes& image, std::int32_t width, std::int32_t height) {
        Buffer out(padded(height) * std::uint64_t(width));
        std::memset(out.data(), 0, out.size());
        turn(u, image.data(), width, height, out.data());
        return out.copy();
    };
    // Image bytes only: padding aside.
    auto samples = [](const Bytes& image, std::size_t nRows, std::size_t nColumns) {
        Bytes out;
        const std::size_t stride = std::size_t(padded(std::int64_t(nColumns)));
        for (std::size_t r = 0; r < nRows; ++r)
            out.insert(out.end(), image.begin() + std::ptrdiff_t(r * stride),
                       image.begin() + std::ptrdiff_t(r * stride + nColumns));
        return out;
    };
    if (samples(turned(t, sourceBefore, w, h), rows, columns) != samples(first, rows, columns))
        fail("same call, other bytes", context);

    const Turn inverse = Turn(t ^ 1), sameInMemory = Turn(t < 2 ? (t ^ 1) + 2 : (t ^ 1) - 2);
    if (samples(turned(sameInMemory, sourceBefore, w, h), rows, columns) != samples(first, rows, columns))
        fail("decorated turn is not the other plain turn in memory", context);
    if (samples(turned(inverse, first, h, w), std::size_t(h), std::size_t(w)) !=
        samples(sourceBefore, std::size_t(h), std::size_t(w)))
        fail("turning back does not give the image", context);
    const Bytes halfTurn = turned(t, first, h, w), otherHalf = turned(inverse, turned(inverse, sourceBefore, w, h), h, w);
    if (samples(halfTurn, std::size_t(h), std::size_t(w)) != samples(otherHalf, std::size_t(h), std::size_t(w)))
        fail("two turns one way differ from two turns the other way", context);
}

// ---- Sharpening ----------------------------------------------------------

void sharpen(pmfuzz::Input& in) {
    const bool decorated = (in.byte() & 1) != 0;
    const std::int32_t w = in.dimension(), h = in.dimension();
    const std::uint8_t amountChoice = in.byte();
    float amount;
    if (amountChoice < 160) {
        amount = float(1 + in.u32() % 5000) / 1000.0f;  // (0, 5]
    } else if (amountChoice < 240) {
        amount = in.pick<float>({0.0f, -0.0f, 5.0f, 5.0001f, 1e-30f, -1.0f, -5.0f, 1e9f, -1e9f, 35157.0f,
                                 std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::denorm_min()});
    } else {
        const std::uint32_t bits = in.u32();
        std::memcpy(&amount, &bits, sizeof amount);
    }
    const std::uint8_t how = in.byte();
    const bool noSource = how == 252 || how == 254, noDest = how == 253 || how == 254;
    std::snprintf(context, sizeof context, "%s %dx%d, amount %.9g%s%s", decorated ? "PmEmphasize24B" : "PmSharpen24B",
                  w, h, double(amount), noSource ? ", null source" : "", noDest ? ", null destination" : "");
    pmfuzz::trace(context);

    const bool amountOk = decorated || (amount > 0.0f && amount <= 5.0f);
    const std::int32_t expected = !amountOk || w < 3 || h < 3 ? PM_ERROR_OUT_OF_RANGE
                                  : noSource || noDest        ? PM_ERROR_NULL_POINTER
                                                              : PM_OK;
    const std::uint64_t stride = padded(3 * std::int64_t(w)), bytes = stride * (h > 0 ? std::uint64_t(h) : 0);
    const bool writes = expected == PM_OK;
    if (writes && bytes > kMaxBytes) return;
    const auto source = buffer(bytes, writes, in), dest = buffer(bytes, writes, in);
    const Bytes sourceBefore = source->copy(), destBefore = dest->copy();
    auto run = [&](bool emphasize, const std::uint8_t* s, std::uint8_t* d, float a) {
        return emphasize ? PmEmphasize24B(const_cast<unsigned char*>(s), w, h, a, d) : PmSharpen24B(s, w, h, a, d);
    };
    if (run(decorated, noSource ? nullptr : source->data(), noDest ? nullptr : dest->data(), amount) != expected)
        fail("result other than the header's", context);
    if (!source->same(sourceBefore)) fail("source modified", context);
    if (!writes) {
        if (!dest->same(destBefore)) fail("refused call wrote", context);
        return;
    }
    const Bytes first = dest->copy();
    const std::size_t rowBytes = 3 * std::size_t(w);
    for (std::size_t i = 0; i < bytes; ++i)
        if (i % stride >= rowBytes && first[i] != sourceBefore[i]) fail("padding not copied from the source", context);

    auto again = [&](bool emphasize, float a, bool place, std::uint8_t fillByte) {
        Bytes work = sourceBefore;
        if (place) {
            if (run(emphasize, work.data(), work.data(), a) != PM_OK) fail("in-place call refused", context);
            return work;
        }
        std::memset(dest->data(), fillByte, bytes);
        if (run(emphasize, source->data(), dest->data(), a) != PM_OK) fail("call refused", context);
        return dest->copy();
    };
    if (again(decorated, amount, true, 0x00) != first || again(decorated, amount, false, 0xFF) != first)
        fail("in place, or over other contents, differs", context);
    if (!decorated && again(true, amount, false, 0x3C) != first) fail("PmSharpen24B differs from PmEmphasize24B", context);
    const float copyAmount = in.byte() % 2 == 0 ? 0.0f : std::numeric_limits<float>::quiet_NaN();
    if (again(true, copyAmount, false, 0x3C) != sourceBefore) fail("emphasis by 0 or NaN is no copy", context);
}

// ---- Colour correction ---------------------------------------------------

void colourCorrection(pmfuzz::Input& in) {
    const std::int32_t imageWidth = in.dimension();
    auto offset = [&](std::int32_t side) {
        const std::uint8_t b = in.byte();
        if (b < 160) return std::int32_t(b % 24) - 4;
        if (b < 224 && side > 0) return side - std::int32_t(b % 8);
        return in.pick<std::int32_t>({INT32_MIN, INT32_MAX, -1 - (1 << 30), 1 << 30, std::int32_t(in.u32())});
    };
    const std::int32_t x0 = offset(imageWidth), y0 = offset(0);
    const std::int32_t regionWidth = in.dimension(), regionHeight = in.dimension();
    const bool noImage = in.byte() == 255;
    std::snprintf(context, sizeof context, "ROIColorCorrection at %d,%d, %dx%d, image width %d%s", x0, y0, regionWidth,
                  regionHeight, imageWidth, noImage ? ", null image" : "");
    pmfuzz::trace(context);

    // The clipped region, as the header gives it.
    const std::int64_t left = std::max<std::int64_t>(x0, 0),
                       right = std::min<std::int64_t>(std::int64_t(x0) + regionWidth, imageWidth);
    const std::int64_t top = std::max<std::int64_t>(y0, 0), bottom = std::int64_t(y0) + regionHeight;
    const bool writes = !noImage && regionWidth > 0 && regionHeight > 0 && imageWidth > 0 && left < right && top < bottom;
    const std::uint64_t rowBytes = 3 * std::uint64_t(std::max<std::int32_t>(imageWidth, 0));
    const std::uint64_t bytes = rowBytes * std::uint64_t(std::max<std::int64_t>(bottom, 0));
    if (writes && bytes > kMaxBytes) return;
    const auto image = buffer(bytes, writes, in);
    const Bytes before = image->copy();
    ROIColorCorrection(noImage ? nullptr : image->data(), x0, y0, regionWidth, regionHeight, imageWidth,
                       std::int32_t(in.u32()));
    if (!writes) {
        if (!image->same(before)) fail("empty region wrote", context);
        return;
    }
    const Bytes first = image->copy();
    for (std::uint64_t i = 0; i < bytes; ++i) {
        const std::int64_t row = std::int64_t(i / rowBytes), column = std::int64_t(i % rowBytes / 3);
        if ((row < top || column < left || column >= right) && first[i] != before[i])
            fail("byte outside the region changed", context);
    }

    // The same region again, and in two parts.
    auto corrected = [&](std::initializer_list<std::array<std::int32_t, 4>> parts) {
        std::memcpy(image->data(), before.data(), bytes);
        for (const auto& p : parts) ROIColorCorrection(image->data(), p[0], p[1], p[2], p[3], imageWidth, 0);
        return image->copy();
    };
    if (corrected({{x0, y0, regionWidth, regionHeight}}) != first) fail("same call, other bytes", context);
    const std::int32_t splitRow = std::int32_t(top + std::int64_t(in.byte()) % (bottom - top)) - y0;
    const std::int32_t splitColumn = std::int32_t(left + std::int64_t(in.byte()) % (right - left)) - x0;
    if (corrected({{x0, y0, regionWidth, splitRow}, {x0, y0 + splitRow, regionWidth, regionHeight - splitRow}}) != first)
        fail("region in two parts by rows differs", context);
    if (corrected({{x0, y0, splitColumn, regionHeight}, {x0 + splitColumn, y0, regionWidth - splitColumn, regionHeight}}) !=
        first)
        fail("region in two parts by columns differs", context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pmfuzz::Input in(data, size);
    switch (in.byte() % 4) {
        case 0: toneCurve(in); break;
        case 1: quarterTurn(in); break;
        case 2: sharpen(in); break;
        default: colourCorrection(in); break;
    }
    return 0;
}

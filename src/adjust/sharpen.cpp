// Sharpening (PmSharpen24B, PmEmphasize24B): unsharp masking of BGR images by 3 x 3 box
// sums kept as running sums.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "adjust/sharpen.h"
#include "pixmill.h"

namespace pm {
namespace {

// 64 bits even where pointers have 32 (the 32-bit builds): an image of more
// than 2 GiB fits their address space, and its row offsets would not fit a
// 32-bit index.
using Index = std::int64_t;

// Gain K = trunc(amount * 256/9) in single precision.  Gains are held within
// +-1000000 so that (9v - V) * K, at most 2040 * K, stays a 32-bit value;
// a NaN amount gives 0.
int sharpenGain(float amount) {
    const float product = amount * 28.444445f;
    if (!(product == product)) return 0;
    if (product > 1.0e6f) return 1000000;
    if (product < -1.0e6f) return -1000000;
    return static_cast<int>(product);
}

// Horizontal sums of one row, per channel (bytes three apart), with the
// neighbours outside the row mirrored: v(-1) is v(1), v(width) is v(width - 2).
// `bytes` is 3 x width, at least 9.
void horizontalSums(const std::uint8_t* v, Index bytes, std::int16_t* h, adjust::Path path) {
    for (Index i = 0; i < 3; ++i) {
        h[i] = std::int16_t(v[i] + 2 * v[i + 3]);
        h[i + 3] = std::int16_t(v[i] + v[i + 3] + v[i + 6]);
    }
    Index i = path == adjust::Path::Avx2 ? adjust::horizontalSumsAvx2(v, 6, bytes - 3, h) : 6;
    for (; i < bytes - 3; ++i) h[i] = std::int16_t(h[i - 3] + v[i + 3] - v[i - 6]);
    for (Index i = bytes - 3; i < bytes; ++i) h[i] = std::int16_t(h[i - 3] + v[i - 3] - v[i - 6]);
}

// One output row: each byte pushed away from its box sum V by the gain, with
// an arithmetic shift (rounding toward minus infinity) and a clamp.
void emphasizeRow(const std::uint8_t* v, const std::int16_t* boxSum, Index bytes, int gain, std::uint8_t* out,
                  adjust::Path path) {
    Index i = path == adjust::Path::Avx2 ? adjust::emphasizeRowAvx2(v, boxSum, bytes, gain, out) : 0;
    for (; i < bytes; ++i) {
        const int d = ((9 * v[i] - boxSum[i]) * gain) >> 8;
        const int result = v[i] + d;
        out[i] = std::uint8_t(result > 255 ? 255 : result < 0 ? 0 : result);
    }
}

// out = a + b + c, and box += entering - leaving.
void sumRows(const std::int16_t* a, const std::int16_t* b, const std::int16_t* c, Index bytes, std::int16_t* out,
             adjust::Path path) {
    Index i = path == adjust::Path::Avx2 ? adjust::sumRowsAvx2(a, b, c, bytes, out) : 0;
    for (; i < bytes; ++i) out[i] = std::int16_t(a[i] + b[i] + c[i]);
}
void slideRow(std::int16_t* box, const std::int16_t* entering, const std::int16_t* leaving, Index bytes,
              adjust::Path path) {
    Index i = path == adjust::Path::Avx2 ? adjust::slideRowAvx2(box, entering, leaving, bytes) : 0;
    for (; i < bytes; ++i) box[i] = std::int16_t(box[i] + entering[i] - leaving[i]);
}

}  // namespace

// The 3 x 3 sums run down the image: V(y) = V(y - 1) + H(y + 1) - H(y - 2),
// with H(-1) = H(1) and H(height) = H(height - 2).  Only the four horizontal
// sum rows y - 2 to y + 1 and the current V row are live at any time, so the
// scratch is five rows rather than two whole images; the sums are exact
// integers, so the result is the same.  Output row y is written only after
// source rows up to y + 1 have been read, which makes source == destination
// safe.
int emphasize(const std::uint8_t* source, int width, int height, float amount, std::uint8_t* destination,
              adjust::Path path) {
    if (width < 3 || height < 3) return PM_ERROR_OUT_OF_RANGE;
    if (source == nullptr || destination == nullptr) return PM_ERROR_NULL_POINTER;
    const Index bytes = 3 * Index(width);
    const Index stride = (bytes + 3) / 4 * 4;
    // Five rows of sums; a count whose size in bytes a size_t cannot hold
    // (rows past about 858 MB in the 32-bit builds) cannot be allocated
    // either, rather than wrap to a smaller block.
    const std::uint64_t entries = std::uint64_t(bytes) * 5;
    if (entries > SIZE_MAX / sizeof(std::int16_t)) return PM_ERROR_NO_MEMORY;
    std::unique_ptr<std::int16_t[]> scratch(new (std::nothrow) std::int16_t[std::size_t(entries)]);
    if (!scratch) return PM_ERROR_NO_MEMORY;
    std::int16_t* h[4] = {scratch.get(), scratch.get() + bytes, scratch.get() + 2 * bytes,
                          scratch.get() + 3 * bytes};
    std::int16_t* box = scratch.get() + 4 * bytes;
    auto hRow = [&](Index y) { return h[y & 3]; };
    auto sourceRow = [&](Index y) { return source + y * stride; };

    const int gain = sharpenGain(amount);
    horizontalSums(sourceRow(0), bytes, hRow(0), path);
    horizontalSums(sourceRow(1), bytes, hRow(1), path);
    for (Index y = 0; y < height; ++y) {
        if (y == 0) {
            sumRows(hRow(0), hRow(1), hRow(1), bytes, box, path);
        } else if (y == 1) {
            horizontalSums(sourceRow(2), bytes, hRow(2), path);
            sumRows(hRow(0), hRow(1), hRow(2), bytes, box, path);
        } else {
            if (y + 1 < height) horizontalSums(sourceRow(y + 1), bytes, hRow(y + 1), path);
            slideRow(box, hRow(y + 1 < height ? y + 1 : height - 2), hRow(y - 2), bytes, path);
        }
        std::uint8_t* out = destination + y * stride;
        emphasizeRow(sourceRow(y), box, bytes, gain, out, path);
        if (out != sourceRow(y)) std::memcpy(out + bytes, sourceRow(y) + bytes, std::size_t(stride - bytes));
    }
    return PM_OK;
}

// The amount is tested before anything else; "not greater than 0" also
// refuses NaN.
int sharpen(const std::uint8_t* source, int width, int height, float amount, std::uint8_t* destination) {
    if (!(amount > 0.0f) || amount > 5.0f) return PM_ERROR_OUT_OF_RANGE;
    return emphasize(source, width, height, amount, destination);
}

}  // namespace pm

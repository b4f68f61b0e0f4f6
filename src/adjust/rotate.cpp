// Quarter turns of 8-bit images: the tiled copy behind the plain and the
// decorated PmRotate90CW8B and PmRotate90CCW8B.
#include "adjust/rotate.h"

#include <cmath>
#include <cstddef>
#include <cstring>


namespace pm {
namespace {

using Index = std::ptrdiff_t;

Index paddedStride(int samples) { return (Index(samples) + 3) / 4 * 4; }

// Where destination sample (r, c) comes from in the source, for each turn.
struct FromBottomLeft {  // dst[r][c] = src[height - 1 - c][r]
    static Index at(Index r, Index c, Index width, Index height, Index stride) {
        (void)width;
        return (height - 1 - c) * stride + r;
    }
};
struct FromTopRight {  // dst[r][c] = src[c][width - 1 - r]
    static Index at(Index r, Index c, Index width, Index height, Index stride) {
        (void)height;
        return c * stride + (width - 1 - r);
    }
};

// Copies destination rows [r0, r1) x columns [c0, c1) sample by sample: the
// strips the whole 4 x 4 tiles leave when a side is not a multiple of 4.
template <typename Map>
void copySamples(const std::uint8_t* src, Index width, Index height, std::uint8_t* dst, Index r0, Index r1, Index c0,
                 Index c1) {
    const Index srcStride = paddedStride(int(width)), dstStride = paddedStride(int(height));
    for (Index r = r0; r < r1; ++r)
        for (Index c = c0; c < c1; ++c) dst[r * dstStride + c] = src[Map::at(r, c, width, height, srcStride)];
}

// One 4 x 4 tile: four bytes from each of four source rows, four bytes to
// each of four destination rows, each run moved as one 32-bit word.
inline std::uint32_t load4(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store4(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
inline std::uint32_t byteOf(std::uint32_t v, int k) { return (v >> (8 * k)) & 0xFF; }

// Source rows a, b, c, d (in the order they become destination columns 0 to
// 3), read at the same four columns; destination row k takes byte k (or byte
// 3 - k when `reversed`) of each.
template <bool reversed>
void turnTile(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, const std::uint8_t* d,
              std::uint8_t* out, Index dstStride) {
    const std::uint32_t w[4] = {load4(a), load4(b), load4(c), load4(d)};
    for (int k = 0; k < 4; ++k) {
        const int byte = reversed ? 3 - k : k;
        store4(out + k * dstStride, byteOf(w[0], byte) | byteOf(w[1], byte) << 8 | byteOf(w[2], byte) << 16 |
                                        byteOf(w[3], byte) << 24);
    }
}

// dst[r][c] = src[height - 1 - c][r]: source columns in groups of four from
// the left (destination rows), source rows in groups of four upward from the
// bottom (destination columns).
void turnFromBottomLeft(const std::uint8_t* src, Index width, Index height, std::uint8_t* dst) {
    const Index srcStride = paddedStride(int(width)), dstStride = paddedStride(int(height));
    const Index rows = width / 4 * 4, columns = height / 4 * 4;
    for (Index r = 0; r < rows; r += 4)
        for (Index c = 0; c < columns; c += 4) {
            const std::uint8_t* s = src + (height - 1 - c) * srcStride + r;
            turnTile<false>(s, s - srcStride, s - 2 * srcStride, s - 3 * srcStride, dst + r * dstStride + c,
                            dstStride);
        }
    copySamples<FromBottomLeft>(src, width, height, dst, 0, rows, columns, height);
    copySamples<FromBottomLeft>(src, width, height, dst, rows, width, 0, height);
}

// dst[r][c] = src[c][width - 1 - r]: source columns in groups of four from
// the right, source rows in groups of four downward from the top.
void turnFromTopRight(const std::uint8_t* src, Index width, Index height, std::uint8_t* dst) {
    const Index srcStride = paddedStride(int(width)), dstStride = paddedStride(int(height));
    const Index rows = width / 4 * 4, columns = height / 4 * 4;
    for (Index r = 0; r < rows; r += 4)
        for (Index c = 0; c < columns; c += 4) {
            const std::uint8_t* s = src + c * srcStride + (width - 4 - r);
            turnTile<true>(s, s + srcStride, s + 2 * srcStride, s + 3 * srcStride, dst + r * dstStride + c,
                           dstStride);
        }
    copySamples<FromTopRight>(src, width, height, dst, 0, rows, columns, height);
    copySamples<FromTopRight>(src, width, height, dst, rows, width, 0, height);
}

}  // namespace

// The angle is tested through the single-precision sine of its negation in
// radians, so only angles within a hair of -90 or 90 degrees turn anything.
// A null image, which the callers do not test for, writes nothing rather than
// faulting.
int rotateQuarter(int width, int height, const std::uint8_t* source, float angle, std::uint8_t* destination) {
    if (width <= 0 || height <= 0 || source == nullptr || destination == nullptr) return 0;
    const double theta = -static_cast<double>(angle) * 0.017453292222222222;
    const float s = static_cast<float>(std::sin(theta));
    if (s > 0.999999)
        turnFromBottomLeft(source, width, height, destination);
    else if (s < -0.999999)
        turnFromTopRight(source, width, height, destination);
    return 0;
}

}  // namespace pm

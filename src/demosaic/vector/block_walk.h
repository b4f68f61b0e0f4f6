// The walk of a row prefix over its blocks, shared by every prefix written
// over a vector type V (V::kPixels pixels per block).
#ifndef PIXMILL_DEMOSAIC_VECTOR_BLOCK_WALK_H
#define PIXMILL_DEMOSAIC_VECTOR_BLOCK_WALK_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace pm {
namespace simd {
namespace {

// Runs block(c) at c = 0, kPixels, 2 kPixels, ... and then, when pixels are
// left over, once more over the last kPixels of the run, moved back to an
// even start: it recomputes a few pixels with the same values and leaves at
// most one pixel to the scalar rules.  Returns the pixels handled.
template <typename V, typename Block>
inline __attribute__((always_inline)) std::ptrdiff_t eachBlock(std::ptrdiff_t count, Block&& block) {
    if (count < V::kPixels) return 0;
    std::ptrdiff_t c = 0;
    for (; c + V::kPixels <= count; c += V::kPixels) block(c);
    if (c == count) return c;
    const std::ptrdiff_t lastStart = (count - V::kPixels) & ~std::ptrdiff_t{1};
    block(lastStart);
    return lastStart + V::kPixels;
}

// Output streamed past the cache goes out in whole 64-byte lines: a line
// that is only partly streamed, or that is touched again soon after, makes
// the processor read it back from memory, which costs more than streaming
// saves.
constexpr std::ptrdiff_t kLineBytes = 64;

// The first column c of a run from which its output, 3c bytes on from
// `out`, starts a line: 3c = -out modulo the line, whose one solution below
// 64 this is (43 is the inverse of 3 modulo 64).
inline std::ptrdiff_t lineColumn(const std::uint8_t* out) {
    const auto gap = static_cast<std::ptrdiff_t>((0 - reinterpret_cast<std::uintptr_t>(out)) & (kLineBytes - 1));
    return (gap * 43) & (kLineBytes - 1);
}

// The walk of a run streamed past the cache: block(c, n) with n a
// std::integral_constant, above 0 for a group of n blocks from c that fills
// whole lines, from the run's lineColumn on, and 0 for a single block stored
// as usual.  The blocks before the groups (from column 0) and after them
// (the last one overlapping, as in eachBlock) are single, so that the lines
// at both ends of the run, which the scalar rules and the border complete,
// are written as usual and stay in cache.  Blocks may start at odd columns.
// Runs too short to gain are written as usual.  Returns the pixels handled,
// as eachBlock.
template <typename V, typename Block>
inline __attribute__((always_inline)) std::ptrdiff_t eachBlockStreamed(std::ptrdiff_t count, const std::uint8_t* out,
                                                                       Block&& block) {
    // Blocks per group that ends on a line (3 * kPixels bytes a block, with
    // kPixels a power of two).
    constexpr std::ptrdiff_t kGroup = V::kPixels >= kLineBytes ? 1 : kLineBytes / V::kPixels;
    static_assert((3 * V::kPixels * kGroup) % kLineBytes == 0, "groups of blocks end on a line");
    using Single = std::integral_constant<std::ptrdiff_t, 0>;
    constexpr std::ptrdiff_t kGroupPixels = kGroup * V::kPixels;
    const std::ptrdiff_t first = lineColumn(out);
    // The blocks after the streamed ones must not reach back into them: at
    // least one block and a pixel remain after the last group.
    if (count < first + kGroupPixels + V::kPixels + 1)
        return eachBlock<V>(count, [&](std::ptrdiff_t c) __attribute__((always_inline)) { block(c, Single{}); });
    std::ptrdiff_t c = 0;
    for (; c < first; c += V::kPixels) block(c, Single{});
    for (c = first; c + kGroupPixels + V::kPixels < count; c += kGroupPixels)
        block(c, std::integral_constant<std::ptrdiff_t, kGroup>{});
    for (; c + V::kPixels <= count; c += V::kPixels) block(c, Single{});
    if (c == count && (c & 1) == 0) return c;
    const std::ptrdiff_t lastStart = (count - V::kPixels) & ~std::ptrdiff_t{1};
    block(lastStart, Single{});
    return lastStart + V::kPixels;
}

}  // namespace
}  // namespace simd
}  // namespace pm

#endif

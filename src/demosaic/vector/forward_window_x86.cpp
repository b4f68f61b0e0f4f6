// x86 prefixes of the forward-window row kernel (forward_window_kernel.h):
// the same picks and means from each pixel's 2 x 2 window, 16 pixels per
// step.  Both site types of the row are computed for all 16 lanes and each
// lane keeps the one of its column.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/forward_window_kernel.h"
#include "demosaic/vector/x86_pixels.h"

namespace pm {
namespace simd {
namespace {

template <Site S>
PIXMILL_VECTOR_INLINE Planes windowSites(const std::uint8_t* s, std::ptrdiff_t stride, bool smooth) {
    const __m128i self = load16(s), right = load16(s + 1), below = load16(s + stride);
    const __m128i diagonal = load16(s + stride + 1);
    switch (S) {
        case Site::GreenInBlueRow:
            return {right, smooth ? meanDown(self, diagonal) : self, below};
        case Site::GreenInRedRow:
            return {below, smooth ? meanDown(self, diagonal) : self, right};
        case Site::Blue:
            return {self, meanDown(below, right), diagonal};
        case Site::Red:
        default:
            return {diagonal, meanDown(below, right), self};
    }
}

// The flag is read once per block: a conversion that another thread
// switches to smoothing changes variant at the next block.
template <typename Row, typename Smoothing>
PIXMILL_VECTOR_INLINE Planes windowBlock(const std::uint8_t* s, std::ptrdiff_t stride) {
    const bool smooth = Smoothing::on();
    return byParity(windowSites<Row::even>(s, stride, smooth), windowSites<Row::odd>(s, stride, smooth));
}

template <typename Row, typename Smoothing>
std::ptrdiff_t windowSse2(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                          const LookupTables& tables, std::uint8_t* out) {
    const bool unmapped = allIdentity(tables);
    std::ptrdiff_t c = 0;
    for (; c + kBlock <= count; c += kBlock) {
        const Planes p = windowBlock<Row, Smoothing>(s + c, stride);
        if (unmapped)
            storeInterleaved(out + 3 * c, p);
        else
            storeMapped(out + 3 * c, p, tables);
    }
    return c;
}

template <typename Row, typename Smoothing>
__attribute__((target("avx"))) std::ptrdiff_t windowAvx(const std::uint8_t* s, std::ptrdiff_t stride,
                                                       std::ptrdiff_t count, const LookupTables& tables,
                                                       std::uint8_t* out) {
    const bool unmapped = allIdentity(tables);
    std::ptrdiff_t c = 0;
    for (; c + kBlock <= count; c += kBlock) {
        const Planes p = windowBlock<Row, Smoothing>(s + c, stride);
        if (unmapped)
            storeShuffled(out + 3 * c, p);
        else
            storeMapped(out + 3 * c, p, tables);
    }
    return c;
}

}  // namespace

template <typename Row, typename Smoothing>
std::ptrdiff_t forwardWindowColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                    const LookupTables& tables, std::uint8_t* out, Path path) {
    switch (path) {
        case Path::Avx: return windowAvx<Row, Smoothing>(s, stride, count, tables, out);
        case Path::Sse2: return windowSse2<Row, Smoothing>(s, stride, count, tables, out);
        default: return 0;
    }
}

#define PIXMILL_FORWARD_WINDOW_COLUMNS(Row, Smoothing)                                                       \
    template std::ptrdiff_t forwardWindowColumns<Row, Smoothing>(const std::uint8_t*, std::ptrdiff_t,       \
                                                                 std::ptrdiff_t, const LookupTables&,       \
                                                                 std::uint8_t*, Path);
#define PIXMILL_FORWARD_WINDOW_ROWS(Smoothing)              \
    PIXMILL_FORWARD_WINDOW_COLUMNS(BlueGreenRow, Smoothing) \
    PIXMILL_FORWARD_WINDOW_COLUMNS(GreenRedRow, Smoothing)  \
    PIXMILL_FORWARD_WINDOW_COLUMNS(GreenBlueRow, Smoothing) \
    PIXMILL_FORWARD_WINDOW_COLUMNS(RedGreenRow, Smoothing)
PIXMILL_FORWARD_WINDOW_ROWS(SmoothingFromFlag)
PIXMILL_FORWARD_WINDOW_ROWS(SmoothingAlways)
PIXMILL_FORWARD_WINDOW_ROWS(SmoothingNever)

}  // namespace simd
}  // namespace pm

#endif

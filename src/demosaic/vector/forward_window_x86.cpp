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
struct WindowBlock {
    PIXMILL_VECTOR_INLINE static Planes at(const std::uint8_t* s, std::ptrdiff_t stride) {
        const bool smooth = Smoothing::on();
        return byParity(windowSites<Row::even>(s, stride, smooth), windowSites<Row::odd>(s, stride, smooth));
    }
};

}  // namespace

template <typename Row, typename Smoothing>
std::ptrdiff_t forwardWindowColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                    const LookupTables& tables, std::uint8_t* out, Path path) {
    return runBlocksOn<WindowBlock<Row, Smoothing>>(path, s, stride, count, tables, out);
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

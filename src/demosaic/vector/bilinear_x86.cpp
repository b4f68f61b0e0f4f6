// x86 prefixes of the bilinear row kernel (bilinear.cpp): the same means of
// the 3 x 3 neighbourhood, 16 pixels per step.  Both site types of the row
// are computed for all 16 lanes and each lane keeps the one of its column.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/x86_pixels.h"

namespace pm {
namespace simd {
namespace {

template <Site S, RedSiteGreen Green>
PIXMILL_VECTOR_INLINE Planes bilinearSites(const std::uint8_t* s, std::ptrdiff_t stride) {
    const __m128i self = load16(s), up = load16(s - stride), down = load16(s + stride);
    const __m128i left = load16(s - 1), right = load16(s + 1);
    switch (S) {
        case Site::GreenInBlueRow:
            return {meanDown(left, right), self, meanDown(up, down)};
        case Site::GreenInRedRow:
            return {meanDown(up, down), self, meanDown(left, right)};
        case Site::Blue:
            return {self, quarterOfSum(down, left, up, right),
                    quarterOfSum(load16(s - stride - 1), load16(s - stride + 1), load16(s + stride - 1),
                                 load16(s + stride + 1))};
        case Site::Red:
        default:
            return {quarterOfSum(load16(s - stride - 1), load16(s - stride + 1), load16(s + stride - 1),
                                 load16(s + stride + 1)),
                    Green == RedSiteGreen::LowerLeft ? meanDown(down, left) : quarterOfSum(down, left, up, right),
                    self};
    }
}

template <typename Row, RedSiteGreen Green>
struct BilinearBlock {
    PIXMILL_VECTOR_INLINE static Planes at(const std::uint8_t* s, std::ptrdiff_t stride) {
        return byParity(bilinearSites<Row::even, Green>(s, stride), bilinearSites<Row::odd, Green>(s, stride));
    }
};

}  // namespace

template <typename Row, RedSiteGreen Green>
std::ptrdiff_t bilinearColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                               const LookupTables& tables, std::uint8_t* out, Path path) {
    return runBlocksOn<BilinearBlock<Row, Green>>(path, s, stride, count, tables, out);
}

#define PIXMILL_BILINEAR_COLUMNS(Row, Green)                                                              \
    template std::ptrdiff_t bilinearColumns<Row, Green>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, \
                                                        const LookupTables&, std::uint8_t*, Path);
#define PIXMILL_BILINEAR_ROWS(Green)                   \
    PIXMILL_BILINEAR_COLUMNS(BlueGreenRow, Green)      \
    PIXMILL_BILINEAR_COLUMNS(GreenRedRow, Green)       \
    PIXMILL_BILINEAR_COLUMNS(GreenBlueRow, Green)      \
    PIXMILL_BILINEAR_COLUMNS(RedGreenRow, Green)
PIXMILL_BILINEAR_ROWS(RedSiteGreen::LowerLeft)
PIXMILL_BILINEAR_ROWS(RedSiteGreen::FourNeighbours)

}  // namespace simd
}  // namespace pm

#endif

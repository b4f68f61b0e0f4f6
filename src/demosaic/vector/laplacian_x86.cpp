// The Laplacian-corrected prefixes of vector_paths.h: the path of the
// conversion's plan picks the blocks of its instruction set
// (laplacian_blocks.h, built in pixels_*.cpp); AVX-512 hands runs shorter
// than its 64-pixel block to AVX2.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/pixel_paths.h"

namespace pm {
namespace simd {

template <typename Row>
std::ptrdiff_t laplacianGreenColumns(const std::uint8_t* const* rows, std::ptrdiff_t count, std::uint8_t* green,
                                     std::uint8_t* mapped, const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, laplacianGreenBlocks, (<Row>), (rows, count, green, mapped, plan))
}

template <typename Row>
std::ptrdiff_t laplacianFinishColumns(const std::uint8_t* const* rows, const std::uint8_t* const* greens,
                                      std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan, bool bottomUp) {
    PIXMILL_ON_PATH(plan, count, laplacianFinishBlocks, (<Row>), (rows, greens, count, out, plan, bottomUp))
}

#define PIXMILL_LAPLACIAN_COLUMNS(Row)                                                                         \
    template std::ptrdiff_t laplacianGreenColumns<Row>(const std::uint8_t* const*, std::ptrdiff_t,            \
                                                       std::uint8_t*, std::uint8_t*, const RowPlan&);         \
    template std::ptrdiff_t laplacianFinishColumns<Row>(const std::uint8_t* const*, const std::uint8_t* const*, \
                                                        std::ptrdiff_t, std::uint8_t*, const RowPlan&, bool);
PIXMILL_LAPLACIAN_COLUMNS(BlueGreenRow)
PIXMILL_LAPLACIAN_COLUMNS(GreenRedRow)
PIXMILL_LAPLACIAN_COLUMNS(GreenBlueRow)
PIXMILL_LAPLACIAN_COLUMNS(RedGreenRow)

}  // namespace simd
}  // namespace pm

#endif

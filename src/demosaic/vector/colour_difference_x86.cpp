// The colour-difference prefixes of vector_paths.h: the path of the
// conversion's plan picks the blocks of its instruction set
// (colour_difference_blocks.h, built in pixels_*.cpp); AVX-512 hands runs
// shorter than its 64-column block to AVX2.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/pixel_paths.h"

namespace pm {
namespace simd {

std::ptrdiff_t differenceEstimateColumns(const std::int16_t* a, const std::int16_t* c, const std::int16_t* g0,
                                         const std::int16_t* g2, std::ptrdiff_t count, std::int16_t* difference,
                                         std::int16_t* whole, const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, differenceEstimateBlocks, (), (a, c, g0, g2, count, difference, whole))
}

template <typename Row>
std::ptrdiff_t differencePixelColumns(const DifferenceLines& lines, std::ptrdiff_t count, std::uint8_t* out,
                                      const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, differencePixelBlocks, (<Row>), (lines, count, out, plan))
}

template std::ptrdiff_t differencePixelColumns<BlueGreenRow>(const DifferenceLines&, std::ptrdiff_t, std::uint8_t*,
                                                             const RowPlan&);
template std::ptrdiff_t differencePixelColumns<GreenRedRow>(const DifferenceLines&, std::ptrdiff_t, std::uint8_t*,
                                                            const RowPlan&);
template std::ptrdiff_t differencePixelColumns<GreenBlueRow>(const DifferenceLines&, std::ptrdiff_t, std::uint8_t*,
                                                             const RowPlan&);
template std::ptrdiff_t differencePixelColumns<RedGreenRow>(const DifferenceLines&, std::ptrdiff_t, std::uint8_t*,
                                                            const RowPlan&);

}  // namespace simd
}  // namespace pm

#endif

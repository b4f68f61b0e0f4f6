// The directional-green prefix of vector_paths.h: the path of the
// conversion's plan picks the blocks of its instruction set
// (directional_green_blocks.h, built in pixels_*.cpp); AVX-512 hands runs
// shorter than its 64-column block to AVX2.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/pixel_paths.h"

namespace pm {
namespace simd {

template <typename Row>
std::ptrdiff_t directionalGreenColumns(const std::uint8_t* const* m, std::ptrdiff_t count, std::uint8_t* green,
                                       const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, directionalGreenBlocks, (<Row>), (m, count, green, plan))
}

template std::ptrdiff_t directionalGreenColumns<BlueGreenRow>(const std::uint8_t* const*, std::ptrdiff_t,
                                                              std::uint8_t*, const RowPlan&);
template std::ptrdiff_t directionalGreenColumns<GreenRedRow>(const std::uint8_t* const*, std::ptrdiff_t,
                                                             std::uint8_t*, const RowPlan&);
template std::ptrdiff_t directionalGreenColumns<GreenBlueRow>(const std::uint8_t* const*, std::ptrdiff_t,
                                                              std::uint8_t*, const RowPlan&);
template std::ptrdiff_t directionalGreenColumns<RedGreenRow>(const std::uint8_t* const*, std::ptrdiff_t,
                                                             std::uint8_t*, const RowPlan&);

}  // namespace simd
}  // namespace pm

#endif

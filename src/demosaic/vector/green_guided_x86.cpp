// The green-guided prefixes of vector_paths.h: the path of the conversion's
// plan picks the blocks of its instruction set (guided_blocks.h, built in
// pixels_*.cpp); AVX-512 hands runs shorter than its 64-pixel block to AVX2.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/pixel_paths.h"

namespace pm {
namespace simd {

std::ptrdiff_t mapGreenColumns(const std::uint8_t* in, std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, guidedMapBlocks, (), (in, count, out, plan))
}

template <typename Row>
std::ptrdiff_t guidedGreenColumns(const std::uint8_t* const* m, std::ptrdiff_t count, std::uint8_t* green,
                                  const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, guidedGreenBlocks, (<Row>), (m, count, green, plan))
}

template <typename Row>
std::ptrdiff_t guidedColourColumns(const std::uint8_t* const* m, const std::uint8_t* raw, const std::uint8_t* const* g,
                                   std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, guidedColourBlocks, (<Row>), (m, raw, g, count, out, plan))
}

#define PIXMILL_GUIDED_COLUMNS(Row)                                                                              \
    template std::ptrdiff_t guidedGreenColumns<Row>(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*,  \
                                                    const RowPlan&);                                            \
    template std::ptrdiff_t guidedColourColumns<Row>(const std::uint8_t* const*, const std::uint8_t*,           \
                                                     const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*, \
                                                     const RowPlan&);
PIXMILL_GUIDED_COLUMNS(BlueGreenRow)
PIXMILL_GUIDED_COLUMNS(GreenRedRow)
PIXMILL_GUIDED_COLUMNS(GreenBlueRow)
PIXMILL_GUIDED_COLUMNS(RedGreenRow)

}  // namespace simd
}  // namespace pm

#endif

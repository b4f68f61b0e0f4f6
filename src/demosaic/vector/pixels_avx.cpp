// The vector prefixes in AVX, 16 pixels per step, with byte shuffles for
// the interleave and the table look-ups.  Everything after the target line
// is built for AVX and runs only after the processor check.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/target_sets.h"
#include "demosaic/vector/pixel_paths.h"
#include "demosaic/vector/x86_pixels.h"

PIXMILL_TARGET_BEGIN("avx")

#include "demosaic/vector/isa_avx.h"
#include "demosaic/vector/colour_difference_blocks.h"
#include "demosaic/vector/directional_green_blocks.h"
#include "demosaic/vector/gradient_blocks.h"
#include "demosaic/vector/guided_blocks.h"
#include "demosaic/vector/laplacian_blocks.h"
#include "demosaic/vector/median_blocks.h"
#include "demosaic/vector/pixel_blocks.h"

namespace pm {
namespace simd {

PIXMILL_PIXEL_BLOCKS(Avx, AvxOps)
PIXMILL_GRADIENT_BLOCKS(Avx, AvxOps)
PIXMILL_LAPLACIAN_BLOCKS(Avx, AvxOps)
PIXMILL_GUIDED_BLOCKS(Avx, AvxOps)
PIXMILL_MEDIAN_BLOCKS(Avx, AvxOps)
PIXMILL_COLOUR_DIFFERENCE_BLOCKS(Avx, AvxOps)
PIXMILL_DIRECTIONAL_GREEN_BLOCKS(Avx, AvxOps)

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

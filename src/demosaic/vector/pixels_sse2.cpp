// The vector prefixes in SSE2, 16 pixels per step: bilinear, forward window
// and gradient-directed rows.  SSE2 has no byte shuffle: arbitrary tables
// are looked up one byte at a time from general registers (storeMapped),
// and the blocks that map samples themselves (mapped window, gradient
// through tables) are left to the scalar rules.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/isa_sse2.h"
#include "demosaic/vector/pixel_paths.h"
#include "demosaic/vector/x86_pixels.h"
#include "demosaic/vector/colour_difference_blocks.h"
#include "demosaic/vector/directional_green_blocks.h"
#include "demosaic/vector/gradient_blocks.h"
#include "demosaic/vector/guided_blocks.h"
#include "demosaic/vector/laplacian_blocks.h"
#include "demosaic/vector/median_blocks.h"
#include "demosaic/vector/pixel_blocks.h"

namespace pm {
namespace simd {

PIXMILL_PIXEL_BLOCKS(Sse2, Sse2Ops)
PIXMILL_GRADIENT_BLOCKS(Sse2, Sse2Ops)
PIXMILL_LAPLACIAN_BLOCKS(Sse2, Sse2Ops)
PIXMILL_GUIDED_BLOCKS(Sse2, Sse2Ops)
PIXMILL_MEDIAN_BLOCKS(Sse2, Sse2Ops)
PIXMILL_COLOUR_DIFFERENCE_BLOCKS(Sse2, Sse2Ops)
PIXMILL_DIRECTIONAL_GREEN_BLOCKS(Sse2, Sse2Ops)

}  // namespace simd
}  // namespace pm

#endif

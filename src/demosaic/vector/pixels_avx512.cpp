// The vector prefixes in AVX-512, 64 pixels per step, on processors with its
// byte instructions (BW) and byte permutes (VBMI).  Everything after the
// target line is built for AVX-512 and runs only after the processor check.
// GCC 12 takes the inputs that the unmasked AVX-512 intrinsics of its own
// headers leave undefined on purpose for uninitialised values; the warning
// is off for these files only, before those headers are read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_AVX512

#include "demosaic/vector/target_sets.h"
#include <immintrin.h>

#include "demosaic/vector/pixel_paths.h"

PIXMILL_TARGET_BEGIN("avx512f,avx512bw,avx512vbmi")

#include "demosaic/vector/isa_avx512.h"
#include "demosaic/vector/colour_difference_blocks.h"
#include "demosaic/vector/directional_green_blocks.h"
#include "demosaic/vector/gradient_blocks.h"
#include "demosaic/vector/guided_blocks.h"
#include "demosaic/vector/laplacian_blocks.h"
#include "demosaic/vector/median_blocks.h"
#include "demosaic/vector/pixel_blocks.h"

namespace pm {
namespace simd {

PIXMILL_PIXEL_BLOCKS(Avx512, Avx512Ops)
PIXMILL_GRADIENT_BLOCKS(Avx512, Avx512Ops)
PIXMILL_LAPLACIAN_BLOCKS(Avx512, Avx512Ops)
PIXMILL_GUIDED_BLOCKS(Avx512, Avx512Ops)
PIXMILL_MEDIAN_BLOCKS(Avx512, Avx512Ops)
PIXMILL_COLOUR_DIFFERENCE_BLOCKS(Avx512, Avx512Ops)
PIXMILL_DIRECTIONAL_GREEN_BLOCKS(Avx512, Avx512Ops)

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

// The vector prefixes in AVX-512, 64 pixels per step, on processors with its
// byte instructions (BW) and byte permutes (VBMI).  Everything after the
// target line is built for AVX-512 and runs only after the processor check.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/vector/target_sets.h"
#include <immintrin.h>

#include "demosaic/vector/pixel_paths.h"

PIXMILL_TARGET_BEGIN("avx512f,avx512bw,avx512vbmi")

#include "demosaic/vector/isa_avx512.h"
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

}  // namespace simd
}  // namespace pm

PIXMILL_TARGET_END()

#endif

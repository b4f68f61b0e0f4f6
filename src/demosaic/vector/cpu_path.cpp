// Which vector path this processor runs.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

namespace pm {
namespace simd {

// Asked afresh each time (a load and a bit test of what the runtime found at
// start-up), so the library keeps no state of its own for it.  The check also
// covers the operating system's saving of the AVX state.
Path bestPath() { return __builtin_cpu_supports("avx") ? Path::Avx : Path::Sse2; }

Path bestPathWithAvx2() { return __builtin_cpu_supports("avx2") ? Path::Avx2 : Path::Sse2; }
bool hasAvx2() { return __builtin_cpu_supports("avx2"); }

}  // namespace simd
}  // namespace pm

#endif

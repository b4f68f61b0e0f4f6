// Which vector path this processor runs.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

namespace pm {
namespace simd {

Path bestPath() {
    // The check also covers the operating system's saving of the AVX state.
    static const Path path = __builtin_cpu_supports("avx") ? Path::Avx : Path::Sse2;
    return path;
}

}  // namespace simd
}  // namespace pm

#endif

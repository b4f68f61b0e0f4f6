// Which vector path this processor runs.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

namespace pm {
namespace simd {

// Asked afresh each time (a load and a bit test of what the runtime found at
// start-up), so the library keeps no state of its own for it.  The check also
// covers the operating system's saving of the AVX state.  A conversion asks
// once, when it starts.
Path bestPath() {
    if (pathAvailable(Path::Avx512)) return Path::Avx512;
    if (__builtin_cpu_supports("avx2")) return Path::Avx2;
    return __builtin_cpu_supports("avx") ? Path::Avx : Path::Sse2;
}

Path bestPathWithAvx2() { return __builtin_cpu_supports("avx2") ? Path::Avx2 : Path::Sse2; }
bool hasAvx2() { return __builtin_cpu_supports("avx2"); }

bool pathAvailable(Path path) {
    switch (path) {
        case Path::Avx512:
            return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
                   __builtin_cpu_supports("avx2");
        case Path::Avx2: return __builtin_cpu_supports("avx2");
        case Path::Avx: return __builtin_cpu_supports("avx");
        default: return true;
    }
}

}  // namespace simd
}  // namespace pm

#endif

// Which vector path this processor runs.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include <cpuid.h>

#include "frame/cpu_cap.h"

namespace pm {
namespace simd {
namespace {

// One entry of the processor's deterministic cache leaf: its level, 0 when
// the entry describes no data or unified cache.
struct CacheEntry {
    unsigned level;
    std::size_t bytes;
};
CacheEntry cacheEntry(unsigned leaf, unsigned index) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, index, a, b, c, d);
    const unsigned type = a & 31u;  // 0 none, 1 data, 2 instruction, 3 unified
    if (type != 1 && type != 3) return {0, 0};
    const std::size_t ways = (b >> 22) + 1, partitions = ((b >> 12) & 0x3ffu) + 1, line = (b & 0xfffu) + 1;
    return {(a >> 5) & 7u, ways * partitions * line * (std::size_t{c} + 1)};
}

// The size of the last-level cache as one core sees it, from the
// deterministic cache leaf (leaf 4; on AMD and Hygon 0x8000001D), 0 when
// the processor does not describe it.  The C library's figure comes from an
// older leaf, which under some hypervisors gives the whole host's cache.
// Each question can cost microseconds under a hypervisor, so the fourth
// entry, the third level on every processor that has one, is asked first.
std::size_t lastLevelCacheBytes() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid(0, a, b, c, d);
    const bool amdStyle = b == 0x68747541u /* "Auth" */ || b == 0x6f677948u /* "Hygo" */;
    if (!amdStyle && a < 4) return 0;
    // AMD processors answer zeros past their last leaf, so an older one
    // without 0x8000001D describes no cache.
    const unsigned leaf = amdStyle ? 0x8000001Du : 4u;
    const CacheEntry third = cacheEntry(leaf, 3);
    if (third.level == 3) return third.bytes;
    std::size_t largest = 0;
    for (unsigned index = 0; index < 8; ++index) {
        const CacheEntry entry = cacheEntry(leaf, index);
        if (entry.bytes > largest) largest = entry.bytes;
    }
    return largest;
}

// Below this the image fits the last-level cache of any processor with
// AVX2, and the processor is not asked.
constexpr std::size_t kSmallImageBytes = std::size_t{8} << 20;

}  // namespace

bool largerThanCache(std::size_t imageBytes) {
    if (imageBytes <= kSmallImageBytes) return false;
    const std::size_t cache = lastLevelCacheBytes();
    return cache > 0 && imageBytes > cache;
}

namespace {

// The instruction-set level a path needs.
CpuLevel levelOf(Path path) {
    switch (path) {
        case Path::Avx512: return CpuLevel::Avx512;
        case Path::Avx2: return CpuLevel::Avx2;
        case Path::Avx: return CpuLevel::Avx;
        case Path::Sse2: return CpuLevel::Sse2;
        default: return CpuLevel::Scalar;
    }
}

// Whether a conversion may pick `path` by itself: the processor runs it and
// PIXMILL_CPU_MAX (cpu_cap.h) allows it.
bool pathAllowed(Path path) { return cpuCapAllows(levelOf(path)) && pathAvailable(path); }

}  // namespace

// Asked afresh each time (the cap is read once per process; the rest is a
// load and a bit test of what the runtime found at start-up).  The check also
// covers the operating system's saving of the AVX state.  A conversion asks
// once, when it starts.
Path bestPath() {
    for (Path path : {Path::Avx512, Path::Avx2, Path::Avx, Path::Sse2})
        if (pathAllowed(path)) return path;
    return Path::Scalar;
}

Path bestPathWithAvx2() {
    return pathAllowed(Path::Avx2) ? Path::Avx2 : pathAllowed(Path::Sse2) ? Path::Sse2 : Path::Scalar;
}
bool hasAvx2() { return pathAllowed(Path::Avx2); }

bool pathAvailable(Path path) {
    switch (path) {
        case Path::Avx512:
#ifndef PIXMILL_VECTOR_AVX512
            return false;
#endif
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

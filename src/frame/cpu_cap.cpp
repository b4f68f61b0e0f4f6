#include "frame/cpu_cap.h"

#include <cstddef>
#include <cstdlib>

namespace pm {
namespace {

// ASCII only: the locale has no say in it.
char lowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

CpuLevel cpuLevelNamed(const char* value) {
    if (value == nullptr || *value == '\0') return CpuLevel::Unlimited;
    static const struct {
        const char* name;
        CpuLevel level;
    } kLevels[] = {{"scalar", CpuLevel::Scalar}, {"sse2", CpuLevel::Sse2}, {"ssse3", CpuLevel::Ssse3},
                   {"avx", CpuLevel::Avx},       {"avx2", CpuLevel::Avx2}, {"avx512", CpuLevel::Avx512}};
    for (const auto& entry : kLevels) {
        std::size_t i = 0;
        while (entry.name[i] != '\0' && lowerCase(value[i]) == entry.name[i]) ++i;
        if (entry.name[i] == '\0' && value[i] == '\0') return entry.level;
    }
    return CpuLevel::Scalar;
}

// A function-local constant: initialised once, on the first call, even when
// several threads make it at once; every later call is a load.
CpuLevel cpuCap() {
    static const CpuLevel cap = cpuLevelNamed(std::getenv("PIXMILL_CPU_MAX"));
    return cap;
}

}  // namespace pm

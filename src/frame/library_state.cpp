#include "frame/library_state.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace pm {

namespace {
constexpr std::array<std::uint16_t, 65536> makeIdentityTable16() {
    std::array<std::uint16_t, 65536> table{};
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint16_t>(i);
    return table;
}
}  // namespace

// Computed at compile time: constant-initialised, in read-only memory.
constexpr std::array<std::uint16_t, 65536> identityTable16 = makeIdentityTable16();

std::atomic<std::int32_t> smoothingFlag{0};
std::atomic<std::int32_t> deadPixelThreshold{10};
MethodLock methodLock;

#ifdef _WIN32
static_assert(sizeof(SRWLOCK) == sizeof(void*), "an SRWLOCK is one pointer");
void MethodLock::lock() { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)); }
void MethodLock::unlock() { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)); }
#endif

}  // namespace pm

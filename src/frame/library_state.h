// The library's process-wide objects: the identity table, the smoothing flag,
// the dead-pixel threshold and the method lock.  Nothing else outlives a call.
#ifndef PIXMILL_FRAME_LIBRARY_STATE_H
#define PIXMILL_FRAME_LIBRARY_STATE_H

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace pm {

// Entry i holds i.  It stands in for every null table argument.  The table is
// constant data: its contents never change, so it is "filled" before the
// first call of any export, and a caller that was handed its address cannot
// corrupt later conversions by writing through it.
constexpr std::array<std::uint8_t, 256> makeIdentityTable() {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i);
    return table;
}
inline constexpr std::array<std::uint8_t, 256> identityTable = makeIdentityTable();

// The 16-bit counterpart: 65536 entries, entry i = i.  A record conversion of
// 16-bit samples whose table is missing maps through it, so every sample
// value has an entry.  Constant data like the 8-bit table (library_state.cpp).
extern const std::array<std::uint16_t, 65536> identityTable16;

// Replaces a null table by the identity table.
inline const std::uint8_t* tableOrIdentity(const std::uint8_t* table) {
    return table != nullptr ? table : identityTable.data();
}

// 0 at load; set to 1 by the smoothing conversions and never cleared.  Read
// with relaxed loads: a concurrent setter only changes which variant a
// running conversion uses from then on.
extern std::atomic<std::int32_t> smoothingFlag;

inline bool smoothingOn() { return smoothingFlag.load(std::memory_order_relaxed) != 0; }
inline void setSmoothing() { smoothingFlag.store(1, std::memory_order_relaxed); }

// Dead-pixel threshold, 10 at load, read for every sample during detection.
extern std::atomic<std::int32_t> deadPixelThreshold;

// Serialises the one method that needs it.  Either form is constant-
// initialised, so the lock exists before any constructor of the library runs
// and before the first call, with nothing to create at load or delete at
// unload.  On Windows it is a slim reader/writer lock of the system used
// exclusively; elsewhere a std::mutex.  Both are used as
// std::lock_guard lock(methodLock).
#ifdef _WIN32
class MethodLock {
public:
    constexpr MethodLock() = default;
    MethodLock(const MethodLock&) = delete;
    MethodLock& operator=(const MethodLock&) = delete;
    void lock();
    void unlock();

private:
    void* srw_ = nullptr;  // an SRWLOCK: one pointer, zero when unlocked
};
#else
using MethodLock = std::mutex;
#endif
extern MethodLock methodLock;

}  // namespace pm

#endif

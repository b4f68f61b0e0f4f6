#include "frame/library_state.h"

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
std::mutex methodLock;

}  // namespace pm

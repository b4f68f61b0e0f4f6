#include "frame/library_state.h"

namespace pm {

std::atomic<std::int32_t> smoothingFlag{0};
std::atomic<std::int32_t> deadPixelThreshold{10};
std::mutex methodLock;

}  // namespace pm

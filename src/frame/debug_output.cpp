#include "frame/debug_output.h"

#include <atomic>

namespace pm {
namespace {

// A test's sink may be installed while other threads convert, so the pointer
// is atomic; with none installed a message costs one load.
std::atomic<DebugSink> debugSink{nullptr};

}  // namespace

void debugOutput(const char* message) {
    if (DebugSink sink = debugSink.load(std::memory_order_acquire)) sink(message);
}

DebugSink setDebugSink(DebugSink sink) { return debugSink.exchange(sink, std::memory_order_acq_rel); }

}  // namespace pm

#include "frame/debug_output.h"

#include <atomic>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace pm {
namespace {

// A test's sink may be installed while other threads convert, so the pointer
// is atomic; with none installed a message costs one load.
std::atomic<DebugSink> debugSink{nullptr};

}  // namespace

void debugOutput(const char* message) {
#ifdef _WIN32
    // Windows has a debugger channel of its own; a debugger or a viewer of
    // debug output shows the text, and without one the call costs little.
    OutputDebugStringA(message);
#endif
    if (DebugSink sink = debugSink.load(std::memory_order_acquire)) sink(message);
}

DebugSink setDebugSink(DebugSink sink) { return debugSink.exchange(sink, std::memory_order_acq_rel); }

}  // namespace pm

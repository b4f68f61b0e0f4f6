// Whether a forward-window green site takes the mean of its two greens: the
// smoothing policies that the window's scalar kernel and its vector blocks
// take as a template parameter.
#ifndef PIXMILL_DEMOSAIC_SMOOTHING_H
#define PIXMILL_DEMOSAIC_SMOOTHING_H

#include "frame/library_state.h"

namespace pm {

// Smoothing policies.  The flag is read at every green site by the scalar
// kernel and once per block of 16 or 32 pixels by its vector prefix, never
// once per call, so a conversion that another thread switches on mid-way
// smooths from that point on (at most 32 pixels later), as the flag's
// description demands.
struct SmoothingFromFlag {
    static bool on() { return smoothingOn(); }
};
struct SmoothingAlways {
    static constexpr bool on() { return true; }
};
struct SmoothingNever {
    static constexpr bool on() { return false; }
};

}  // namespace pm

#endif

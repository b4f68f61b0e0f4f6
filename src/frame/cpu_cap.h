// The highest instruction set the library may use when it picks a vector
// path by itself: the environment variable PIXMILL_CPU_MAX, read once.  It
// lets a test, a fuzz run or the user of a suspect processor run the older
// paths on any machine.  It only ever lowers the choice: a path the
// processor lacks is never picked, whatever the variable says.  Paths a
// caller names (the tests' per-path runs) are not capped.
#ifndef PIXMILL_FRAME_CPU_CAP_H
#define PIXMILL_FRAME_CPU_CAP_H

namespace pm {

// In order; a processor with one level has every level below it.  SSSE3
// has no path of its own (the AVX path is the first with a byte shuffle), so
// a cap there picks SSE2.  Unlimited: no cap.
enum class CpuLevel { Scalar, Sse2, Ssse3, Avx, Avx2, Avx512, Unlimited };

// The level a value of PIXMILL_CPU_MAX names: "scalar", "sse2", "ssse3",
// "avx", "avx2" or "avx512", in any case.  Null (unset) or empty is no cap.
// Anything else caps at Scalar: the variable is set to keep paths out, so a
// mistyped one must not leave them all in; the scalar code gives the same
// bytes, only slower.
CpuLevel cpuLevelNamed(const char* value);

// The cap of this process: the variable as it was at the first call, which
// reads it (later changes are not seen).
CpuLevel cpuCap();

// Whether an automatic choice may use the instruction sets of `level`.
inline bool cpuCapAllows(CpuLevel level) { return level <= cpuCap(); }

}  // namespace pm

#endif

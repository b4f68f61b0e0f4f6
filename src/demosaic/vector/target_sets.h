// Compiling a stretch of a source file for more instruction sets than the
// rest of the library, which runs on any x86-64 processor (and any 32-bit
// x86 one with SSE2):
//   PIXMILL_TARGET_BEGIN("avx2")
//   ... functions built for AVX2, to be called only after the processor check
//   PIXMILL_TARGET_END()
// GCC takes a target pragma for the stretch; clang ignores that pragma and
// needs the target attribute on each function, which it gives everything up
// to the end mark.
#ifndef PIXMILL_DEMOSAIC_VECTOR_TARGET_SETS_H
#define PIXMILL_DEMOSAIC_VECTOR_TARGET_SETS_H

#define PIXMILL_PRAGMA(...) _Pragma(#__VA_ARGS__)

#ifdef __clang__
#define PIXMILL_TARGET_BEGIN(sets) \
    PIXMILL_PRAGMA(clang attribute push(__attribute__((target(sets))), apply_to = function))
#define PIXMILL_TARGET_END() PIXMILL_PRAGMA(clang attribute pop)
#else
#define PIXMILL_TARGET_BEGIN(sets) PIXMILL_PRAGMA(GCC push_options) PIXMILL_PRAGMA(GCC target(sets))
#define PIXMILL_TARGET_END() PIXMILL_PRAGMA(GCC pop_options)
#endif

#endif

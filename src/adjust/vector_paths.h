// Optional AVX2 prefixes of the adjustments' scalar loops.  Each handles a
// leading run of its loop (a multiple of its block) with exactly the scalar
// loop's values and reports how far it got; the scalar loop finishes.  The
// scalar routines stay the definition of every value.
#ifndef PIXMILL_ADJUST_VECTOR_PATHS_H
#define PIXMILL_ADJUST_VECTOR_PATHS_H

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define PIXMILL_ADJUST_X86 1
#endif

namespace pm {
namespace adjust {

enum class Path { Scalar, Avx2 };

#ifdef PIXMILL_ADJUST_X86

// Avx2 when the processor (and the operating system) supports it and
// PIXMILL_CPU_MAX does not keep it out (frame/cpu_cap.h).
Path bestPath();

// destination[i] = table[source[i]] for i below the returned count (a
// multiple of 32 not above `count`).  In place is allowed.
std::size_t mapBytesAvx2(const std::uint8_t* source, std::size_t count, const std::uint8_t* table,
                         std::uint8_t* destination);

// h[i] = v[i - 3] + v[i] + v[i + 3] for i from `first` up to the returned
// end (first plus a multiple of 16, not above `end`); reads v[first - 3] to
// v[end + 2].
std::ptrdiff_t horizontalSumsAvx2(const std::uint8_t* v, std::ptrdiff_t first, std::ptrdiff_t end, std::int16_t* h);

// out[i] = a[i] + b[i] + c[i], and box[i] += entering[i] - leaving[i], for i
// below the returned count (a multiple of 16).
std::ptrdiff_t sumRowsAvx2(const std::int16_t* a, const std::int16_t* b, const std::int16_t* c, std::ptrdiff_t count,
                           std::int16_t* out);
std::ptrdiff_t slideRowAvx2(std::int16_t* box, const std::int16_t* entering, const std::int16_t* leaving,
                            std::ptrdiff_t count);

// The sharpened bytes of one row for i below the returned count (a multiple
// of 32); handles nothing unless |gain| <= 4095, where every shifted product
// fits 16 bits.
std::ptrdiff_t emphasizeRowAvx2(const std::uint8_t* v, const std::int16_t* box, std::ptrdiff_t count, int gain,
                                std::uint8_t* out);

#else

inline Path bestPath() { return Path::Scalar; }
inline std::size_t mapBytesAvx2(const std::uint8_t*, std::size_t, const std::uint8_t*, std::uint8_t*) { return 0; }
inline std::ptrdiff_t horizontalSumsAvx2(const std::uint8_t*, std::ptrdiff_t first, std::ptrdiff_t, std::int16_t*) {
    return first;
}
inline std::ptrdiff_t sumRowsAvx2(const std::int16_t*, const std::int16_t*, const std::int16_t*, std::ptrdiff_t,
                                  std::int16_t*) {
    return 0;
}
inline std::ptrdiff_t slideRowAvx2(std::int16_t*, const std::int16_t*, const std::int16_t*, std::ptrdiff_t) {
    return 0;
}
inline std::ptrdiff_t emphasizeRowAvx2(const std::uint8_t*, const std::int16_t*, std::ptrdiff_t, int,
                                       std::uint8_t*) {
    return 0;
}

#endif

}  // namespace adjust
}  // namespace pm

#endif

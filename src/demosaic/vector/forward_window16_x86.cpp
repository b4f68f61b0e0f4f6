// x86 prefix of the forward-window row kernel on 16-bit samples stored
// without tables (forward_window_kernel.h, UnmappedBgrWriter): the picks and
// means of each pixel's 2 x 2 window, 8 pixels per step, written as blue,
// green, red words.  Only an AVX path: its byte shuffle interleaves the three
// planes; without it the scalar kernel does the row.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include <array>

#include "demosaic/forward_window_kernel.h"
#include "demosaic/vector/x86_pixels.h"

namespace pm {
namespace simd {
namespace {

constexpr std::ptrdiff_t kBlock16 = 8;

PIXMILL_VECTOR_INLINE __m128i load8(const std::uint16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// (a + b) >> 1 on words: the instruction's mean rounds up (with a 17-bit
// sum inside), so take back the carry of an odd sum.
PIXMILL_VECTOR_INLINE __m128i meanDown16(__m128i a, __m128i b) {
    return _mm_sub_epi16(_mm_avg_epu16(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi16(1)));
}

template <Site S>
PIXMILL_VECTOR_INLINE Planes windowSites16(const std::uint16_t* s, std::ptrdiff_t stride, bool smooth) {
    const __m128i self = load8(s), right = load8(s + 1), below = load8(s + stride);
    const __m128i diagonal = load8(s + stride + 1);
    switch (S) {
        case Site::GreenInBlueRow:
            return {right, smooth ? meanDown16(self, diagonal) : self, below};
        case Site::GreenInRedRow:
            return {below, smooth ? meanDown16(self, diagonal) : self, right};
        case Site::Blue:
            return {self, meanDown16(below, right), diagonal};
        case Site::Red:
        default:
            return {diagonal, meanDown16(below, right), self};
    }
}

// Words 0, 2, 4, ... from `even`, 1, 3, 5, ... from `odd`.
PIXMILL_VECTOR_INLINE __m128i byParity16(__m128i even, __m128i odd) {
    const __m128i evenLanes = _mm_set1_epi32(0x0000FFFF);
    return _mm_or_si128(_mm_and_si128(evenLanes, even), _mm_andnot_si128(evenLanes, odd));
}

PIXMILL_VECTOR_INLINE Planes byParity16(const Planes& even, const Planes& odd) {
    return {byParity16(even.blue, odd.blue), byParity16(even.green, odd.green), byParity16(even.red, odd.red)};
}

// Shuffle mask of output vector `k` (words 8k to 8k + 7 of the interleaved
// pixels) taking plane `plane`'s bytes: word w is pixel w / 3, plane w % 3;
// -1 leaves the byte zero for the other planes to fill.
constexpr std::array<std::int8_t, 16> interleaveMask(int k, int plane) {
    std::array<std::int8_t, 16> mask{};
    for (int i = 0; i < 16; ++i) {
        const int word = 8 * k + i / 2;
        mask[std::size_t(i)] = word % 3 == plane ? std::int8_t(2 * (word / 3) + i % 2) : std::int8_t(-1);
    }
    return mask;
}
template <int K, int Plane>
__attribute__((target("avx"), always_inline)) inline __m128i shuffled(__m128i plane) {
    static constexpr std::array<std::int8_t, 16> mask = interleaveMask(K, Plane);
    return _mm_shuffle_epi8(plane, _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask.data())));
}
template <int K>
__attribute__((target("avx"), always_inline)) inline __m128i interleaved(const Planes& p) {
    return _mm_or_si128(_mm_or_si128(shuffled<K, 0>(p.blue), shuffled<K, 1>(p.green)), shuffled<K, 2>(p.red));
}

template <typename Row, typename Smoothing>
__attribute__((target("avx"))) std::ptrdiff_t runAvx(const std::uint16_t* s, std::ptrdiff_t stride,
                                                     std::ptrdiff_t count, std::uint16_t* out) {
    std::ptrdiff_t c = 0;
    for (; c + kBlock16 <= count; c += kBlock16) {
        const bool smooth = Smoothing::on();
        const Planes p = byParity16(windowSites16<Row::even>(s + c, stride, smooth),
                                    windowSites16<Row::odd>(s + c, stride, smooth));
        __m128i* o = reinterpret_cast<__m128i*>(out + 3 * c);
        _mm_storeu_si128(o, interleaved<0>(p));
        _mm_storeu_si128(o + 1, interleaved<1>(p));
        _mm_storeu_si128(o + 2, interleaved<2>(p));
    }
    return c;
}

}  // namespace

template <typename Row, typename Smoothing>
std::ptrdiff_t forwardWindowColumns16(const std::uint16_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                      std::uint16_t* out, Path path) {
    // The AVX2 and AVX-512 paths run on processors that have AVX too.
    return path >= Path::Avx ? runAvx<Row, Smoothing>(s, stride, count, out) : 0;
}

#define PIXMILL_FORWARD_WINDOW_COLUMNS16(Row, Smoothing)                                                   \
    template std::ptrdiff_t forwardWindowColumns16<Row, Smoothing>(const std::uint16_t*, std::ptrdiff_t, \
                                                                   std::ptrdiff_t, std::uint16_t*, Path);
#define PIXMILL_FORWARD_WINDOW_ROWS16(Smoothing)              \
    PIXMILL_FORWARD_WINDOW_COLUMNS16(BlueGreenRow, Smoothing) \
    PIXMILL_FORWARD_WINDOW_COLUMNS16(GreenRedRow, Smoothing)  \
    PIXMILL_FORWARD_WINDOW_COLUMNS16(GreenBlueRow, Smoothing) \
    PIXMILL_FORWARD_WINDOW_COLUMNS16(RedGreenRow, Smoothing)
PIXMILL_FORWARD_WINDOW_ROWS16(SmoothingFromFlag)
PIXMILL_FORWARD_WINDOW_ROWS16(SmoothingAlways)
PIXMILL_FORWARD_WINDOW_ROWS16(SmoothingNever)

}  // namespace simd
}  // namespace pm

#endif

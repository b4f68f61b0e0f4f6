// The prefixes of each instruction set (pixels_sse2.cpp, pixels_avx.cpp,
// pixels_avx2.cpp, pixels_avx512.cpp), for the dispatch in
// row_prefixes_x86.cpp, laplacian_x86.cpp, green_guided_x86.cpp,
// colour_difference_x86.cpp and directional_green_x86.cpp only: call the AVX
// forms after the processor check.
#ifndef PIXMILL_DEMOSAIC_VECTOR_PIXEL_PATHS_H
#define PIXMILL_DEMOSAIC_VECTOR_PIXEL_PATHS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/vector/vector_paths.h"

// The switch of a prefix: the blocks named `blocks` of the plan's path,
// with the template arguments `of` and the call arguments `args`, each in
// parentheses (`(<Row>)` or `()`; `(s, count, ...)`).  AVX-512 hands runs
// shorter than its 64-pixel block to AVX2; a path not built here (AVX-512 in
// a 32-bit library) handles nothing.
#define PIXMILL_UNPAREN(...) __VA_ARGS__
#define PIXMILL_ON_PATH(plan, count, blocks, of, args)                                               \
    switch ((plan).path) {                                                                          \
        PIXMILL_IF_AVX512(case Path::Avx512                                                         \
                          : if ((count) >= 64) return blocks##Avx512 PIXMILL_UNPAREN of args;       \
                          [[fallthrough]];)                                                         \
        case Path::Avx2: return blocks##Avx2 PIXMILL_UNPAREN of args;                               \
        case Path::Avx: return blocks##Avx PIXMILL_UNPAREN of args;                                 \
        case Path::Sse2: return blocks##Sse2 PIXMILL_UNPAREN of args;                               \
        default: return 0;                                                                          \
    }

namespace pm {
namespace simd {

#define PIXMILL_DECLARE_PIXEL_BLOCKS(Suffix)                                                                    \
    template <typename Row, RedSiteGreen Green>                                                                 \
    std::ptrdiff_t bilinearBlocks##Suffix(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, const RowPlan&,  \
                                          std::uint8_t*);                                                       \
    template <typename Row, typename Smoothing>                                                                 \
    std::ptrdiff_t windowBlocks##Suffix(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, const RowPlan&,    \
                                        std::uint8_t*);                                                         \
    template <typename Row>                                                                                     \
    std::ptrdiff_t mappedBlocks##Suffix(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, const RowPlan&,    \
                                        std::uint8_t*);                                                         \
    template <typename Row>                                                                                     \
    std::ptrdiff_t gradientGreenBlocks##Suffix(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*,       \
                                               const RowPlan&);                                                 \
    template <typename Row>                                                                                     \
    std::ptrdiff_t gradientColourBlocks##Suffix(const std::uint8_t* const*, const std::uint8_t* const*,         \
                                                std::ptrdiff_t, std::uint8_t*, const RowPlan&);                 \
    template <typename Row>                                                                                     \
    std::ptrdiff_t mapSitesBlocks##Suffix(const std::uint8_t*, std::ptrdiff_t, std::uint8_t*, const RowPlan&); \
    template <MedianRule Rule, typename Row>                                                                    \
    std::ptrdiff_t medianBlocks##Suffix(const std::uint8_t*, std::ptrdiff_t, const std::uint8_t* const*,        \
                                        std::ptrdiff_t, std::uint8_t*, const RowPlan&);                         \
    std::ptrdiff_t mapTableBlocks##Suffix(const std::uint8_t*, std::ptrdiff_t, std::uint8_t*, const RowPlan&, int);
PIXMILL_DECLARE_PIXEL_BLOCKS(Sse2)
PIXMILL_DECLARE_PIXEL_BLOCKS(Avx)
PIXMILL_DECLARE_PIXEL_BLOCKS(Avx2)
PIXMILL_DECLARE_PIXEL_BLOCKS(Avx512)
#undef PIXMILL_DECLARE_PIXEL_BLOCKS

#define PIXMILL_DECLARE_LAPLACIAN_BLOCKS(Suffix)                                                                \
    template <typename Row>                                                                                     \
    std::ptrdiff_t laplacianGreenBlocks##Suffix(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*,      \
                                                std::uint8_t*, const RowPlan&);                                 \
    template <typename Row>                                                                                     \
    std::ptrdiff_t laplacianFinishBlocks##Suffix(const std::uint8_t* const*, const std::uint8_t* const*,        \
                                                 std::ptrdiff_t, std::uint8_t*, const RowPlan&, bool);
PIXMILL_DECLARE_LAPLACIAN_BLOCKS(Sse2)
PIXMILL_DECLARE_LAPLACIAN_BLOCKS(Avx)
PIXMILL_DECLARE_LAPLACIAN_BLOCKS(Avx2)
PIXMILL_DECLARE_LAPLACIAN_BLOCKS(Avx512)
#undef PIXMILL_DECLARE_LAPLACIAN_BLOCKS

#define PIXMILL_DECLARE_GUIDED_BLOCKS(Suffix)                                                                   \
    std::ptrdiff_t guidedMapBlocks##Suffix(const std::uint8_t*, std::ptrdiff_t, std::uint8_t*, const RowPlan&); \
    template <typename Row>                                                                                     \
    std::ptrdiff_t guidedGreenBlocks##Suffix(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*,         \
                                             const RowPlan&);                                                   \
    template <typename Row>                                                                                     \
    std::ptrdiff_t guidedColourBlocks##Suffix(const std::uint8_t* const*, const std::uint8_t*,                  \
                                              const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*,        \
                                              const RowPlan&);
PIXMILL_DECLARE_GUIDED_BLOCKS(Sse2)
PIXMILL_DECLARE_GUIDED_BLOCKS(Avx)
PIXMILL_DECLARE_GUIDED_BLOCKS(Avx2)
PIXMILL_DECLARE_GUIDED_BLOCKS(Avx512)
#undef PIXMILL_DECLARE_GUIDED_BLOCKS

#define PIXMILL_DECLARE_COLOUR_DIFFERENCE_BLOCKS(Suffix)                                                        \
    std::ptrdiff_t differenceEstimateBlocks##Suffix(const std::int16_t*, const std::int16_t*, const std::int16_t*, \
                                                    const std::int16_t*, std::ptrdiff_t, std::int16_t*,           \
                                                    std::int16_t*);                                               \
    template <typename Row>                                                                                     \
    std::ptrdiff_t differencePixelBlocks##Suffix(const DifferenceLines&, std::ptrdiff_t, std::uint8_t*,           \
                                                 const RowPlan&);
PIXMILL_DECLARE_COLOUR_DIFFERENCE_BLOCKS(Sse2)
PIXMILL_DECLARE_COLOUR_DIFFERENCE_BLOCKS(Avx)
PIXMILL_DECLARE_COLOUR_DIFFERENCE_BLOCKS(Avx2)
PIXMILL_DECLARE_COLOUR_DIFFERENCE_BLOCKS(Avx512)
#undef PIXMILL_DECLARE_COLOUR_DIFFERENCE_BLOCKS

#define PIXMILL_DECLARE_DIRECTIONAL_GREEN_BLOCKS(Suffix)                                                        \
    template <typename Row>                                                                                     \
    std::ptrdiff_t directionalGreenBlocks##Suffix(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*,    \
                                                  const RowPlan&);
PIXMILL_DECLARE_DIRECTIONAL_GREEN_BLOCKS(Sse2)
PIXMILL_DECLARE_DIRECTIONAL_GREEN_BLOCKS(Avx)
PIXMILL_DECLARE_DIRECTIONAL_GREEN_BLOCKS(Avx2)
PIXMILL_DECLARE_DIRECTIONAL_GREEN_BLOCKS(Avx512)
#undef PIXMILL_DECLARE_DIRECTIONAL_GREEN_BLOCKS

}  // namespace simd
}  // namespace pm

#endif

// The 16-bit forward-window prefixes of vector_paths.h: the plan's path
// picks the instruction set (words_avx.cpp, words_avx2.cpp,
// words_avx512.cpp); AVX-512 hands runs shorter than its 32-pixel block to
// AVX2.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

namespace pm {
namespace simd {

#define PIXMILL_DECLARE_WORD_BLOCKS(Suffix)                                                                      \
    template <typename Row>                                                                                      \
    std::ptrdiff_t windowWords##Suffix(const std::uint16_t*, std::ptrdiff_t, const std::uint16_t* const*,        \
                                       std::ptrdiff_t, std::uint16_t*, const WordPlan&);                         \
    template <typename Row>                                                                                      \
    std::ptrdiff_t mapWordSites##Suffix(const std::uint16_t*, std::ptrdiff_t, std::uint16_t*, const std::uint16_t*);
PIXMILL_DECLARE_WORD_BLOCKS(Avx)
PIXMILL_DECLARE_WORD_BLOCKS(Avx2)
PIXMILL_IF_AVX512(PIXMILL_DECLARE_WORD_BLOCKS(Avx512))
#undef PIXMILL_DECLARE_WORD_BLOCKS

bool wordRowsVectored(const WordPlan& plan) {
    if (!plan.mapped()) return plan.path >= Path::Avx;
    // The gathers read tables by their aligned 32-bit words, which holds a
    // whole entry only at an even address.
    const auto odd = [](const std::uint16_t* t) { return (reinterpret_cast<std::uintptr_t>(t) & 1) != 0; };
    return plan.path >= Path::Avx2 && !odd(plan.red) && !odd(plan.green) && !odd(plan.blue);
}

template <typename Row>
std::ptrdiff_t windowWordColumns(const std::uint16_t* s, std::ptrdiff_t stride, const std::uint16_t* const* mapped,
                                 std::ptrdiff_t count, std::uint16_t* out, const WordPlan& plan) {
    switch (plan.path) {
        PIXMILL_IF_AVX512(case Path::Avx512
                          : if (count >= 32) return windowWordsAvx512<Row>(s, stride, mapped, count, out, plan);
                          [[fallthrough]];)  // shorter runs take the 16-pixel blocks
        case Path::Avx2: return windowWordsAvx2<Row>(s, stride, mapped, count, out, plan);
        case Path::Avx: return windowWordsAvx<Row>(s, stride, mapped, count, out, plan);
        default: return 0;
    }
}

template <typename Row>
std::ptrdiff_t mapWordSiteColumns(const std::uint16_t* raw, std::ptrdiff_t count, std::uint16_t* out,
                                  const std::uint16_t* table, Path path) {
    switch (path) {
        PIXMILL_IF_AVX512(case Path::Avx512
                          : if (count >= 32) return mapWordSitesAvx512<Row>(raw, count, out, table);
                          [[fallthrough]];)
        case Path::Avx2: return mapWordSitesAvx2<Row>(raw, count, out, table);
        default: return 0;
    }
}

#define PIXMILL_WORD_COLUMNS(Row)                                                                                \
    template std::ptrdiff_t windowWordColumns<Row>(const std::uint16_t*, std::ptrdiff_t,                         \
                                                   const std::uint16_t* const*, std::ptrdiff_t, std::uint16_t*,  \
                                                   const WordPlan&);                                             \
    template std::ptrdiff_t mapWordSiteColumns<Row>(const std::uint16_t*, std::ptrdiff_t, std::uint16_t*,        \
                                                    const std::uint16_t*, Path);
PIXMILL_WORD_COLUMNS(BlueGreenRow)
PIXMILL_WORD_COLUMNS(GreenRedRow)
PIXMILL_WORD_COLUMNS(GreenBlueRow)
PIXMILL_WORD_COLUMNS(RedGreenRow)

}  // namespace simd
}  // namespace pm

#endif

// The prefixes of vector_paths.h: the path of the conversion's plan picks
// the instruction set (pixel_paths.h); AVX-512 hands runs shorter than its
// 64-pixel block to AVX2.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_X86

#include "demosaic/smoothing.h"
#include "demosaic/vector/pixel_paths.h"

namespace pm {
namespace simd {

template <typename Row, RedSiteGreen Green>
std::ptrdiff_t bilinearColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                               const RowPlan& plan, std::uint8_t* out) {
    PIXMILL_ON_PATH(plan, count, bilinearBlocks, (<Row, Green>), (s, stride, count, plan, out))
}

template <typename Row, typename Smoothing>
std::ptrdiff_t forwardWindowColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                    const RowPlan& plan, std::uint8_t* out) {
    PIXMILL_ON_PATH(plan, count, windowBlocks, (<Row, Smoothing>), (s, stride, count, plan, out))
}

// Through identity tables mapping first changes nothing, and the rule is the
// unsmoothed forward window.
template <typename Row>
std::ptrdiff_t mappedWindowColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                   const RowPlan& plan, std::uint8_t* out) {
    if (plan.unmapped) return forwardWindowColumns<Row, SmoothingNever>(s, stride, count, plan, out);
    PIXMILL_ON_PATH(plan, count, mappedBlocks, (<Row>), (s, stride, count, plan, out))
}

template <typename Row>
std::ptrdiff_t gradientGreenColumns(const std::uint8_t* const* rows, std::ptrdiff_t count, std::uint8_t* green,
                                    const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, gradientGreenBlocks, (<Row>), (rows, count, green, plan))
}

template <typename Row>
std::ptrdiff_t gradientColourColumns(const std::uint8_t* const* rows, const std::uint8_t* const* greens,
                                     std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, gradientColourBlocks, (<Row>), (rows, greens, count, out, plan))
}

template <typename Row>
std::ptrdiff_t mapSiteColumns(const std::uint8_t* raw, std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, mapSitesBlocks, (<Row>), (raw, count, out, plan))
}

template <MedianRule Rule, typename Row>
std::ptrdiff_t medianColumns(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* const* mappedGreen,
                             std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan) {
    PIXMILL_ON_PATH(plan, count, medianBlocks, (<Rule, Row>), (s, stride, mappedGreen, count, out, plan))
}

std::ptrdiff_t mapTableColumns(const std::uint8_t* in, std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan,
                               int k) {
    PIXMILL_ON_PATH(plan, count, mapTableBlocks, (), (in, count, out, plan, k))
}

#define PIXMILL_ROW_PREFIXES(Row)                                                                               \
    template std::ptrdiff_t bilinearColumns<Row, RedSiteGreen::LowerLeft>(PIXMILL_ROW_PREFIX_ARGS);             \
    template std::ptrdiff_t bilinearColumns<Row, RedSiteGreen::FourNeighbours>(PIXMILL_ROW_PREFIX_ARGS);        \
    template std::ptrdiff_t forwardWindowColumns<Row, SmoothingFromFlag>(PIXMILL_ROW_PREFIX_ARGS);              \
    template std::ptrdiff_t forwardWindowColumns<Row, SmoothingAlways>(PIXMILL_ROW_PREFIX_ARGS);                \
    template std::ptrdiff_t forwardWindowColumns<Row, SmoothingNever>(PIXMILL_ROW_PREFIX_ARGS);                 \
    template std::ptrdiff_t mappedWindowColumns<Row>(PIXMILL_ROW_PREFIX_ARGS);                                  \
    template std::ptrdiff_t gradientGreenColumns<Row>(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*, \
                                                      const RowPlan&);                                          \
    template std::ptrdiff_t gradientColourColumns<Row>(const std::uint8_t* const*, const std::uint8_t* const*,  \
                                                       std::ptrdiff_t, std::uint8_t*, const RowPlan&);          \
    template std::ptrdiff_t mapSiteColumns<Row>(const std::uint8_t*, std::ptrdiff_t, std::uint8_t*, const RowPlan&); \
    PIXMILL_MEDIAN_COLUMNS(MedianRule::Sorted, Row)                                                             \
    PIXMILL_MEDIAN_COLUMNS(MedianRule::Counted, Row)                                                            \
    PIXMILL_MEDIAN_COLUMNS(MedianRule::ExactMeanCounted, Row)
#define PIXMILL_MEDIAN_COLUMNS(Rule, Row)                                                                       \
    template std::ptrdiff_t medianColumns<Rule, Row>(const std::uint8_t*, std::ptrdiff_t,                       \
                                                     const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*, \
                                                     const RowPlan&);
#define PIXMILL_ROW_PREFIX_ARGS const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, const RowPlan&, std::uint8_t*
PIXMILL_ROW_PREFIXES(BlueGreenRow)
PIXMILL_ROW_PREFIXES(GreenRedRow)
PIXMILL_ROW_PREFIXES(GreenBlueRow)
PIXMILL_ROW_PREFIXES(RedGreenRow)

}  // namespace simd
}  // namespace pm

#endif

// Optional vector prefixes of the row kernels.  Each computes a run of
// consecutive pixels of one row with exactly the values of the scalar kernel,
// writes them as blue, green, red through the tables and reports how many
// pixels it handled; the scalar loop finishes the row.  The scalar kernels
// stay the definition of every value.
//
// Arguments common to every prefix: `s` points at the sample of the first
// pixel of the run, `stride` is the source row length, `count` the number of
// pixels the caller wants computed from there, `out` the destination of the
// first pixel.  Lanes at even offsets from `s` are sites of type Row::even,
// lanes at odd offsets sites of type Row::odd.
//
// Instruction sets: SSE2, part of every x86-64 processor; AVX, whose byte
// shuffle interleaves the colours far faster than SSE2 can and looks tables
// up 16 bytes at a time; AVX2, the same 32 pixels at a time.  A conversion
// picks one path when it starts (RowPlan) and hands it down to every row.  On
// other targets the prefixes handle nothing and the scalar code does it all.
#ifndef PIXMILL_DEMOSAIC_VECTOR_VECTOR_PATHS_H
#define PIXMILL_DEMOSAIC_VECTOR_VECTOR_PATHS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"

#if defined(__SSE2__) && defined(__x86_64__)
#define PIXMILL_VECTOR_X86 1
#endif

namespace pm {
namespace simd {

// Pixels per step of the 128-bit prefixes (the AVX2 ones take 32).
constexpr std::ptrdiff_t kBlock = 16;

enum class Path { Scalar, Sse2, Avx, Avx2 };

// What a conversion settles once, before its first row: the path, the three
// tables, whether they are all the identity (null), and each table cut into
// sixteen 16-entry pieces for the byte-shuffle look-up.  Piece k of a table
// holds entries 16k to 16k + 15 XOR those of piece k - 1 (pieces 0 and 8
// plain), so a look-up XORs the pieces up to the index's own one; see
// lookUp in pixel_blocks.h.  With all tables the identity (null) the pieces
// are left out: nothing looks them up.
struct RowPlan {
    Path path;
    LookupTables tables;
    bool unmapped;
    alignas(32) std::uint8_t pieces[3][16][16];  // blue, green, red
};

inline RowPlan planRows(const LookupTables& tables, Path path) {
    RowPlan plan{path, tables, allIdentity(tables), {}};
    // Null tables are never looked up, and small frames feel the cost.
    if (plan.unmapped) return plan;
    const std::uint8_t* const each[3] = {tables.blue, tables.green, tables.red};
    for (int t = 0; t < 3; ++t)
        for (int k = 0; k < 16; ++k)
            for (int i = 0; i < 16; ++i) {
                const int before = (k % 8 == 0) ? 0 : each[t][16 * (k - 1) + i];
                plan.pieces[t][k][i] = static_cast<std::uint8_t>(each[t][16 * k + i] ^ before);
            }
    return plan;
}

// Which neighbours give green at a red site in the bilinear rule: the lower
// and left ones (bilinear interpolation) or all four (offset bilinear).
enum class RedSiteGreen { LowerLeft, FourNeighbours };

#ifdef PIXMILL_VECTOR_X86

// The best path this processor runs for the bilinear and forward-window
// prefixes: AVX2, else AVX, else SSE2.
Path bestPath();

// Whether this processor runs `path` (Scalar always), so that tests can run
// a conversion on each path it has.
bool pathAvailable(Path path);

// The same for the prefixes that have an AVX2 form (the gradient-directed
// ones): Avx2 when the processor has it, otherwise SSE2.
Path bestPathWithAvx2();

// Bilinear sites: reads the 3 x 3 neighbourhood of every pixel of the run,
// so columns -1 to count of rows -1, 0 and +1 relative to `s`.
// Like every prefix taking a RowPlan, it handles all but at most one pixel
// of a run of at least one block (16 or 32 pixels; the last block overlaps
// the one before it), an even number, and none of a shorter run.
template <typename Row, RedSiteGreen Green = RedSiteGreen::LowerLeft>
std::ptrdiff_t bilinearColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                               const RowPlan& plan, std::uint8_t* out);

// Forward-window sites: reads columns 0 to count of rows 0 and +1.
// Smoothing is one of the policies of forward_window_kernel.h; a policy that
// follows the process-wide flag reads it once per block (16 or 32 pixels).
template <typename Row, typename Smoothing>
std::ptrdiff_t forwardWindowColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                    const RowPlan& plan, std::uint8_t* out);

// The mapped forward window (method code 1): every sample through its table
// first, green at a red or blue site the mean of the two mapped greens.  The
// tables are always applied, so SSE2 (which has no byte shuffle) handles
// nothing unless they are all the identity.  Reads as forwardWindowColumns.
template <typename Row>
std::ptrdiff_t mappedWindowColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                   const RowPlan& plan, std::uint8_t* out);

// The same two prefixes for a single call: plan, then run.
template <typename Row, RedSiteGreen Green = RedSiteGreen::LowerLeft>
std::ptrdiff_t bilinearColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                               const LookupTables& tables, std::uint8_t* out, Path path = bestPath()) {
    return bilinearColumns<Row, Green>(s, stride, count, planRows(tables, path), out);
}
template <typename Row, typename Smoothing>
std::ptrdiff_t forwardWindowColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                    const LookupTables& tables, std::uint8_t* out, Path path = bestPath()) {
    return forwardWindowColumns<Row, Smoothing>(s, stride, count, planRows(tables, path), out);
}

// Gradient-directed prefixes, for identity tables only.  `s` points at raw
// column x of row r, x even, so lane parity is column parity; Row is the row
// kind of row r.  Paths: Sse2 or Avx2 (any other handles nothing).  Unlike
// the prefixes above they handle any count but the last pixel or so of a
// run of at least one block (a last block overlaps the one before it).
//
// Green: the green of row r at columns x to x + count - 1 (sample at a green
// site, directed mean at a red or blue one) into `green`.  Reads raw columns
// x - 1 to x + count of rows r - 1 to r + 1.
template <typename Row>
std::ptrdiff_t gradientGreenColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                                    std::uint8_t* green, Path path);
// Colour: whole pixels (blue, green, red) of row r at columns x to
// x + count - 1 into `out`, from the raw rows r - 1 to r + 1 and the greens
// of those rows, greens[0 to 2], each pointing at column x of its row.  Reads
// columns x - 1 to x + count of all six rows.
template <typename Row>
std::ptrdiff_t gradientColourColumns(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* const* greens,
                                     std::ptrdiff_t count, std::uint8_t* out, Path path);

#else

inline Path bestPath() { return Path::Scalar; }
inline Path bestPathWithAvx2() { return Path::Scalar; }
inline bool pathAvailable(Path path) { return path == Path::Scalar; }
template <typename Row>
inline std::ptrdiff_t gradientGreenColumns(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, std::uint8_t*, Path) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t gradientColourColumns(const std::uint8_t*, std::ptrdiff_t, const std::uint8_t* const*,
                                            std::ptrdiff_t, std::uint8_t*, Path) {
    return 0;
}

template <typename Row, RedSiteGreen Green = RedSiteGreen::LowerLeft, typename Plan>
inline std::ptrdiff_t bilinearColumns(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, const Plan&,
                                      std::uint8_t*, Path = Path::Scalar) {
    return 0;
}
template <typename Row, typename Smoothing, typename Plan>
inline std::ptrdiff_t forwardWindowColumns(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, const Plan&,
                                           std::uint8_t*, Path = Path::Scalar) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t mappedWindowColumns(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t, const RowPlan&,
                                          std::uint8_t*) {
    return 0;
}

#endif

}  // namespace simd
}  // namespace pm

#endif

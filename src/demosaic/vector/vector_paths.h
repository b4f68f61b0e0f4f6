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
// Instruction sets (the same on 32-bit x86, built with SSE2, except
// AVX-512): SSE2, part of every x86-64 processor; AVX, whose byte
// shuffle interleaves the colours far faster than SSE2 can and looks tables
// up 16 bytes at a time; AVX2, the same 32 pixels at a time; AVX-512 with its
// byte instructions and byte permutes (BW and VBMI), 64 pixels at a time,
// whose permutes look up a whole table at once.  A conversion
// picks one path when it starts (RowPlan) and hands it down to every row.  On
// other targets the prefixes handle nothing and the scalar code does it all.
#ifndef PIXMILL_DEMOSAIC_VECTOR_VECTOR_PATHS_H
#define PIXMILL_DEMOSAIC_VECTOR_VECTOR_PATHS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/bayer.h"

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define PIXMILL_VECTOR_X86 1
#include <emmintrin.h>
// AVX-512 on x86-64 only: no test could reach it in a 32-bit program (the
// emulator that runs them has no AVX-512), and in 32-bit mode it would have
// eight vector registers instead of thirty-two.
#ifdef __x86_64__
#define PIXMILL_VECTOR_AVX512 1
#define PIXMILL_IF_AVX512(...) __VA_ARGS__
#else
#define PIXMILL_IF_AVX512(...)
#endif
#endif

namespace pm {
namespace simd {

// Pixels per step of the 128-bit prefixes (the AVX2 ones take 32, the
// AVX-512 ones 64).
constexpr std::ptrdiff_t kBlock = 16;

// In order of preference; each path's processor has the sets before it.
enum class Path { Scalar, Sse2, Avx, Avx2, Avx512 };

// How a conversion writes its image.  Rows are only ever streamed past the
// cache on the paths with 32- and 64-byte stores (AVX2, AVX-512) and when
// the tables are all the identity; Auto then streams the rows of an image
// larger than the processor's last-level cache: such an image cannot stay
// in the cache anyway, and an ordinary store first reads each destination
// line from memory, which a non-temporal store of whole lines skips.  Rows
// that look tables up gain nothing: they are produced slowly enough for
// memory to keep up, and measured up to twice as slow streamed on AVX2.
// InPlace and Streamed are for tests, which compare both ways on frames of
// any size.
enum class Stores { Auto, InPlace, Streamed };

// What a conversion settles once, before its first row: the path, the three
// tables, whether they are all the identity (null), whether rows are
// streamed (Stores), and each table cut into sixteen 16-entry pieces for the
// byte-shuffle look-up.  Piece k of a table holds entries 16k to 16k + 15
// XOR those of piece k - 1 (pieces 0 and 8 plain), so a look-up XORs the
// pieces up to the index's own one; see lookUp in pixel_blocks.h.  With all
// tables the identity (null) the pieces are left out: nothing looks them up.
struct RowPlan {
    Path path;
    LookupTables tables;
    bool unmapped;
    bool streamed;
    alignas(32) std::uint8_t pieces[3][16][16];  // blue, green, red
    // Table k in the order of the pieces.
    const std::uint8_t* table(int k) const { return k == 0 ? tables.blue : k == 1 ? tables.green : tables.red; }
};

#ifdef PIXMILL_VECTOR_X86
// Whether an image of `imageBytes` is larger than the last-level cache, as
// the processor describes it (cpu_path.cpp).
bool largerThanCache(std::size_t imageBytes);
// Makes the streamed stores of a conversion visible to other threads before
// it returns, as ordinary stores are.
inline void finishRows(const RowPlan& plan) {
    if (plan.streamed) _mm_sfence();
}
#else
inline bool largerThanCache(std::size_t) { return false; }
inline void finishRows(const RowPlan&) {}
#endif

// `imageBytes`: the size of the image the rows are written to.
inline RowPlan planRows(const LookupTables& tables, Path path, std::size_t imageBytes = 0,
                        Stores stores = Stores::Auto) {
    const bool unmapped = allIdentity(tables);
    const bool streamed =
        (path == Path::Avx2 || path == Path::Avx512) && unmapped &&
        (stores == Stores::Streamed || (stores == Stores::Auto && largerThanCache(imageBytes)));
    RowPlan plan{path, tables, unmapped, streamed, {}};
    // Null tables are never looked up, and small frames feel the cost.  (The
    // AVX-512 path looks up whole tables, but hands short runs to AVX2.)
    if (plan.unmapped) return plan;
    // Whole 16-byte rows at a time, which the compiler turns into vector
    // operations.
    for (int t = 0; t < 3; ++t) {
        const std::uint8_t* table = plan.table(t);
        for (int k = 0; k < 16; ++k) {
            std::uint8_t* piece = plan.pieces[t][k];
            const std::uint8_t* entries = table + 16 * k;
            if (k % 8 == 0)
                for (int i = 0; i < 16; ++i) piece[i] = entries[i];
            else
                for (int i = 0; i < 16; ++i) piece[i] = static_cast<std::uint8_t>(entries[i] ^ entries[i - 16]);
        }
    }
    return plan;
}

// Which neighbours give green at a red site in the bilinear rule: the lower
// and left ones (bilinear interpolation) or all four (offset bilinear).
enum class RedSiteGreen { LowerLeft, FourNeighbours };

// The green rules of the staged median methods, for their prefix: the
// sorted-neighbour median, the counted-neighbour median, and the 1.1.2.0
// build's counted median against the exact mean.
enum class MedianRule { Sorted, Counted, ExactMeanCounted };

// Forward-window rows of 16-bit samples, always smoothed (the record
// entry's colour and grey conversions, colour_grey.cpp), 8, 16 or 32 pixels
// per block on the AVX, AVX2 and AVX-512 paths (words_*.cpp).  Tables of
// 65536 words are looked up by gathering: each sample is read as the aligned
// 32-bit word that holds it, which never leaves the table's own words or
// their page, whatever entries the table has beyond the samples' values.
// Without tables (all the library's identity) the picks and means are
// stored as computed; AVX has no gather and handles those rows only.
struct WordPlan {
    Path path;
    // Null when the three tables are all the identity.
    const std::uint16_t* red;
    const std::uint16_t* green;
    const std::uint16_t* blue;
    // One word per pixel, (601 G + 306 R + 117 B) >> 10, instead of blue,
    // green and red.
    bool grey;
    bool mapped() const { return green != nullptr; }
};

// The lines of a row that the colour-difference method makes its pixels of
// (see differencePixelColumns): samples and differences (green minus the
// row's own colour at both kinds of site, minus the other colour at green
// sites), and the own differences of the rows above and below from the left
// diagonal of each red or blue site on, so that entries i and i + 1 are its
// four diagonal neighbours.
struct DifferenceLines {
    const std::int16_t *colour, *green, *colourOwn, *greenOwn, *greenOther, *above, *below;
};

#ifdef PIXMILL_VECTOR_X86

// The best path this processor runs for the bilinear and forward-window
// prefixes: AVX-512 (BW and VBMI), else AVX2, else AVX, else SSE2; never
// above the cap of PIXMILL_CPU_MAX (frame/cpu_cap.h), which can bring it
// down to Scalar.  The choices below honour the cap too.
Path bestPath();

// Whether this processor runs `path` (Scalar always), so that tests can run
// a conversion on each path it has, cap or not.
bool pathAvailable(Path path);

// The same for the prefixes that have an AVX2 form (the gradient-directed
// ones): Avx2 when the processor has it, otherwise SSE2 (Scalar when capped
// there).
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
// Smoothing is one of the policies of smoothing.h; a policy that
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

// Gradient-directed prefixes.  `rows` point at column x of rows r - 1, r
// and r + 1, x even, so lane parity is column parity; Row is the row kind of
// row r.  With the plan's tables all the identity they read the raw frame;
// otherwise rows whose samples went through their own colour's table first
// (mapSiteColumns), and they apply the tables to what they compute (on SSE2,
// which has no byte shuffle, they then handle nothing).  Like the prefixes
// above they handle any count but the last pixel or so of a run of at least
// one block (a last block overlaps the one before it).
//
// Green: the green of row r at columns x to x + count - 1 (sample at a green
// site, directed mean at a red or blue one) into `green`.  Reads columns
// x - 1 to x + count of the three rows.
template <typename Row>
std::ptrdiff_t gradientGreenColumns(const std::uint8_t* const* rows, std::ptrdiff_t count, std::uint8_t* green,
                                    const RowPlan& plan);
// Colour: whole pixels (blue, green, red) of row r at columns x to
// x + count - 1 into `out`, from the three rows and the greens of those rows,
// greens[0 to 2], each pointing at column x of its row.  Reads columns
// x - 1 to x + count of all six rows.
template <typename Row>
std::ptrdiff_t gradientColourColumns(const std::uint8_t* const* rows, const std::uint8_t* const* greens,
                                     std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan);
// The samples of a row of kind Row from `raw` (at an even column) through
// their own colour's table into `out`, for the mapped rows above.
template <typename Row>
std::ptrdiff_t mapSiteColumns(const std::uint8_t* raw, std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan);
// Whether `plan`'s rows have a vector prefix on its path; the scalar kernel
// does them all otherwise.  Tables must be 2-byte aligned (odd addresses
// take the scalar kernel).
bool wordRowsVectored(const WordPlan& plan);

// The pixels of a row of kind Row from `s` (even column of the source,
// `stride` words a row), `count` of them (reads columns 0 to count of rows 0
// and +1), into `out` (3 or 1 words a pixel).  With tables, `mapped` holds
// the same two rows' red and blue samples already through their tables
// (mapWordSiteColumns), at the column of `s`.  Handles all but at most one
// pixel of a run of at least one block (the last block overlaps the one
// before it) and none of a shorter run.
template <typename Row>
std::ptrdiff_t windowWordColumns(const std::uint16_t* s, std::ptrdiff_t stride, const std::uint16_t* const* mapped,
                                 std::ptrdiff_t count, std::uint16_t* out, const WordPlan& plan);
// The red or blue samples of a row of kind Row from `raw` (even column)
// through `table` into the same columns of `out`, `count` columns; green
// columns of `out` are left undefined.  Handles as windowWordColumns.
template <typename Row>
std::ptrdiff_t mapWordSiteColumns(const std::uint16_t* raw, std::ptrdiff_t count, std::uint16_t* out,
                                  const std::uint16_t* table, Path path);
// Whether the processor runs AVX2 and the cap allows it, for the prefixes
// written for 256-bit registers alone.
bool hasAvx2();

// Whole pixels of the staged median methods: green by `Rule` (the four green
// neighbours sorted, compared with their mean, corrected by the knight's-move
// ring), red and blue bilinear, through the plan's tables.  Reads rows -2 to
// +2 and columns -2 to count + 1 relative to `s`, which must sit at an even
// column so that Row::even is the site of even offsets.  The green rule
// compares samples mapped through the green table: with the plan's tables
// all the identity it reads the raw rows (`mappedGreen` is not read);
// otherwise `mappedGreen` holds rows -2 to +2 already mapped
// (mapTableColumns), each pointing at the column of `s` and readable over the
// same columns.  Handles what the prefixes above handle, on every path (SSE2
// looks the tables up as it stores).
template <MedianRule Rule, typename Row>
std::ptrdiff_t medianColumns(const std::uint8_t* s, std::ptrdiff_t stride, const std::uint8_t* const* mappedGreen,
                             std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan);
// `count` samples from `in` through table k of the plan (0 blue, 1 green,
// 2 red) into `out`; like mapSiteColumns, nothing on SSE2.
std::ptrdiff_t mapTableColumns(const std::uint8_t* in, std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan,
                               int k);
// Laplacian-corrected prefixes (laplacian.cpp; dispatch in laplacian_x86.cpp).
// Rows are passed as pointers at an even column x, so lane parity is column
// parity; Row is the row kind of the row r computed.  Green: the greens of
// row r at columns x to x + count - 1 (a green site's sample, else the
// estimate) into `green` and, unless the plan's tables are all the identity,
// the same through the green table into `mapped` (on SSE2 it then handles
// nothing); `rows` are the samples of rows r - 2 to r + 2, read at columns
// x - 2 to x + count + 1.  Finish: whole pixels of row r at columns x to
// x + count - 1 into `out` through the plan's tables, as the main pass
// finishes them; `rows` are the samples of rows r - 1 to r + 1 and `greens`
// the greens it reads: row r - 1 finished (mapped), row r's estimates, row r
// finished (mapped; only the left neighbours' are read, and the green bytes
// are these), row r + 1's estimates, all read at columns x - 1 to x + count.
// Both handle what the prefixes above handle.
template <typename Row>
std::ptrdiff_t laplacianGreenColumns(const std::uint8_t* const* rows, std::ptrdiff_t count, std::uint8_t* green,
                                     std::uint8_t* mapped, const RowPlan& plan);
template <typename Row>
std::ptrdiff_t laplacianFinishColumns(const std::uint8_t* const* rows, const std::uint8_t* const* greens,
                                      std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan, bool bottomUp);

// Green-guided prefixes (green_guided.cpp; dispatch in green_guided_x86.cpp).
// Rows are passed as pointers at an even column x, so lane parity is column
// parity; Row is the row kind of the row r computed.  Through tables other
// than all the identity they read samples mapped through the green table
// (mapGreenColumns) and apply the tables to what they compute (on SSE2,
// which has no byte shuffle, the green prefix then handles nothing);
// otherwise the raw rows.  Green: the finished (mapped) greens of row r at
// columns x to x + count - 1 into `green`, from rows r - 2 to r + 1 of `m`,
// read at those columns.  Colour: whole pixels of row r at columns x to
// x + count - 1 into `out`, from rows r - 2 to r + 2 of `m` (columns x - 2 to
// x + count + 1), row r of the raw samples `raw` (columns x to
// x + count - 1) and the finished greens `g` of rows r - 1 to r + 1 (columns
// x - 1 to x + count), which are also the green bytes.  Both handle what
// the prefixes above handle.
std::ptrdiff_t mapGreenColumns(const std::uint8_t* in, std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan);
template <typename Row>
std::ptrdiff_t guidedGreenColumns(const std::uint8_t* const* m, std::ptrdiff_t count, std::uint8_t* green,
                                  const RowPlan& plan);
template <typename Row>
std::ptrdiff_t guidedColourColumns(const std::uint8_t* const* m, const std::uint8_t* raw, const std::uint8_t* const* g,
                                   std::ptrdiff_t count, std::uint8_t* out, const RowPlan& plan);

// Directional green of the 1.1.2.0 build's code 6 (directional_green_guided.cpp;
// dispatch in directional_green_x86.cpp): the greens of row r at columns x
// to x + count - 1 (x even) into `green`, mapped through the green table: a
// green site's mapped sample, elsewhere a quarter (rounded down) of the sum
// along the smallest of four one-sided gradients, through the green table.
// `m` point at column x of rows r - 2 to r + 2 of the samples as
// guidedGreenColumns reads them, read at columns x - 2 to x + count + 1.
// Handles what the prefixes above handle.
template <typename Row>
std::ptrdiff_t directionalGreenColumns(const std::uint8_t* const* m, std::ptrdiff_t count, std::uint8_t* green,
                                       const RowPlan& plan);

// Colour-difference prefixes (the 1.1.2.0 build's code 5,
// colour_difference_planes.cpp; dispatch in colour_difference_x86.cpp).  The
// method keeps a row's two kinds of site apart in lines of 16-bit entries,
// entry i of each the site in the column pair i; `count` counts columns (two
// per pair, an even number), and like the prefixes above these handle all
// of a run of at least one block (the last block overlaps the one before it)
// and none of a shorter one.
//
// Estimates: at each pair i, g0[i] less the floor of the weighted mean
// (a q + c p) / (p + q) of a[i] and c[i], p = (c - a)^2 + 1 and
// q = (g2 - g0)^2 + 1 (g2 = g2[i]) into difference[i], and into whole[i]
// whether that mean is a whole number (all bits set) or not (0).
std::ptrdiff_t differenceEstimateColumns(const std::int16_t* a, const std::int16_t* c, const std::int16_t* g0,
                                         const std::int16_t* g2, std::ptrdiff_t count, std::int16_t* difference,
                                         std::int16_t* whole, const RowPlan& plan);
// Pixels: at a red or blue site green is clamp(sample + own difference) and
// the other colour clamp(green - the mean of the four diagonal differences,
// truncated toward zero); at a green site the colours are clamp(green -
// difference).  Whole pixels through the plan's tables into `out`.
template <typename Row>
std::ptrdiff_t differencePixelColumns(const DifferenceLines& lines, std::ptrdiff_t count, std::uint8_t* out,
                                      const RowPlan& plan);

#else

inline Path bestPath() { return Path::Scalar; }
inline Path bestPathWithAvx2() { return Path::Scalar; }
inline bool pathAvailable(Path path) { return path == Path::Scalar; }

inline bool wordRowsVectored(const WordPlan&) { return false; }
template <typename Row>
inline std::ptrdiff_t windowWordColumns(const std::uint16_t*, std::ptrdiff_t, const std::uint16_t* const*,
                                        std::ptrdiff_t, std::uint16_t*, const WordPlan&) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t mapWordSiteColumns(const std::uint16_t*, std::ptrdiff_t, std::uint16_t*, const std::uint16_t*,
                                         Path) {
    return 0;
}

inline bool hasAvx2() { return false; }
template <MedianRule Rule, typename Row>
inline std::ptrdiff_t medianColumns(const std::uint8_t*, std::ptrdiff_t, const std::uint8_t* const*, std::ptrdiff_t,
                                    std::uint8_t*, const RowPlan&) {
    return 0;
}
inline std::ptrdiff_t mapTableColumns(const std::uint8_t*, std::ptrdiff_t, std::uint8_t*, const RowPlan&, int) {
    return 0;
}

template <typename Row>
inline std::ptrdiff_t gradientGreenColumns(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*, const RowPlan&) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t gradientColourColumns(const std::uint8_t* const*, const std::uint8_t* const*, std::ptrdiff_t,
                                            std::uint8_t*, const RowPlan&) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t mapSiteColumns(const std::uint8_t*, std::ptrdiff_t, std::uint8_t*, const RowPlan&) {
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

template <typename Row>
inline std::ptrdiff_t laplacianGreenColumns(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*, std::uint8_t*,
                                            const RowPlan&) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t laplacianFinishColumns(const std::uint8_t* const*, const std::uint8_t* const*, std::ptrdiff_t,
                                             std::uint8_t*, const RowPlan&, bool) {
    return 0;
}

inline std::ptrdiff_t mapGreenColumns(const std::uint8_t*, std::ptrdiff_t, std::uint8_t*, const RowPlan&) { return 0; }
inline std::ptrdiff_t differenceEstimateColumns(const std::int16_t*, const std::int16_t*, const std::int16_t*,
                                                const std::int16_t*, std::ptrdiff_t, std::int16_t*, std::int16_t*,
                                                const RowPlan&) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t differencePixelColumns(const DifferenceLines&, std::ptrdiff_t, std::uint8_t*, const RowPlan&) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t guidedGreenColumns(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*, const RowPlan&) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t guidedColourColumns(const std::uint8_t* const*, const std::uint8_t*, const std::uint8_t* const*,
                                          std::ptrdiff_t, std::uint8_t*, const RowPlan&) {
    return 0;
}
template <typename Row>
inline std::ptrdiff_t directionalGreenColumns(const std::uint8_t* const*, std::ptrdiff_t, std::uint8_t*,
                                              const RowPlan&) {
    return 0;
}

#endif

}  // namespace simd
}  // namespace pm

#endif

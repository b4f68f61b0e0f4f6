// What every block loop written over an instruction-set type V shares: the
// look-up of a caller table on V::kPixels bytes at once, and the load that
// keeps a vector in its register.
//
// V provides, besides its arithmetic (isa_*.h): kShuffles, whether it looks
// tables up itself; then either kWholeTables with lookUpTable(table, idx)
// (a look-up in the whole table) and its two steps, loadTable(table) (a
// Table) and lookUp(Table, idx), or shuffle, subsBytes (signed, saturating),
// splat, xorBits, orBits and piece (a 16-byte table piece in every 128-bit
// part) for the walk over the pieces a RowPlan prepares.
#ifndef PIXMILL_DEMOSAIC_VECTOR_TABLE_LOOKUP_H
#define PIXMILL_DEMOSAIC_VECTOR_TABLE_LOOKUP_H

#include <cstddef>
#include <cstdint>

#include "demosaic/vector/vector_paths.h"

#define PIXMILL_BLOCK_INLINE inline __attribute__((always_inline))

namespace pm {
namespace simd {
namespace {

// table[idx] per byte from the prepared pieces (RowPlan): a shuffle picks
// entry idx & 15 of a piece and gives 0 where the index byte is negative.
// Counting the index down by 16 per piece (saturating, so it never wraps)
// keeps it non-negative exactly for the pieces up to its own, whose XORed
// differences add up to that piece.  Indices 128 to 255 take the same walk
// over pieces 8 to 15 with the top bit flipped; each half gives 0 for the
// other's indices.
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec lookUp(const std::uint8_t (*pieces)[16], typename V::Vec idx) {
    const auto sixteen = V::splat(16);
    auto low = idx, high = V::xorBits(idx, V::splat(0x80));
    auto lowPart = V::shuffle(V::piece(pieces[0]), low), highPart = V::shuffle(V::piece(pieces[8]), high);
    for (int k = 1; k < 8; ++k) {
        low = V::subsBytes(low, sixteen);
        high = V::subsBytes(high, sixteen);
        lowPart = V::xorBits(lowPart, V::shuffle(V::piece(pieces[k]), low));
        highPart = V::xorBits(highPart, V::shuffle(V::piece(pieces[k + 8]), high));
    }
    return V::orBits(lowPart, highPart);
}

// Table k of the plan (0 blue, 1 green, 2 red) at each byte of idx.
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec mapThrough(const RowPlan& plan, int k, typename V::Vec idx) {
    if constexpr (V::kWholeTables)
        return V::lookUpTable(plan.table(k), idx);
    else
        return lookUp<V>(plan.pieces[k], idx);
}

// Table k of the plan made ready once for the blocks of a run: AVX-512's
// whole table in registers (V::Table), which a loop would otherwise load
// again at every block, its stores to the image being able to change the
// table as far as the compiler knows; for the shuffles, the plan's pieces.
template <typename V, bool kWhole = V::kWholeTables>
struct ReadyTable {
    const std::uint8_t (*pieces)[16];
    PIXMILL_BLOCK_INLINE typename V::Vec at(typename V::Vec idx) const { return lookUp<V>(pieces, idx); }
};
template <typename V>
struct ReadyTable<V, true> {
    typename V::Table table;
    PIXMILL_BLOCK_INLINE typename V::Vec at(typename V::Vec idx) const { return V::lookUp(table, idx); }
};

template <typename V>
PIXMILL_BLOCK_INLINE ReadyTable<V> readyTable(const RowPlan& plan, int k) {
    if constexpr (V::kWholeTables)
        return {V::loadTable(plan.table(k))};
    else
        return {plan.pieces[k]};
}

// The three tables of a plan made ready once for a run (readyTable), with
// the tables themselves for scalar look-ups: the blocks look them up through
// mapThrough as they would through the plan, without reading whole tables
// from memory again at each block.
template <typename V>
struct ReadyPlan {
    const LookupTables& tables;
    ReadyTable<V> table[3];
};
template <typename V>
PIXMILL_BLOCK_INLINE ReadyPlan<V> readyPlan(const RowPlan& plan) {
    return {plan.tables, {readyTable<V>(plan, 0), readyTable<V>(plan, 1), readyTable<V>(plan, 2)}};
}
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec mapThrough(const ReadyPlan<V>& plan, int k, typename V::Vec idx) {
    return plan.table[k].at(idx);
}

// A vector as loaded once, kept in its register.  Left to itself, GCC reads
// it from memory again at each instruction that uses it; those reads are
// unaligned, so 32- and 64-byte ones straddle cache lines, and that made
// the forward window twice as slow on AVX-512 at 4096 x 3072.
template <typename V>
PIXMILL_BLOCK_INLINE typename V::Vec loadOnce(const std::uint8_t* p) {
    auto v = V::load(p);
    asm("" : "+v"(v));
    return v;
}

}  // namespace
}  // namespace simd
}  // namespace pm

#endif

// The samples of a frame as the row-by-row passes of the green-guided
// methods read them (fused_rows.h): through the green table, each sample
// mapped once into a small ring of rows, over strips of columns so that the
// ring needs no allocation.
#ifndef PIXMILL_DEMOSAIC_MAPPED_ROWS_H
#define PIXMILL_DEMOSAIC_MAPPED_ROWS_H

#include <cstddef>
#include <cstdint>

#include "demosaic/site_walk.h"
#include "demosaic/vector/vector_paths.h"

namespace pm {

// The widest strip of columns the passes walk at a time.
constexpr std::int64_t kMappedStripColumns = 4096;

// A pixel's neighbourhood over the rows: `m` point at its column of the
// mapped rows r - 2 to r + 2, `g` of the greens of rows r - 1 to r + 1.
struct RowsAround {
    const std::uint8_t* const* m;
    const std::uint8_t* const* g;

    int mapped(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return m[dr + 2][dc]; }
    int green(std::ptrdiff_t dr, std::ptrdiff_t dc) const { return g[dr + 1][dc]; }
};

// The raw frame itself through an identity green table; otherwise the
// current strip's rows mapped through it, columns first - kMargin to
// last + kMargin, in order as the walk first needs them.  Up to eight rows
// are in use at once.
template <std::int64_t kMargin>
class MappedRows {
   public:
    MappedRows(const RawView& raw, const simd::RowPlan& plan, bool identity)
        : raw_(raw), plan_(plan), identity_(identity) {}

    void startStrip(std::int64_t first, std::int64_t last) {
        lo_ = first - kMargin;
        hi_ = last + kMargin;
        mapped_ = -1;
    }
    // Row r's sample at column c; rows up to r must be ready (through).
    const std::uint8_t* at(std::int64_t r, std::int64_t c) const {
        return identity_ ? raw_.row(r) + c : ring_[r % kRows] + (c - lo_);
    }
    // Makes rows up to r ready, mapping them in order.
    void through(std::int64_t r) {
        if (!identity_)
            while (mapped_ < r) mapRow(++mapped_);
    }

   private:
    static constexpr int kRows = 8;

    void mapRow(std::int64_t r) {
        const std::uint8_t* in = raw_.row(r) + lo_;
        std::uint8_t* out = ring_[r % kRows];
        const std::int64_t count = hi_ + 1 - lo_;
        const std::uint8_t* table = plan_.tables.green;
        for (std::int64_t c = simd::mapGreenColumns(in, count, out, plan_); c < count; ++c) out[c] = table[in[c]];
    }

    const RawView& raw_;
    const simd::RowPlan& plan_;
    bool identity_;
    std::int64_t lo_ = 0, hi_ = -1, mapped_ = -1;
    std::uint8_t ring_[kRows][kMappedStripColumns + 2 * kMargin];
};

}  // namespace pm

#endif

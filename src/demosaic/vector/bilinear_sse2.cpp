// SSE2 prefix of the bilinear row kernel (bilinear.cpp): the same means of
// the 3 x 3 neighbourhood, 16 pixels per step.  Both site types of the row
// are computed for all 16 lanes and each lane keeps the one of its column.
#include "demosaic/vector/vector_paths.h"

#ifdef PIXMILL_VECTOR_SSE2

#include "demosaic/vector/sse2_pixels.h"

namespace pm {
namespace simd {
namespace {

template <Site S>
inline Planes bilinearSites(const std::uint8_t* s, std::ptrdiff_t stride) {
    const __m128i self = load16(s), up = load16(s - stride), down = load16(s + stride);
    const __m128i left = load16(s - 1), right = load16(s + 1);
    switch (S) {
        case Site::GreenInBlueRow:
            return {meanDown(left, right), self, meanDown(up, down)};
        case Site::GreenInRedRow:
            return {meanDown(up, down), self, meanDown(left, right)};
        case Site::Blue:
            return {self, quarterOfSum(down, left, up, right),
                    quarterOfSum(load16(s - stride - 1), load16(s - stride + 1), load16(s + stride - 1),
                                 load16(s + stride + 1))};
        case Site::Red:
        default:
            // Green from the lower and left neighbours only, as in the scalar rule.
            return {quarterOfSum(load16(s - stride - 1), load16(s - stride + 1), load16(s + stride - 1),
                                 load16(s + stride + 1)),
                    meanDown(down, left), self};
    }
}

}  // namespace

template <typename Row>
std::ptrdiff_t bilinearColumns(const std::uint8_t* s, std::ptrdiff_t stride, std::ptrdiff_t count,
                               const LookupTables& tables, std::uint8_t* out) {
    const bool unmapped = allIdentity(tables);
    std::ptrdiff_t c = 0;
    for (; c + kBlock <= count; c += kBlock) {
        const Planes p = byParity(bilinearSites<Row::even>(s + c, stride), bilinearSites<Row::odd>(s + c, stride));
        if (unmapped)
            storeInterleaved(out + 3 * c, p);
        else
            storeMapped(out + 3 * c, p, tables);
    }
    return c;
}

template std::ptrdiff_t bilinearColumns<BlueGreenRow>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                                                      const LookupTables&, std::uint8_t*);
template std::ptrdiff_t bilinearColumns<GreenRedRow>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                                                     const LookupTables&, std::uint8_t*);
template std::ptrdiff_t bilinearColumns<GreenBlueRow>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                                                      const LookupTables&, std::uint8_t*);
template std::ptrdiff_t bilinearColumns<RedGreenRow>(const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                                                     const LookupTables&, std::uint8_t*);

}  // namespace simd
}  // namespace pm

#endif

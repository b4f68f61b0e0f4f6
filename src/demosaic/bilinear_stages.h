// The red and blue stages of the staged median methods: each writes one byte
// of every pixel of a window, the bilinear mean of the raw samples of its
// colour around the pixel, through its own table.  One body serves both
// colours; the blue stage is the red stage with the colours exchanged.
//
// The values coincide with the red and blue of bilinear interpolation (code
// 2); only the walk differs (one byte per pass over a window, as the staged
// methods store their bytes).
#ifndef PIXMILL_DEMOSAIC_BILINEAR_STAGES_H
#define PIXMILL_DEMOSAIC_BILINEAR_STAGES_H

#include <cstdint>

#include "demosaic/bayer.h"
#include "demosaic/site_walk.h"

namespace pm {

// The unmapped value of colour C (red or blue) at site (r, c) of type S, from
// the samples of its 3 x 3 neighbourhood: its own sample at a site of colour
// C, the mean of the two samples of C beside it (left and right in a row of
// C, above and below in the other rows) at a green site, the mean of the four
// diagonal samples at a site of the other colour.
template <Colour C, Site S>
inline unsigned bilinearValue(const RawView& raw, std::int64_t r, std::int64_t c) {
    constexpr Site own = C == Colour::Red ? Site::Red : Site::Blue;
    constexpr Site greenInOwnRow = C == Colour::Red ? Site::GreenInRedRow : Site::GreenInBlueRow;
    if constexpr (S == own) {
        return raw(r, c);
    } else if constexpr (S == greenInOwnRow) {
        return (raw(r, c - 1) + raw(r, c + 1)) >> 1;
    } else if constexpr (S == Site::GreenInRedRow || S == Site::GreenInBlueRow) {
        return (raw(r - 1, c) + raw(r + 1, c)) >> 1;
    } else {
        return (raw(r - 1, c - 1) + raw(r - 1, c + 1) + raw(r + 1, c - 1) + raw(r + 1, c + 1)) >> 2;
    }
}

// Byte 2 (red) or byte 0 (blue) of every pixel of `window` under Bayer layout
// code 1 to 4, through `table`; nothing for other codes.  Reads one row and
// one column around the window.  No stage reads the image, so the order in
// which the sites are visited does not matter.
template <Colour C>
void bilinearStage(RawView raw, ImageView image, std::int32_t layout, const Window& window,
                   const std::uint8_t* table) {
    static_assert(C != Colour::Green, "green has stages of its own");
    constexpr int byte = C == Colour::Red ? 2 : 0;
    // Captured by value: the byte stores may alias anything the caller holds,
    // which would force a reload of the views and the table after each one.
    forEachSite(layout, window, [=](std::int64_t r, std::int64_t c, auto site) {
        image.pixel(r, c)[byte] = table[bilinearValue<C, decltype(site)::value>(raw, r, c)];
    });
}

}  // namespace pm

#endif

// A plain model of bilinear interpolation (method code 2), shared by the
// method's tests and the tests of its vector paths: the values of one pixel
// from its 3 x 3 neighbourhood by mosaic colour, and the whole method.
#ifndef PIXMILL_TEST_BILINEAR_MODEL_H
#define PIXMILL_TEST_BILINEAR_MODEL_H

#include "forward_window_model.h"
#include "test_support.h"

namespace pmtest {

// Values before the tables of pixel (r, c), 1 <= r <= h - 2, 1 <= c <= w - 2.
inline Channels bilinearChannels(const Bytes& raw, int w, int layout, int r, int c) {
    auto s = [&](int row, int column) { return unsigned(raw[static_cast<std::size_t>(row) * w + column]); };
    const unsigned up = s(r - 1, c), down = s(r + 1, c), left = s(r, c - 1), right = s(r, c + 1);
    const unsigned diag = s(r - 1, c - 1) + s(r - 1, c + 1) + s(r + 1, c - 1) + s(r + 1, c + 1);
    const char site = colourAt(layout, r, c);
    if (site == 'G') {
        const unsigned horizontal = (left + right) >> 1, vertical = (up + down) >> 1;
        if (colourAt(layout, r, c + 1) == 'B') return {horizontal, s(r, c), vertical};
        return {vertical, s(r, c), horizontal};
    }
    if (site == 'B') return {s(r, c), (up + down + left + right) >> 2, diag >> 2};
    return {diag >> 2, (down + left) >> 1, s(r, c)};  // red: green from down and left only
}

// Interpolate rows and columns 1 to size - 2, place rows by the flip flag,
// then extend a border of 2 (memory rows).
inline Bytes modelBilinear(const Bytes& raw, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                           Bytes image) {
    const bool bottomUp = (flip & 0xFF) != 0;
    if (layout >= 1 && layout <= 4) {
        for (int r = 1; r < h - 1; ++r) {
            for (int c = 1; c < w - 1; ++c) {
                const Channels v = bilinearChannels(raw, w, layout, r, c);
                const int row = bottomUp ? h - 1 - r : r;
                std::uint8_t* px = &image[(static_cast<std::size_t>(row) * w + c) * 3];
                px[0] = t.mapB(v.blue);
                px[1] = t.mapG(v.green);
                px[2] = t.mapR(v.red);
            }
        }
    }
    referenceBorder(image, w, h, 2, 3);
    return image;
}

}  // namespace pmtest

#endif

// A plain model of the forward-window pixel rule, shared by the tests of the
// method and of the smoothing flag's life: the colours of a pixel read from
// the four samples of its 2 x 2 window by their mosaic colour.
#ifndef PIXMILL_TEST_FORWARD_WINDOW_MODEL_H
#define PIXMILL_TEST_FORWARD_WINDOW_MODEL_H

#include <cstdint>
#include <vector>

#include "test_support.h"

namespace pmtest {

struct Channels {
    unsigned blue, green, red;
};

// Values before the tables of the pixel at (r, c) of a frame of width w;
// works for any sample width.  Red and blue are the window's one red and one
// blue sample; green is the mean of the two greens at a red or blue site, and
// at a green site its own sample, or with smoothing the mean of the two.
inline Channels windowChannels(const std::vector<unsigned>& raw, int w, int layout, int r, int c, bool smooth) {
    Channels out{0, 0, 0};
    unsigned greens[2];
    int greenCount = 0;
    for (int dr = 0; dr < 2; ++dr) {
        for (int dc = 0; dc < 2; ++dc) {
            const unsigned v = raw[static_cast<std::size_t>(r + dr) * w + (c + dc)];
            switch (colourAt(layout, r + dr, c + dc)) {
                case 'R': out.red = v; break;
                case 'B': out.blue = v; break;
                default: greens[greenCount++] = v; break;
            }
        }
    }
    const bool greenSite = colourAt(layout, r, c) == 'G';
    out.green = (greenSite && !smooth) ? greens[0] : (greens[0] + greens[1]) >> 1;
    return out;
}

inline std::vector<unsigned> widen(const Bytes& raw) { return std::vector<unsigned>(raw.begin(), raw.end()); }

// The whole method of codes 5 and 7 over a destination that held `image`:
// rows 0 to h - 2 and columns 0 to w - 2 interpolated, rows placed by the
// flip flag, then a border of 1.
inline Bytes modelForwardWindow(const Bytes& raw8, int w, int h, const TableSet& t, std::int32_t flip, int layout,
                                bool smooth, Bytes image) {
    const std::vector<unsigned> raw = widen(raw8);
    const bool bottomUp = (flip & 0xFF) != 0;
    if (layout >= 1 && layout <= 4) {
        for (int r = 0; r < h - 1; ++r) {
            const int row = bottomUp ? h - 1 - r : r;
            for (int c = 0; c < w - 1; ++c) {
                const Channels v = windowChannels(raw, w, layout, r, c, smooth);
                std::uint8_t* px = &image[(static_cast<std::size_t>(row) * w + c) * 3];
                px[0] = t.mapB(v.blue);
                px[1] = t.mapG(v.green);
                px[2] = t.mapR(v.red);
            }
        }
    }
    referenceBorder(image, w, h, 1, 3);
    return image;
}

}  // namespace pmtest

#endif

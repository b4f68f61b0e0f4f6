// Colour-difference interpolation on working planes (code 5 of the 1.1.2.0
// build).  The frame is split into red, green and blue planes; green minus
// blue and green minus red are estimated at every site (at green sites from
// an edge-weighted estimate of the missing colour, elsewhere as means of the
// neighbouring differences), the missing colours are rebuilt from them, and
// the planes go through the tables into the image, which a border of 3
// finishes.
#include <cstddef>
#include <cstring>
#include <mutex>

#include "demosaic/bayer.h"
#include "frame/border.h"
#include "legacy/methods.h"

namespace pm {
namespace {

// The planes: 1800 entries per row, 2400 rows, entry (r, c) at row r + 1 and
// column c + 1, so that the row and column before the image and the two
// after it that the steps address lie inside them.
constexpr std::int64_t kPlaneColumns = 1800, kPlaneRows = 2400;
constexpr std::size_t kPlaneEntries = std::size_t(kPlaneColumns * kPlaneRows);

std::uint8_t redPlane[kPlaneEntries], greenPlane[kPlaneEntries], bluePlane[kPlaneEntries];
std::int32_t greenMinusRedPlane[kPlaneEntries], greenMinusBluePlane[kPlaneEntries];
// One call at a time: every call works in the same planes.
std::mutex planeLock;

inline std::size_t at(std::int64_t r, std::int64_t c) { return std::size_t((r + 1) * kPlaneColumns + c + 1); }

template <typename T>
struct Plane {
    T* base;
    T& operator()(std::int64_t r, std::int64_t c) const { return base[at(r, c)]; }
};

// Sets rows -1 to height + 1, columns -1 to width + 1 of a plane to 0: every
// entry a call may read.  The sums are formed in 64 bits, so they hold for
// any size, not only the ones the plane check lets through.
template <typename T>
void clear(T* plane, std::int32_t width, std::int32_t height) {
    for (std::int64_t r = -1; r <= std::int64_t{height} + 1; ++r)
        std::memset(&plane[at(r, -1)], 0, (std::size_t(width) + 3) * sizeof(T));
}

// Where each colour's sites start under a layout code: the first red and
// blue site (then every second row and column), the first green row and the
// column it starts at (each later row starts at column 1 after an even start,
// at column 0 after an odd one).
struct Starts {
    int redRow, redColumn, blueRow, blueColumn, greenRow, greenColumn;
};
constexpr Starts kStarts[4] = {
    {1, 2, 2, 1, 2, 2},  // 1: green, blue / red, green
    {0, 1, 1, 0, 1, 1},  // 2: green, red / blue, green
    {1, 1, 2, 2, 2, 1},  // 3: blue, green / green, red
    {2, 2, 1, 1, 2, 1},  // 4: red, green / green, blue
};

struct Frame {
    std::int32_t width, height;
    Starts starts;

    template <typename Fn>
    void redSites(Fn&& fn) const { colourSites(starts.redRow, starts.redColumn, fn); }
    template <typename Fn>
    void blueSites(Fn&& fn) const { colourSites(starts.blueRow, starts.blueColumn, fn); }
    template <typename Fn>
    void greenSites(Fn&& fn) const {
        std::int64_t first = starts.greenColumn;
        for (std::int64_t r = starts.greenRow; r < height; ++r) {
            for (std::int64_t c = first; c < width; c += 2) fn(r, c);
            first = first % 2 == 0 ? 1 : 0;
        }
    }
    template <typename Fn>
    void colourSites(std::int64_t firstRow, std::int64_t firstColumn, Fn& fn) const {
        for (std::int64_t r = firstRow; r < height; r += 2)
            for (std::int64_t c = firstColumn; c < width; c += 2) fn(r, c);
    }
};

inline std::uint8_t clamped(std::int32_t v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// The missing colour at a green site from the two nearest samples a and c of
// that colour on one line through the site: each weighted by how little its
// side changes (the colour step between them, the green step along the line
// from the site), in double precision, truncated.
inline std::int32_t edgeWeighted(int a, int c, int g0, int g2) {
    const double wa = 1.0 / ((c - a) * (c - a) + 1);
    const double wc = 1.0 / ((g2 - g0) * (g2 - g0) + 1);
    return static_cast<std::int32_t>((a * wa + c * wc) / (wa + wc));
}

// The mean of four differences, truncated toward zero.
inline std::int32_t neighbourMean(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    return static_cast<std::int32_t>(static_cast<double>(a + b + c + d) / 4);
}

// The steps, in their order, on planes cleared for this frame.  The margins
// stay 0 throughout (no step writes anything else there), which is what each
// step that sets a margin entry to 0 before reading it relies on.
void interpolate(const std::uint8_t* src, const Frame& f) {
    const Plane<std::uint8_t> R{redPlane}, G{greenPlane}, B{bluePlane};
    const Plane<std::int32_t> GR{greenMinusRedPlane}, GB{greenMinusBluePlane};
    auto sample = [&](std::int64_t r, std::int64_t c) { return src[std::size_t(r) * std::size_t(f.width) + c]; };
    f.redSites([&](std::int64_t r, std::int64_t c) { R(r, c) = sample(r, c); });
    f.greenSites([&](std::int64_t r, std::int64_t c) { G(r, c) = sample(r, c); });
    f.blueSites([&](std::int64_t r, std::int64_t c) { B(r, c) = sample(r, c); });

    // The line through a green site is horizontal in the rows that hold the
    // colour, vertical in the others.
    auto estimate = [&](const Plane<std::uint8_t>& X, bool horizontal, std::int64_t r, std::int64_t c) {
        if (horizontal) return edgeWeighted(X(r, c - 1), X(r, c + 1), G(r, c), G(r, c + 2));
        return edgeWeighted(X(r - 1, c), X(r + 1, c), G(r, c), G(r + 2, c));
    };
    auto around = [](const Plane<std::int32_t>& D, std::int64_t r, std::int64_t c) {
        return neighbourMean(D(r - 1, c), D(r, c - 1), D(r + 1, c), D(r, c + 1));
    };
    auto diagonal = [](const Plane<std::int32_t>& D, std::int64_t r, std::int64_t c) {
        return neighbourMean(D(r - 1, c - 1), D(r + 1, c - 1), D(r + 1, c + 1), D(r - 1, c + 1));
    };
    const int blueRows = f.starts.blueRow % 2, redRows = f.starts.redRow % 2;

    f.greenSites([&](std::int64_t r, std::int64_t c) { GB(r, c) = G(r, c) - estimate(B, r % 2 == blueRows, r, c); });
    f.blueSites([&](std::int64_t r, std::int64_t c) { GB(r, c) = around(GB, r, c); });
    f.blueSites([&](std::int64_t r, std::int64_t c) { G(r, c) = clamped(B(r, c) + GB(r, c)); });
    f.greenSites([&](std::int64_t r, std::int64_t c) { GR(r, c) = G(r, c) - estimate(R, r % 2 == redRows, r, c); });
    f.redSites([&](std::int64_t r, std::int64_t c) { GR(r, c) = around(GR, r, c); });
    f.redSites([&](std::int64_t r, std::int64_t c) { G(r, c) = clamped(R(r, c) + GR(r, c)); });
    f.blueSites([&](std::int64_t r, std::int64_t c) { GR(r, c) = diagonal(GR, r, c); });
    f.blueSites([&](std::int64_t r, std::int64_t c) { R(r, c) = clamped(G(r, c) - GR(r, c)); });
    f.greenSites([&](std::int64_t r, std::int64_t c) { R(r, c) = clamped(G(r, c) - GR(r, c)); });
    f.redSites([&](std::int64_t r, std::int64_t c) { GB(r, c) = diagonal(GB, r, c); });
    f.redSites([&](std::int64_t r, std::int64_t c) { B(r, c) = clamped(G(r, c) - GB(r, c)); });
    f.greenSites([&](std::int64_t r, std::int64_t c) { B(r, c) = clamped(G(r, c) - GB(r, c)); });
}

}  // namespace

std::int32_t colourDifferencePlanes(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                    std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                    const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height) || layout < 1 || layout > 4) return 0;
    // Compared against the planes' size less their margin, so that no width
    // the frame check accepts (up to 2^31 - 1) can overflow the sum.
    if (width > kPlaneColumns - 3 || height > kPlaneRows - 3) return 0;
    const Frame frame{width, height, kStarts[layout - 1]};
    const bool bottomUp = flipSet(flip);
    const std::size_t rowBytes = std::size_t(width) * 3;
    {
        std::lock_guard<std::mutex> hold(planeLock);
        clear(redPlane, width, height);
        clear(greenPlane, width, height);
        clear(bluePlane, width, height);
        clear(greenMinusRedPlane, width, height);
        clear(greenMinusBluePlane, width, height);
        interpolate(src, frame);
        for (std::int64_t r = 0; r <= height - 2; ++r) {
            std::uint8_t* out = imageRow(dst, r, height, rowBytes, bottomUp);
            for (std::int64_t c = 0; c <= width - 2; ++c) {
                out[3 * c] = lutBlue[bluePlane[at(r, c)]];
                out[3 * c + 1] = lutGreen[greenPlane[at(r, c)]];
                out[3 * c + 2] = lutRed[redPlane[at(r, c)]];
            }
            // The last column has no value of its own: the last computed one.
            std::memcpy(out + 3 * (std::int64_t{width} - 1), out + 3 * (std::int64_t{width} - 2), 3);
        }
    }
    // Nor has the last row; then the border of 3.
    std::memcpy(imageRow(dst, height - 1, height, rowBytes, bottomUp),
                imageRow(dst, height - 2, height, rowBytes, bottomUp), rowBytes);
    extendBorder(dst, width, height, flip, 3, 3);
    return 1;
}

}  // namespace pm

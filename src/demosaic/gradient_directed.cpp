// Gradient-directed interpolation with colour differences (method code 4 of
// both entries).  Three stages, each writing one byte of every pixel it
// covers: green along the direction of the smaller gradient, then red and
// then blue as the pixel's green plus the neighbours' colour-minus-green
// difference, reading the green just stored back from the image.  The border
// of 2 finishes the image.
#include <cstring>

#include "demosaic/colour_difference.h"
#include "demosaic/methods.h"
#include "demosaic/site_walk.h"
#include "demosaic/vector/vector_paths.h"
#include "frame/border.h"
#include "frame/debug_output.h"

namespace pm {
namespace {

// Green of a red or blue site (r, c) from its four mapped green neighbours:
// the mean across the direction of the smaller difference, or of all four
// when the differences are equal.  The green table then maps the mean again.
inline unsigned directedGreen(const RawView& raw, const std::uint8_t* greenTable, std::int64_t r, std::int64_t c) {
    const unsigned west = greenTable[raw(r, c - 1)], east = greenTable[raw(r, c + 1)];
    const unsigned north = greenTable[raw(r - 1, c)], south = greenTable[raw(r + 1, c)];
    const unsigned horizontal = west > east ? west - east : east - west;
    const unsigned vertical = north > south ? north - south : south - north;
    if (horizontal < vertical) return (west + east) / 2;
    if (vertical < horizontal) return (north + south) / 2;
    return (north + south + west + east) / 4;
}

// Byte 1 of rows 1 to height - 2 and columns 1 to width - 2: the window and
// one row and column beyond it, where the rule still stays inside the frame
// and whose green the colour stages read at the window's last row and
// column.  Row 0 and column 0, which the colour stages read at the window's
// first row and column and which no rule reaches, take the nearest computed
// green.  The border replaces all of these bytes in the end.
void greenStage(const RawView& raw, const ImageView& image, const std::uint8_t* greenTable, std::int32_t layout) {
    const Window extended{1, image.height - 2, 1, image.width - 2};
    forEachSite(layout, extended, [&](std::int64_t r, std::int64_t c, auto site) {
        if constexpr (colourSite(decltype(site)::value))
            image.green(r, c) = greenTable[directedGreen(raw, greenTable, r, c)];
        else
            image.green(r, c) = greenTable[raw(r, c)];
    });
    for (std::int64_t r = 1; r <= image.height - 2; ++r) image.green(r, 0) = image.green(r, 1);
    for (std::int64_t c = 0; c <= image.width - 2; ++c) image.green(0, c) = image.green(1, c);
}

// Byte `channel` (2 red, 0 blue) of the window through `table`: the stage of
// colour `own` (Site::Red or Site::Blue).  Neighbour colours enter through the
// table, their green as stored, and the result goes through the table again.
template <Site Own>
void colourStage(const RawView& raw, const ImageView& image, const std::uint8_t* table, std::int32_t layout,
                 int channel) {
    constexpr Site greenInOwnRow = Own == Site::Red ? Site::GreenInRedRow : Site::GreenInBlueRow;
    const Window window{1, image.height - 3, 1, image.width - 3};
    auto mapped = [&](std::int64_t r, std::int64_t c) { return std::int32_t{table[raw(r, c)]}; };
    auto green = [&](std::int64_t r, std::int64_t c) { return std::int32_t{image.green(r, c)}; };
    forEachSite(layout, window, [&](std::int64_t r, std::int64_t c, auto site) {
        constexpr Site s = decltype(site)::value;
        std::uint8_t value;
        if constexpr (s == Own) {
            value = raw(r, c);
        } else if constexpr (s == greenInOwnRow) {
            const std::int32_t d = mapped(r, c - 1) + mapped(r, c + 1) - green(r, c - 1) - green(r, c + 1);
            value = colourDifference(image.green(r, c), d, 0.5);
        } else if constexpr (!colourSite(s)) {
            const std::int32_t d = mapped(r - 1, c) + mapped(r + 1, c) - green(r - 1, c) - green(r + 1, c);
            value = colourDifference(image.green(r, c), d, 0.5);
        } else {
            const std::int32_t d = mapped(r - 1, c - 1) + mapped(r - 1, c + 1) + mapped(r + 1, c - 1) +
                                   mapped(r + 1, c + 1) - green(r - 1, c - 1) - green(r - 1, c + 1) -
                                   green(r + 1, c - 1) - green(r + 1, c + 1);
            value = colourDifference(image.green(r, c), d, 0.25);
        }
        image.pixel(r, c)[channel] = table[value];
    });
}

}  // namespace

std::int32_t gradientDirected(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                              const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                              std::uint32_t flip, std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    debugOutput("Hello, Edge Sensing!");
    const RawView raw{src, width};
    const ImageView image{dst, width, height, flipSet(flip)};
    if (layout >= 1 && layout <= 4) {
        greenStage(raw, image, lutGreen, layout);
        colourStage<Site::Red>(raw, image, lutRed, layout, 2);
        colourStage<Site::Blue>(raw, image, lutBlue, layout, 0);
        // At a size of 4 the window is row or column 1 alone, and the border
        // of 2 would spread row or column 2, whose red and blue no stage
        // writes, over the image.  Row or column 2 takes the whole pixels of
        // row or column 1 instead, so the image is that of the window.
        if (width == 4)
            for (std::int64_t r = 1; r <= height - 3; ++r) std::memcpy(image.pixel(r, 2), image.pixel(r, 1), 3);
        if (height == 4) std::memcpy(image.row(2), image.row(1), static_cast<std::size_t>(width) * 3);
    }
    extendBorder(dst, width, height, flip, 2, 3);
    return 1;
}

}  // namespace pm

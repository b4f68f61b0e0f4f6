// Border extension: the last step of most demosaicing methods.
#ifndef PIXMILL_FRAME_BORDER_H
#define PIXMILL_FRAME_BORDER_H

#include <cstdint>

namespace pm {

// Overwrites a frame `border` pixels wide around an image of `width` x
// `height` pixels of `bytesPerPixel` bytes by replicating the nearest kept
// column, then the nearest kept row (so each corner block takes the nearest
// kept corner pixel).  Works on memory rows; `flip` is accepted for the
// callers' convenience and not used, since the operation is symmetric.
// Returns 0 and changes nothing for a null image or a negative border.
// Images narrower or lower than border + 1 pixels are left unchanged (every
// method refuses them before it gets here).
std::int32_t extendBorder(std::uint8_t* image, std::int32_t width, std::int32_t height, std::uint32_t flip,
                          std::int32_t border, std::uint32_t bytesPerPixel);

// The two steps of extendBorder, for a method that finishes each row's ends
// while the row is still in cache: the column step on one row (`row` points
// at its first pixel), and afterwards the row step on the whole image.  Run
// the column step on every kept row (border to height - 1 - border) first;
// the rows the row step replaces need none.  Same size limits as above.
void extendRowEnds(std::uint8_t* row, std::int32_t width, std::int32_t border, std::uint32_t bytesPerPixel);
void extendEdgeRows(std::uint8_t* image, std::int32_t width, std::int32_t height, std::int32_t border,
                    std::uint32_t bytesPerPixel);

}  // namespace pm

#endif

// Shared pieces of every demosaicing method: which colour sits where, the
// common argument check, and where an image row lands in memory.
#ifndef PIXMILL_DEMOSAIC_BAYER_H
#define PIXMILL_DEMOSAIC_BAYER_H

#include <cstddef>
#include <cstdint>

#include "frame/library_state.h"

namespace pm {

enum class Colour : std::uint8_t { Red, Green, Blue };

// A sample position by its own colour and, for green, the colour of its row.
enum class Site : std::uint8_t { GreenInBlueRow, GreenInRedRow, Blue, Red };

// The colour of sample (row, column) under Bayer layout code 1 to 4; Green for
// any other code (such codes run no kernel).
constexpr Colour siteColour(std::int32_t layout, std::int64_t row, std::int64_t column) {
    const bool oddRow = (row & 1) != 0;
    const bool oddColumn = (column & 1) != 0;
    // Layouts 1 and 2 put green where row and column parities agree; 3 and 4
    // put it where they differ.
    switch (layout) {
        case 1: return oddRow == oddColumn ? Colour::Green : (oddRow ? Colour::Red : Colour::Blue);
        case 2: return oddRow == oddColumn ? Colour::Green : (oddRow ? Colour::Blue : Colour::Red);
        case 3: return oddRow != oddColumn ? Colour::Green : (oddRow ? Colour::Red : Colour::Blue);
        case 4: return oddRow != oddColumn ? Colour::Green : (oddRow ? Colour::Blue : Colour::Red);
        default: return Colour::Green;
    }
}

// A row type: the site in its even columns and the site in its odd columns.
// The four kinds are the row kernels that every method is built from.
template <Site EvenColumn, Site OddColumn>
struct RowKind {
    static constexpr Site even = EvenColumn;
    static constexpr Site odd = OddColumn;
    static constexpr Site at(std::int64_t column) { return (column & 1) != 0 ? odd : even; }
};
using BlueGreenRow = RowKind<Site::Blue, Site::GreenInBlueRow>;
using GreenRedRow = RowKind<Site::GreenInRedRow, Site::Red>;
using GreenBlueRow = RowKind<Site::GreenInBlueRow, Site::Blue>;
using RedGreenRow = RowKind<Site::Red, Site::GreenInRedRow>;

// Calls fn(evenRows, oddRows) with the row kinds of Bayer layout code 1 to 4
// (as empty tag objects) and returns true; returns false for any other code.
// This one switch turns a layout code into kernel instantiations.
template <typename Fn>
bool withLayoutRows(std::int32_t layout, Fn&& fn) {
    switch (layout) {
        case 1: fn(GreenBlueRow{}, RedGreenRow{}); return true;
        case 2: fn(GreenRedRow{}, BlueGreenRow{}); return true;
        case 3: fn(BlueGreenRow{}, GreenRedRow{}); return true;
        case 4: fn(RedGreenRow{}, GreenBlueRow{}); return true;
        default: return false;
    }
}

// The three caller tables of a conversion, never null inside a method.
struct LookupTables {
    const std::uint8_t* red;
    const std::uint8_t* green;
    const std::uint8_t* blue;
};

// Null tables arrive as the identity table itself, so comparing addresses
// finds the unmapped case, where fast paths may skip the look-ups; a caller's
// own identity table takes the general path and gives the same bytes.
inline bool allIdentity(const LookupTables& t) {
    const std::uint8_t* identity = identityTable.data();
    return t.red == identity && t.green == identity && t.blue == identity;
}

// The check every method makes before it touches anything: both images
// present, both sizes even and at least 4.
inline bool frameAccepted(const void* src, const void* dst, std::int32_t width, std::int32_t height) {
    return src != nullptr && dst != nullptr && width > 3 && height > 3 && (width & 1) == 0 &&
           (height & 1) == 0;
}

// The bytes of a BGR image of 8-bit samples (0 for sizes below 1).
inline std::size_t bgrImageBytes(std::int32_t width, std::int32_t height) {
    return width > 0 && height > 0 ? std::size_t{3} * static_cast<std::size_t>(width) * static_cast<std::size_t>(height)
                                   : 0;
}

// The methods test only the lowest byte of the flip flag.
constexpr bool flipSet(std::uint32_t flip) { return (flip & 0xFFu) != 0; }

// Start of image row `row` of an image of `height` rows of `rowBytes` bytes:
// memory row `row`, or `height` - 1 - `row` when written bottom-up (in 64
// bits: the method that checks no size may pass any height).
template <typename T>
inline T* imageRow(T* image, std::int64_t row, std::int32_t height, std::size_t rowBytes, bool bottomUp) {
    const std::int64_t memoryRow = bottomUp ? std::int64_t{height} - 1 - row : row;
    return image + static_cast<std::size_t>(memoryRow) * rowBytes;
}

}  // namespace pm

#endif

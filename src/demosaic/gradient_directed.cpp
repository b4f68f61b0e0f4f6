// Gradient-directed interpolation with colour differences (method code 4 of
// both entries).  Three stages, each writing one byte of every pixel it
// covers: green along the direction of the smaller gradient, then red and
// then blue as the pixel's green plus the neighbours' colour-minus-green
// difference, reading the green just stored back from the image.  The border
// of 2 finishes the image.
#include <algorithm>
#include <cstring>

#include "demosaic/colour_difference.h"
#include "demosaic/method_paths.h"
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

// Byte 1 of site S at (r, c).
template <Site S>
inline std::uint8_t greenOf(const RawView& raw, const std::uint8_t* greenTable, std::int64_t r, std::int64_t c) {
    if constexpr (colourSite(S))
        return greenTable[directedGreen(raw, greenTable, r, c)];
    else
        return greenTable[raw(r, c)];
}

// The byte of colour Own (Site::Red or Site::Blue) at site S, (r, c), before
// its table: the sample itself at an Own site, otherwise the pixel's green
// plus the neighbours' mapped colour(r, c) minus their green(r, c).
template <Site Own, Site S, typename Colour, typename Green>
inline std::uint8_t colourIndex(const RawView& raw, std::int64_t r, std::int64_t c, const Colour& colour,
                                const Green& green) {
    constexpr Site greenInOwnRow = Own == Site::Red ? Site::GreenInRedRow : Site::GreenInBlueRow;
    if constexpr (S == Own) {
        return static_cast<std::uint8_t>(raw(r, c));
    } else if constexpr (S == greenInOwnRow) {
        const std::int32_t d = colour(r, c - 1) + colour(r, c + 1) - green(r, c - 1) - green(r, c + 1);
        return colourDifference(green(r, c), d, 0.5);
    } else if constexpr (!colourSite(S)) {
        const std::int32_t d = colour(r - 1, c) + colour(r + 1, c) - green(r - 1, c) - green(r + 1, c);
        return colourDifference(green(r, c), d, 0.5);
    } else {
        const std::int32_t d = colour(r - 1, c - 1) + colour(r - 1, c + 1) + colour(r + 1, c - 1) +
                               colour(r + 1, c + 1) - green(r - 1, c - 1) - green(r - 1, c + 1) -
                               green(r + 1, c - 1) - green(r + 1, c + 1);
        return colourDifference(green(r, c), d, 0.25);
    }
}

// ---- The stages, as described: one byte of each pixel per pass ----------

// Byte 1 of rows 1 to height - 2 and columns 1 to width - 2: the window and
// one row and column beyond it, where the rule still stays inside the frame
// and whose green the colour stages read at the window's last row and
// column.  Row 0 and column 0, which the colour stages read at the window's
// first row and column and which no rule reaches, take the nearest computed
// green.  The border replaces all of these bytes in the end.
void greenStage(const RawView& raw, const ImageView& image, const std::uint8_t* greenTable, std::int32_t layout) {
    const Window extended{1, image.height - 2, 1, image.width - 2};
    forEachSite(layout, extended, [&](std::int64_t r, std::int64_t c, auto site) {
        image.green(r, c) = greenOf<decltype(site)::value>(raw, greenTable, r, c);
    });
    for (std::int64_t r = 1; r <= image.height - 2; ++r) image.green(r, 0) = image.green(r, 1);
    for (std::int64_t c = 0; c <= image.width - 2; ++c) image.green(0, c) = image.green(1, c);
}

// Byte `channel` (2 red, 0 blue) of the window through `table`: the stage of
// colour Own.  Neighbour colours enter through the table, their green as
// stored, and the result goes through the table again.
template <Site Own>
void colourStage(const RawView& raw, const ImageView& image, const std::uint8_t* table, std::int32_t layout,
                 int channel) {
    const Window window{1, image.height - 3, 1, image.width - 3};
    auto colour = [&](std::int64_t r, std::int64_t c) { return std::int32_t{table[raw(r, c)]}; };
    auto green = [&](std::int64_t r, std::int64_t c) { return std::int32_t{image.green(r, c)}; };
    forEachSite(layout, window, [&](std::int64_t r, std::int64_t c, auto site) {
        image.pixel(r, c)[channel] = table[colourIndex<Own, decltype(site)::value>(raw, r, c, colour, green)];
    });
}

// ---- The same stages row by row ------------------------------------------
//
// The stages can run interleaved: the green of three rows (kept in a small
// ring of row buffers) is all the red and blue of the middle row need.  The
// image is the one the stages give, computed in one pass while the rows are
// in cache; vector prefixes take most of each row and the rules above finish
// it.  Through tables, each raw row is first mapped once, every sample
// through its own colour's table (which is all any rule reads of it), into a
// second small ring, and the prefixes apply the tables to what they compute;
// without the ring every neighbour would be looked up anew for each pixel
// that reads it.  The frame is walked in strips of columns so that the rings
// stay small and need no allocation.

constexpr std::int64_t kStripColumns = 4096;

struct GreenRing {
    std::uint8_t rows[3][kStripColumns + 3];
    // Greens of row r, from column first - 1 (index 0).
    std::uint8_t* of(std::int64_t r) { return rows[r % 3]; }
};

// The rows the prefixes read: the raw frame itself through identity tables,
// otherwise mapped rows of the current strip, columns first - 2 to last + 2
// (within the frame), mapped as the walk first needs them.  Rows r - 1 to
// r + 3 are in use at once.
class PrefixRows {
   public:
    PrefixRows(const RawView& raw, std::int32_t layout, const simd::RowPlan& plan)
        : raw_(raw), layout_(layout), plan_(plan) {}

    void startStrip(std::int64_t first, std::int64_t last) {
        lo_ = std::max<std::int64_t>(first - 2, 0);
        hi_ = std::min<std::int64_t>(last + 2, raw_.width - 1);
        mapped_ = -1;
    }
    // Row r's sample at column c, as the prefixes read it (rows are mapped
    // in order, up to r and never past it: r may be the frame's last).
    const std::uint8_t* at(std::int64_t r, std::int64_t c) {
        if (plan_.unmapped) return raw_.row(r) + c;
        while (mapped_ < r) mapRow(++mapped_);
        return ring_[r % kRows] + (c - lo_);
    }

   private:
    static constexpr int kRows = 8;

    void mapRow(std::int64_t r) {
        const std::uint8_t* in = raw_.row(r);
        std::uint8_t* out = ring_[r % kRows];
        const LookupTables& t = plan_.tables;
        std::int64_t c = lo_;
        withRowKind(layout_, r, [&](auto row) {
            using Row = decltype(row);
            c += simd::mapSiteColumns<Row>(in + c, hi_ + 1 - c, out, plan_);
            for (; c <= hi_; ++c) {
                const Site s = Row::at(c);
                const std::uint8_t* table = s == Site::Red ? t.red : s == Site::Blue ? t.blue : t.green;
                out[c - lo_] = table[in[c]];
            }
        });
    }

    const RawView& raw_;
    std::int32_t layout_;
    const simd::RowPlan& plan_;
    std::int64_t lo_ = 0, hi_ = -1, mapped_ = -1;
    std::uint8_t ring_[kRows][kStripColumns + 8];
};

// Greens of row r (1 to height - 2) at columns first - 1 to last into
// `green`, column 0 as a copy of column 1.
template <typename Row>
void greenRow(const RawView& raw, PrefixRows& rows, std::int64_t r, std::int64_t first, std::int64_t last,
              std::uint8_t* green, const simd::RowPlan& plan) {
    const std::uint8_t* greenTable = plan.tables.green;
    std::int64_t c = first - 1;
    auto scalar = [&](std::int64_t column) {
        green[column - (first - 1)] = (column & 1) ? greenOf<Row::odd>(raw, greenTable, r, column)
                                                   : greenOf<Row::even>(raw, greenTable, r, column);
    };
    if (c == 0) ++c;
    if (c & 1) scalar(c++);
    const std::uint8_t* const at[3] = {rows.at(r - 1, c), rows.at(r, c), rows.at(r + 1, c)};
    c += simd::gradientGreenColumns<Row>(at, last + 1 - c, green + (c - (first - 1)), plan);
    for (; c <= last; ++c) scalar(c);
    if (first == 1) green[0] = green[1];
}

// Whole pixels of row r (1 to height - 3) at columns from to last, in the
// strip whose greens start at column first - 1.
template <typename Row>
void colourRow(const RawView& raw, PrefixRows& rows, const ImageView& image, std::int64_t r, std::int64_t first,
               std::int64_t from, std::int64_t last, GreenRing& ring, const simd::RowPlan& plan) {
    const LookupTables& t = plan.tables;
    const std::uint8_t* const greens[3] = {ring.of(r - 1), ring.of(r), ring.of(r + 1)};
    auto blue = [&](std::int64_t row, std::int64_t column) { return std::int32_t{t.blue[raw(row, column)]}; };
    auto red = [&](std::int64_t row, std::int64_t column) { return std::int32_t{t.red[raw(row, column)]}; };
    auto green = [&](std::int64_t row, std::int64_t column) {
        return std::int32_t{greens[row - r + 1][column - (first - 1)]};
    };
    auto scalar = [&](std::int64_t column, auto site) {
        constexpr Site s = decltype(site)::value;
        std::uint8_t* px = image.pixel(r, column);
        px[0] = t.blue[colourIndex<Site::Blue, s>(raw, r, column, blue, green)];
        px[1] = static_cast<std::uint8_t>(green(r, column));
        px[2] = t.red[colourIndex<Site::Red, s>(raw, r, column, red, green)];
    };
    auto scalarAt = [&](std::int64_t column) {
        if (column & 1)
            scalar(column, SiteTag<Row::odd>{});
        else
            scalar(column, SiteTag<Row::even>{});
    };
    std::int64_t c = from;
    if (c & 1) scalarAt(c++);
    const std::ptrdiff_t offset = c - (first - 1);
    const std::uint8_t* const atColumn[3] = {greens[0] + offset, greens[1] + offset, greens[2] + offset};
    const std::uint8_t* const at[3] = {rows.at(r - 1, c), rows.at(r, c), rows.at(r + 1, c)};
    c += simd::gradientColourColumns<Row>(at, atColumn, last + 1 - c, image.pixel(r, c), plan);
    for (; c <= last; ++c) scalarAt(c);
}

// With finishRows set (sizes of 6 or more), each kept row (2 to height - 3)
// gets the column step of the border as soon as its last strip is done; the
// pixels of row 1 and column 1, which the border replaces, are not computed
// (their greens are, for the rows and columns beside them).
void rowStages(const RawView& raw, const ImageView& image, std::int32_t layout, const simd::RowPlan& plan,
               bool finishRows) {
    PrefixRows rows(raw, layout, plan);
    withLayoutRows(layout, [&](auto evenRows, auto oddRows) {
        auto greenOfRow = [&](std::int64_t r, std::int64_t first, std::int64_t last, std::uint8_t* green) {
            if (r & 1)
                greenRow<decltype(oddRows)>(raw, rows, r, first, last, green, plan);
            else
                greenRow<decltype(evenRows)>(raw, rows, r, first, last, green, plan);
        };
        const std::int64_t lastRow = image.height - 3, lastColumn = image.width - 3;
        GreenRing ring;
        // Strips of output columns: 1 to kStripColumns + 1, then
        // kStripColumns at a time from even columns, where the vector blocks
        // start.  A strip's greens span its columns and one more each side.
        for (std::int64_t first = 1; first <= lastColumn; first = first == 1 ? 2 + kStripColumns : first + kStripColumns) {
            const std::int64_t last =
                std::min<std::int64_t>(first == 1 ? 1 + kStripColumns : first + kStripColumns - 1, lastColumn);
            rows.startStrip(first, last);
            greenOfRow(1, first, last + 1, ring.of(1));
            std::memcpy(ring.of(0), ring.of(1), static_cast<std::size_t>(last + 2 - first + 1));
            greenOfRow(2, first, last + 1, ring.of(2));
            const std::int64_t from = finishRows ? std::max<std::int64_t>(first, 2) : first;
            for (std::int64_t r = 1; r <= lastRow; ++r) {
                if (!finishRows || r >= 2) {
                    if (r & 1)
                        colourRow<decltype(oddRows)>(raw, rows, image, r, first, from, last, ring, plan);
                    else
                        colourRow<decltype(evenRows)>(raw, rows, image, r, first, from, last, ring, plan);
                }
                if (finishRows && last == lastColumn && r >= 2) extendRowEnds(image.row(r), image.width, 2, 3);
                if (r + 2 <= image.height - 2) greenOfRow(r + 2, first, last + 1, ring.of(r + 2));
            }
        }
    });
}

// The method; `announce` sends the debugger message of the current and the
// 1.5.0.1 builds (the 1.1.2.0 build's form sends none).  Through identity
// tables any path runs the stages row by row; through other tables the paths
// with byte shuffles do (the prefixes look the tables up), and the scalar
// and SSE2 paths run the stages as described.
std::int32_t gradientMethod(simd::Path path, bool announce, const std::uint8_t* src, std::uint8_t* dst,
                            std::int32_t width, std::int32_t height, const std::uint8_t* lutRed,
                            const std::uint8_t* lutGreen, const std::uint8_t* lutBlue, std::uint32_t flip,
                            std::int32_t layout) {
    if (!frameAccepted(src, dst, width, height)) return 0;
    if (announce) debugOutput("Hello, Edge Sensing!");
    const RawView raw{src, width};
    const ImageView image{dst, width, height, flipSet(flip)};
    if (layout >= 1 && layout <= 4) {
        const LookupTables tables{lutRed, lutGreen, lutBlue};
        const bool unmapped = allIdentity(tables);
        if (unmapped || path >= simd::Path::Avx) {
            const bool finishRows = width > 4 && height > 4;
            rowStages(raw, image, layout, simd::planRows(tables, path), finishRows);
            if (finishRows) {
                // Every kept row has its ends; the top and bottom rows remain.
                extendEdgeRows(dst, width, height, 2, 3);
                return 1;
            }
        } else {
            greenStage(raw, image, lutGreen, layout);
            colourStage<Site::Red>(raw, image, lutRed, layout, 2);
            colourStage<Site::Blue>(raw, image, lutBlue, layout, 0);
        }
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

}  // namespace

std::int32_t gradientDirectedOn(simd::Path path, const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout, simd::Stores) {
    return gradientMethod(path, true, src, dst, width, height, lutRed, lutGreen, lutBlue, flip, layout);
}

std::int32_t gradientDirectedQuiet(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                                   std::int32_t height, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                   const std::uint8_t* lutBlue, std::uint32_t flip, std::int32_t layout) {
    return gradientMethod(simd::bestPath(), false, src, dst, width, height, lutRed, lutGreen, lutBlue, flip,
                          layout);
}

std::int32_t gradientDirected(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::int32_t height,
                              const std::uint8_t* lutRed, const std::uint8_t* lutGreen, const std::uint8_t* lutBlue,
                              std::uint32_t flip, std::int32_t layout) {
    return gradientDirectedOn(simd::bestPath(), src, dst, width, height, lutRed, lutGreen, lutBlue, flip,
                              layout);
}

}  // namespace pm

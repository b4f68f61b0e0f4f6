// Where a region cut from a full frame lies in the frame's full-size map
// (dead-pixel map or pattern-noise accumulator).  EraseDeadPixel and
// FixPatternNoise share this rule.
#ifndef PIXMILL_CALIB_REGION_H
#define PIXMILL_CALIB_REGION_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace pm {

// The caller's region buffer is rows x columns samples, packed with
// `columns` as its row length; its sample (j, k) pairs with the map entry
// (y0 + j, x0 + k).
struct RegionInMap {
    std::int64_t x0 = 0, y0 = 0;
    std::int64_t rows = 0, columns = 0;
    std::int64_t mapWidth = 0;

    bool empty() const { return rows <= 0 || columns <= 0; }
    std::size_t frameIndex(std::int64_t j, std::int64_t k) const { return std::size_t(j * columns + k); }
    std::size_t mapIndex(std::int64_t j, std::int64_t k) const {
        return std::size_t((y0 + j) * mapWidth + x0 + k);
    }
};

// Non-positive sizes give an empty region.  Each offset is clamped to the map
// (0 to mapWidth, 0 to mapHeight), so a small region cut from the middle of a
// frame pairs with its own part of the map; the region is then narrowed to
// what remains of the map to the right and below.  A region that starts on
// the map's right or bottom edge is empty.
inline RegionInMap regionInMap(std::int32_t xOffset, std::int32_t yOffset, std::int32_t regionWidth,
                               std::int32_t regionHeight, std::int32_t mapWidth, std::int32_t mapHeight) {
    RegionInMap region;
    if (regionWidth <= 0 || regionHeight <= 0 || mapWidth <= 0 || mapHeight <= 0) return region;
    region.x0 = std::clamp<std::int64_t>(xOffset, 0, mapWidth);
    region.y0 = std::clamp<std::int64_t>(yOffset, 0, mapHeight);
    region.rows = std::min<std::int64_t>(regionHeight, mapHeight - region.y0);
    region.columns = std::min<std::int64_t>(regionWidth, mapWidth - region.x0);
    region.mapWidth = mapWidth;
    return region;
}

}  // namespace pm

#endif

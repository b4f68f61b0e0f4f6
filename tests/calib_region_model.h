// How a region buffer meets a full-frame map, written from the rules for the
// tests of dead-pixel erasure and pattern-noise correction, plus random
// region arguments that hit every clamp.
#ifndef PIXMILL_CALIB_REGION_MODEL_H
#define PIXMILL_CALIB_REGION_MODEL_H

#include <algorithm>
#include <random>
#include <sstream>
#include <string>

namespace pmtest {

struct RegionArgs {
    int xOffset, yOffset, regionWidth, regionHeight, mapWidth, mapHeight;
    std::string describe() const {
        std::ostringstream s;
        s << "offset (" << xOffset << ", " << yOffset << "), region " << regionWidth << "x" << regionHeight
          << ", map " << mapWidth << "x" << mapHeight;
        return s.str();
    }
};

// Offsets clamped to the map; size narrowed to what is left of the map.
// rows or cols of 0 or less: nothing is touched.
struct RegionModel {
    long x0 = 0, y0 = 0, rows = 0, cols = 0;
    explicit RegionModel(const RegionArgs& a) {
        if (a.regionWidth <= 0 || a.regionHeight <= 0 || a.mapWidth <= 0 || a.mapHeight <= 0) return;
        x0 = a.xOffset < 0 ? 0 : std::min(a.xOffset, a.mapWidth);
        y0 = a.yOffset < 0 ? 0 : std::min(a.yOffset, a.mapHeight);
        rows = std::min<long>(a.regionHeight, a.mapHeight - y0);
        cols = std::min<long>(a.regionWidth, a.mapWidth - x0);
    }
    bool active() const { return rows > 0 && cols > 0; }
    std::size_t samples() const { return active() ? std::size_t(rows * cols) : 1; }
};

// Mostly regions inside small maps, with negative, oversized and
// beyond-the-edge offsets, and now and then a non-positive size.
inline RegionArgs randomRegion(std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    RegionArgs a;
    a.mapWidth = pick(1, 24), a.mapHeight = pick(1, 24);
    a.regionWidth = pick(1, 26), a.regionHeight = pick(1, 26);
    a.xOffset = pick(-6, a.mapWidth + 3), a.yOffset = pick(-6, a.mapHeight + 3);
    if (rng() % 20 == 0) (rng() % 2 ? a.regionWidth : a.mapHeight) = -pick(0, 3);
    return a;
}

}  // namespace pmtest

#endif

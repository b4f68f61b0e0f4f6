// The calibration checks of the fuzz harnesses, shared by every build's
// harness: the exports GetWhiteBalanceRatio, SetGammaLut,
// DetectDeadPixel with SetBadPixelThreshold, EraseDeadPixel, GetPatternNoise,
// AvgPatternNoise and FixPatternNoise.
//
// The input chooses the export, sizes (including 0, negative and values near
// the 32-bit limits), region offsets, the threshold, the gamma value and all
// buffer contents.  Buffers are exactly as large as a caller provides them;
// a full-frame map or accumulator too large to allocate is an address range
// that reads as zeros and ends at a guard page.  Properties checked without
// a model of the exports:
//  - what the export only reads is never modified;
//  - a refused call writes nothing (and touches no buffer it was not given);
//  - the same call twice gives the same bytes;
//  - outputs stay in their documented ranges (map entries 0 or 1, pattern
//    deviations within +-255, ratios finite, a gamma table rising from 0 to
//    255), and regions change only where the map or accumulator asks.
//  Earlier builds' variants (odd white-balance sizes refused, a fixed
//  detection threshold) are described by a CalibrationBuild.
#ifndef PIXMILL_FUZZ_CALIBRATION_CHECKS_H
#define PIXMILL_FUZZ_CALIBRATION_CHECKS_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "pixmill.h"

namespace pmfuzz::calibration {

using pmfuzz::Buffer;
using pmfuzz::fail;
using pmfuzz::frameSamples;
using Bytes = std::vector<std::uint8_t>;

// Frames and regions larger than this are not processed here.
constexpr std::uint64_t kMaxSamples = 1 << 16;

inline char context[160];

// How a build's calibration exports differ from the current build's.
struct CalibrationBuild {
    // GetWhiteBalanceRatio refuses odd widths and heights.
    bool whiteBalanceRefusesOdd;
    // SetBadPixelThreshold, whose value DetectDeadPixel compares against;
    // null in builds that detect against a fixed threshold (and do not
    // export it).
    decltype(&SetBadPixelThreshold) setThreshold;
};

// The region of EraseDeadPixel and FixPatternNoise as the header defines it:
// offsets clamped to the map, then the region narrowed to what remains of
// the map; the frame buffer holds rows x columns samples.
struct Region {
    std::int64_t x0 = 0, y0 = 0, rows = 0, columns = 0;
    std::uint64_t samples() const { return rows > 0 && columns > 0 ? std::uint64_t(rows * columns) : 0; }
};
inline Region regionOf(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::int32_t mapW,
                       std::int32_t mapH) {
    Region r;
    if (w <= 0 || h <= 0 || mapW <= 0 || mapH <= 0) return r;
    r.x0 = std::clamp<std::int64_t>(x, 0, mapW);
    r.y0 = std::clamp<std::int64_t>(y, 0, mapH);
    r.rows = std::min<std::int64_t>(h, mapH - r.y0);
    r.columns = std::min<std::int64_t>(w, mapW - r.x0);
    return r;
}

// A read-only full-frame buffer of `bytes` bytes: filled from the input when
// small, zeros otherwise.
inline Buffer* readOnly(pmfuzz::Input& in, std::uint64_t bytes, std::unique_ptr<Buffer>& holder) {
    const bool small = bytes <= 4 * kMaxSamples;
    holder.reset(new Buffer(bytes, small ? Buffer::Kind::Heap : Buffer::Kind::Zeros));
    if (small) in.fill(holder->data(), bytes);
    return holder.get();
}

inline void whiteBalance(const CalibrationBuild& build, pmfuzz::Input& in) {
    const std::int32_t w = in.dimension(), h = in.dimension();
    const bool noImage = in.byte() == 255;
    std::snprintf(context, sizeof context, "GetWhiteBalanceRatio %dx%d%s", w, h, noImage ? ", null image" : "");
    const bool refused = noImage || w <= 3 || h <= 3 || (build.whiteBalanceRefusesOdd && (w % 2 != 0 || h % 2 != 0));
    const std::uint64_t samples = frameSamples(w, h);
    if (samples > kMaxSamples && !refused) return;
    Buffer image(3 * samples, samples > kMaxSamples ? Buffer::Kind::Untouchable : Buffer::Kind::Heap);
    if (image.onHeap()) in.fill(image.data(), 3 * samples);
    const Bytes imageBefore = image.copy();
    const std::uint8_t* imagePtr = noImage ? nullptr : image.data();

    double ratios[2][3] = {{-7.0, -7.0, -7.0}, {-7.0, -7.0, -7.0}};
    std::int32_t results[2];
    for (int k = 0; k < 2; ++k)
        results[k] = GetWhiteBalanceRatio(imagePtr, w, h, &ratios[k][0], &ratios[k][1], &ratios[k][2]);
    if (!image.same(imageBefore)) fail("image modified", context);
    if (results[0] != results[1] || std::memcmp(ratios[0], ratios[1], sizeof ratios[0]) != 0)
        fail("same call, other results", context);
    if (refused) {
        if (results[0] != 0) fail("refused size accepted", context);
        for (double r : ratios[0])
            if (r != -7.0) fail("refused call wrote a ratio", context);
        return;
    }
    if (results[0] != 1) fail("accepted size refused", context);
    for (double r : ratios[0])
        if (!std::isfinite(r) || r < 0.0) fail("ratio not finite or negative", context);
    if (ratios[0][1] != 0.0 && ratios[0][1] != 1.0) fail("green ratio neither 0 nor 1", context);
}

inline void gamma(pmfuzz::Input& in) {
    std::uint64_t bits = in.u64();
    double g;
    std::memcpy(&g, &bits, sizeof g);
    if ((in.byte() & 1) != 0) g = in.pick<double>({0.1, 10.0, 1.0, 0.45, 2.2, 0.0, -1.0, 0.09999999999999999});
    std::snprintf(context, sizeof context, "SetGammaLut %.17g", g);
    Bytes table(256), again(256), clamped(256);
    in.fill(table.data(), 256);
    again = table;
    SetGammaLut(table.data(), g);
    SetGammaLut(again.data(), g);
    if (table != again) fail("same gamma, other table", context);
    SetGammaLut(clamped.data(), g >= 10.0 ? 10.0 : !(g > 0.1) ? 0.1 : g);
    if (table != clamped) fail("table differs from that of the clamped gamma", context);
    if (table[0] != 0 || table[255] != 255) fail("table does not run from 0 to 255", context);
    for (int i = 1; i < 256; ++i)
        if (table[std::size_t(i)] < table[std::size_t(i - 1)]) fail("table falls", context);
}

inline void deadPixels(const CalibrationBuild& build, pmfuzz::Input& in) {
    const std::int32_t w = in.dimension(), h = in.dimension();
    const std::int32_t threshold =
        in.pick<std::int32_t>({10, 0, 1, 255, 256, -1, INT32_MIN, INT32_MAX, std::int32_t(in.byte()), 5, 40});
    const std::uint8_t missing = in.byte();
    const bool noFrame = missing == 254, noMap = missing == 255;
    std::snprintf(context, sizeof context, "DetectDeadPixel %dx%d, threshold %d%s%s", w, h, threshold,
                  noFrame ? ", null frame" : "", noMap ? ", null map" : "");
    if (build.setThreshold && build.setThreshold(threshold) != threshold) fail("threshold not returned", context);
    const std::uint64_t samples = frameSamples(w, h);
    const bool refused = noFrame || noMap || samples == 0;
    if (samples > kMaxSamples && !refused) return;
    const auto kind = samples > kMaxSamples ? Buffer::Kind::Untouchable : Buffer::Kind::Heap;
    Buffer frame(samples, kind), map(samples, kind);
    if (frame.onHeap()) in.fill(frame.data(), samples);
    Bytes before(map.onHeap() ? samples : 0), first;
    in.fill(before.data(), before.size());
    const Bytes frameBefore = frame.copy();
    auto detect = [&](const Bytes& previous) {
        if (!previous.empty()) std::memcpy(map.data(), previous.data(), previous.size());
        DetectDeadPixel(noFrame ? nullptr : frame.data(), noMap ? nullptr : map.data(), w, h);
        if (!frame.same(frameBefore)) fail("frame modified", context);
        return map.copy();
    };
    first = detect(before);
    if (refused) {
        if (first != before) fail("refused call wrote the map", context);
        return;
    }
    // Every entry is written: over other previous contents the map is the same.
    for (auto& v : before) v = std::uint8_t(~v);
    if (detect(before) != first) fail("map depends on what it held", context);
    for (std::uint8_t v : first) {
        if (v > 1) fail("map entry neither 0 nor 1", context);
        if (!build.setThreshold) continue;
        if ((threshold <= 0 && v != 1) || (threshold > 255 && v != 0)) fail("threshold beyond 0-255 ignored", context);
    }
    // A higher threshold marks no more samples.
    if (build.setThreshold && threshold < INT32_MAX) {
        build.setThreshold(threshold + 1);
        const Bytes higher = detect(before);
        for (std::size_t i = 0; i < higher.size(); ++i)
            if (higher[i] > first[i]) fail("higher threshold marked a new sample", context);
    }
}

// A region offset: any dimension, or a small negative value.
inline std::int32_t offset(pmfuzz::Input& in) {
    const std::uint8_t b = in.byte();
    return (b & 1) != 0 ? in.dimension() : -std::int32_t(b >> 4);
}

// The region walk of EraseDeadPixel and FixPatternNoise: sizes, offsets and
// the full-frame buffer (map or accumulator) of `entryBytes` bytes a sample.
struct RegionCall {
    std::int32_t x, y, w, h, mapW, mapH;
    Region region;
    bool noFrame, noMap;
    std::unique_ptr<Buffer> frame, map;
    Bytes frameBefore, mapBefore;

    bool read(pmfuzz::Input& in, std::uint64_t entryBytes, const char* name) {
        x = offset(in), y = offset(in);
        w = in.dimension(), h = in.dimension(), mapW = in.dimension(), mapH = in.dimension();
        const std::uint8_t missing = in.byte();
        noFrame = missing == 254, noMap = missing == 255;
        std::snprintf(context, sizeof context, "%s offset %d,%d, region %dx%d, map %dx%d%s%s", name, x, y, w, h, mapW,
                      mapH, noFrame ? ", null frame" : "", noMap ? ", null map" : "");
        region = regionOf(x, y, w, h, mapW, mapH);
        const std::uint64_t mapBytes = frameSamples(mapW, mapH) * entryBytes;
        if (region.samples() > kMaxSamples || mapBytes > Buffer::kMaxReservation) return false;
        // A tall region of a wide map reads a new page of the map in every
        // row; the first read of each page of the zero mapping is a page
        // fault, and tens of thousands of them take seconds: at most a
        // thousand rows of such a map.
        if (std::uint64_t(mapW) * entryBytes > 4096 && region.rows > 1024) return false;
        frame.reset(new Buffer(region.samples()));
        in.fill(frame->data(), region.samples());
        readOnly(in, mapBytes, map);
        frameBefore = frame->copy();
        mapBefore = map->copy();
        return true;
    }
    // Runs the call on a fresh copy of the frame and returns the result.
    template <typename Fn>
    Bytes run(Fn&& fn) {
        if (!frameBefore.empty()) std::memcpy(frame->data(), frameBefore.data(), frameBefore.size());
        fn(noFrame ? nullptr : frame->data(), noMap ? nullptr : map->data());
        if (!map->same(mapBefore)) fail("map or accumulator modified", context);
        return frame->copy();
    }
    // Runs the call twice, which must give the same frame, and returns that
    // frame into `result`; false for a refused call, which must write nothing.
    template <typename Fn>
    bool runAccepted(Fn&& fn, Bytes& result) {
        result = run(fn);
        if (run(fn) != result) fail("same call, other bytes", context);
        if (noFrame || noMap) {
            if (result != frameBefore) fail("refused call wrote", context);
            return false;
        }
        return true;
    }
    std::uint64_t mapIndex(std::int64_t j, std::int64_t k) const {
        return std::uint64_t((region.y0 + j) * mapW + region.x0 + k);
    }
};

inline void eraseDeadPixels(pmfuzz::Input& in) {
    RegionCall c;
    if (!c.read(in, 1, "EraseDeadPixel")) return;
    auto call = [&](std::uint8_t* frame, const std::uint8_t* map) {
        EraseDeadPixel(frame, map, c.x, c.y, c.w, c.h, c.mapW, c.mapH);
    };
    Bytes first;
    if (!c.runAccepted(call, first)) return;
    // Only marked samples at least two inside the region change.
    for (std::int64_t j = 0; j < c.region.rows; ++j)
        for (std::int64_t k = 0; k < c.region.columns; ++k) {
            const std::size_t i = std::size_t(j * c.region.columns + k);
            if (first[i] == c.frameBefore[i]) continue;
            const bool inner = j >= 2 && k >= 2 && j + 2 < c.region.rows && k + 2 < c.region.columns;
            if (!inner || c.map->data()[c.mapIndex(j, k)] == 0) fail("unmarked or outer sample changed", context);
        }
}

inline void getPatternNoise(pmfuzz::Input& in) {
    const std::int32_t w = in.dimension(), h = in.dimension();
    const std::uint8_t missing = in.byte();
    const bool noFrame = missing == 254, noAccumulator = missing == 255;
    std::snprintf(context, sizeof context, "GetPatternNoise %dx%d%s%s", w, h, noFrame ? ", null frame" : "",
                  noAccumulator ? ", null accumulator" : "");
    const std::uint64_t samples = frameSamples(w, h);
    const bool refused = noFrame || noAccumulator || samples == 0;
    if (samples > kMaxSamples && !refused) return;
    const auto kind = samples > kMaxSamples ? Buffer::Kind::Untouchable : Buffer::Kind::Heap;
    Buffer frame(samples, kind), accumulator(4 * samples, kind);
    if (frame.onHeap()) {
        in.fill(frame.data(), samples);
        in.fill(accumulator.data(), 4 * samples);
    }
    const Bytes frameBefore = frame.copy(), accumulatorBefore = accumulator.copy();
    Bytes results[2];
    for (auto& result : results) {
        if (!accumulatorBefore.empty())
            std::memcpy(accumulator.data(), accumulatorBefore.data(), accumulatorBefore.size());
        GetPatternNoise(noFrame ? nullptr : frame.data(),
                        noAccumulator ? nullptr : reinterpret_cast<std::int32_t*>(accumulator.data()), w, h);
        if (!frame.same(frameBefore)) fail("frame modified", context);
        result = accumulator.copy();
    }
    if (results[0] != results[1]) fail("same call, other bytes", context);
    if (refused) {
        if (results[0] != accumulatorBefore) fail("refused call wrote", context);
        return;
    }
    for (std::size_t i = 0; i < samples; ++i) {
        std::int32_t was, now;
        std::memcpy(&was, &accumulatorBefore[4 * i], 4);
        std::memcpy(&now, &results[0][4 * i], 4);
        const auto added = std::int32_t(std::uint32_t(now) - std::uint32_t(was));
        if (added < -255 || added > 255) fail("deviation beyond +-255", context);
    }
}

inline void avgPatternNoise(pmfuzz::Input& in) {
    const std::int32_t w = in.dimension(), h = in.dimension();
    const std::int32_t frames = in.pick<std::int32_t>({2, 3, 1, 0, -1, 7, INT32_MAX, INT32_MIN, in.dimension()});
    const bool noAccumulator = in.byte() == 255;
    std::snprintf(context, sizeof context, "AvgPatternNoise %dx%d, %d frames%s", w, h, frames,
                  noAccumulator ? ", null accumulator" : "");
    const std::uint64_t samples = frameSamples(w, h);
    const bool unchanged = noAccumulator || samples == 0 || frames <= 1;
    if (samples > kMaxSamples && !unchanged) return;
    Buffer accumulator(4 * samples, samples > kMaxSamples ? Buffer::Kind::Untouchable : Buffer::Kind::Heap);
    std::vector<std::int32_t> before(accumulator.onHeap() ? samples : 0), after(before.size());
    for (auto& v : before)
        v = in.pick<std::int32_t>({std::int32_t(in.u32()), INT32_MIN, INT32_MAX, -1, 0, 1, -7, 7, -255, 255});
    if (!before.empty()) std::memcpy(accumulator.data(), before.data(), 4 * samples);
    AvgPatternNoise(noAccumulator ? nullptr : reinterpret_cast<std::int32_t*>(accumulator.data()), w, h, frames);
    if (!before.empty()) std::memcpy(after.data(), accumulator.data(), 4 * samples);
    // Truncating division, or nothing at all.
    for (std::size_t i = 0; i < before.size(); ++i)
        if (after[i] != (unchanged ? before[i] : before[i] / frames))
            fail("entry not divided by the frame count", context);
}

inline void fixPatternNoise(pmfuzz::Input& in) {
    RegionCall c;
    if (!c.read(in, 4, "FixPatternNoise")) return;
    auto call = [&](std::uint8_t* frame, const std::uint8_t* accumulator) {
        FixPatternNoise(frame, reinterpret_cast<const std::int32_t*>(accumulator), c.x, c.y, c.w, c.h, c.mapW,
                        c.mapH);
    };
    Bytes first;
    if (!c.runAccepted(call, first)) return;
    // A positive entry can only darken its sample, a negative one only
    // brighten it, and a zero entry leaves it.
    for (std::int64_t j = 0; j < c.region.rows; ++j)
        for (std::int64_t k = 0; k < c.region.columns; ++k) {
            const std::size_t i = std::size_t(j * c.region.columns + k);
            std::int32_t entry;
            std::memcpy(&entry, c.map->data() + 4 * c.mapIndex(j, k), 4);
            const int change = int(first[i]) - int(c.frameBefore[i]);
            if ((entry == 0 && change != 0) || (entry > 0 && change > 0) || (entry < 0 && change < 0))
                fail("sample moved against its accumulator entry", context);
        }
}

// Decodes one call from `in`, makes it and checks it; returns 0 (a failed
// property aborts).
inline int checkCalibration(const CalibrationBuild& build, pmfuzz::Input& in) {
    switch (in.byte() % 6) {
        case 0: whiteBalance(build, in); break;
        case 1: gamma(in); break;
        case 2: deadPixels(build, in); break;
        case 3: eraseDeadPixels(in); break;
        case 4: getPatternNoise(in); break;
        default: in.byte() % 2 == 0 ? avgPatternNoise(in) : fixPatternNoise(in); break;
    }
    pmfuzz::trace(context);
    return 0;
}

}  // namespace pmfuzz::calibration

#endif

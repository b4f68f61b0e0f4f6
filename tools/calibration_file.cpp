#include "calibration_file.h"

#include <cmath>
#include <cstring>

namespace pmtool {
namespace {

const char kMagic[8] = {'P', 'M', 'C', 'A', 'L', 'I', 'B', '\n'};
constexpr std::uint32_t kGains = 1, kDefects = 2, kPattern = 4;

std::uint32_t fnv1a(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

class Writer {
public:
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
    }
    void f64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        u32(std::uint32_t(bits));
        u32(std::uint32_t(bits >> 32));
    }
    std::vector<std::uint8_t> bytes;
};

class Reader {
public:
    Reader(const std::vector<std::uint8_t>& bytes, std::size_t end) : bytes_(bytes), end_(end) {}
    const std::uint8_t* take(std::size_t count, const char* what) {
        if (end_ - pos_ < count) throw CalibrationError(std::string("calibration file is truncated in the ") + what);
        pos_ += count;
        return &bytes_[pos_ - count];
    }
    std::uint32_t u32(const char* what) {
        const std::uint8_t* at = take(4, what);
        return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
               std::uint32_t(at[3]) << 24;
    }
    double f64(const char* what) {
        const std::uint64_t low = u32(what), high = u32(what);
        const std::uint64_t bits = low | high << 32;
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    std::size_t left() const { return end_ - pos_; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t end_, pos_ = 0;
};

}  // namespace

std::vector<std::uint8_t> encodeCalibration(const Calibration& c) {
    Writer out;
    out.bytes.assign(kMagic, kMagic + 8);
    out.u32(kCalibrationVersion);
    out.u32(std::uint32_t(c.width));
    out.u32(std::uint32_t(c.height));
    out.u32(std::uint32_t(c.layout));
    out.f64(c.gamma);
    out.u32((c.haveGains ? kGains : 0) | (c.defects.empty() ? 0 : kDefects) | (c.pattern.empty() ? 0 : kPattern));
    if (c.haveGains) {
        out.f64(c.gains.red);
        out.f64(c.gains.green);
        out.f64(c.gains.blue);
    }
    out.bytes.insert(out.bytes.end(), c.defects.begin(), c.defects.end());
    for (std::int32_t v : c.pattern) out.u32(std::uint32_t(v));
    out.u32(fnv1a(out.bytes.data(), out.bytes.size()));
    return out.bytes;
}

Calibration decodeCalibration(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kMagic, 8) != 0)
        throw CalibrationError("not a pixmill calibration file");
    if (bytes.size() < 12) throw CalibrationError("calibration file is truncated in the header");
    Reader in(bytes, bytes.size() - 4);
    in.take(8, "header");
    const std::uint32_t version = in.u32("header");
    if (version != kCalibrationVersion)
        throw CalibrationError("calibration file version " + std::to_string(version) + " is not supported (this "
                               "build reads version " + std::to_string(kCalibrationVersion) + ")");
    Calibration c;
    c.width = std::int32_t(in.u32("header"));
    c.height = std::int32_t(in.u32("header"));
    c.layout = std::int32_t(in.u32("header"));
    c.gamma = in.f64("header");
    const std::uint32_t contents = in.u32("header");
    if (c.width < 4 || c.height < 4 || c.width > kMaxSide || c.height > kMaxSide ||
        std::int64_t(c.width) * c.height > kMaxSamples || c.layout < 1 || c.layout > 4 ||
        (contents & ~std::uint32_t(kGains | kDefects | kPattern)) != 0 ||
        !(c.gamma == 0.0 || (c.gamma >= 0.1 && c.gamma <= 10.0)))
        throw CalibrationError("calibration file is corrupt (its header holds impossible values)");
    const std::size_t n = std::size_t(c.width) * std::size_t(c.height);
    if (contents & kGains) {
        c.haveGains = true;
        c.gains = {in.f64("gains"), in.f64("gains"), in.f64("gains")};
        if (!(c.gains.red > 0.0 && c.gains.green > 0.0 && c.gains.blue > 0.0) || !std::isfinite(c.gains.red) ||
            !std::isfinite(c.gains.green) || !std::isfinite(c.gains.blue))
            throw CalibrationError("calibration file is corrupt (its gains are not positive)");
    }
    if (contents & kDefects) {
        const std::uint8_t* map = in.take(n, "defect map");
        c.defects.assign(map, map + n);
    }
    if (contents & kPattern) {
        c.pattern.resize(n);
        for (std::int32_t& v : c.pattern) v = std::int32_t(in.u32("pattern noise"));
    }
    if (in.left() != 0) throw CalibrationError("calibration file is corrupt (bytes after its contents)");
    const std::size_t end = bytes.size() - 4;
    const std::uint32_t stored = std::uint32_t(bytes[end]) | std::uint32_t(bytes[end + 1]) << 8 |
                                 std::uint32_t(bytes[end + 2]) << 16 | std::uint32_t(bytes[end + 3]) << 24;
    if (stored != fnv1a(bytes.data(), end)) throw CalibrationError("calibration file is corrupt (checksum mismatch)");
    return c;
}

Calibration readCalibration(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path, std::size_t(kMaxSamples) * 5 + 4096);
    try {
        return decodeCalibration(bytes);
    } catch (const CalibrationError& error) {
        throw CalibrationError("'" + path + "': " + error.what());
    }
}

void requireMatchingCalibration(const Calibration& c, std::int32_t width, std::int32_t height, std::int32_t layout) {
    if (c.width != width || c.height != height)
        throw CalibrationError("the calibration is for " + std::to_string(c.width) + "x" + std::to_string(c.height) +
                               " frames, this frame is " + std::to_string(width) + "x" + std::to_string(height));
    if (c.layout != layout)
        throw CalibrationError("the calibration is for layout " + std::to_string(c.layout) + ", not " +
                               std::to_string(layout) + " (give --layout " + std::to_string(c.layout) + ")");
}

}  // namespace pmtool

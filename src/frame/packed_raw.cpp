// Unpacking (Raw10PackedToRaw16, Raw12PackedToRaw16): packed 10-bit and
// 12-bit frames widened into one 16-bit word per sample, in one pass without
// allocation.
#include "frame/packed_raw.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace pm {
namespace {

// The frame's sample count, or 0 when there is nothing to unpack: a width or
// height of 0 or below (two negative sides do not make a frame), or a count
// above 2^31 - 1, which the 32-bit count of the frame cannot describe.
std::size_t sampleCount(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return 0;
    const std::int64_t n = std::int64_t(width) * std::int64_t(height);
    return n > std::numeric_limits<std::int32_t>::max() ? 0 : static_cast<std::size_t>(n);
}

// Little-endian loads at any byte address.
inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

// Three samples per 32-bit word in bits 0-9, 10-19 and 20-29; a last word
// holds the one or two samples left over.  Reads exactly ceil(N / 3) words.
void unpackRaw10(const void* packed, std::uint16_t* unpacked, std::int32_t width, std::int32_t height) {
    const std::size_t n = sampleCount(width, height);
    if (packed == nullptr || unpacked == nullptr || n == 0) return;
    const auto* in = static_cast<const std::uint8_t*>(packed);
    std::uint16_t* out = unpacked;
    const std::size_t words = n / 3;
    for (std::size_t i = 0; i < words; ++i, in += 4, out += 3) {
        const std::uint32_t w = load32(in);
        out[0] = static_cast<std::uint16_t>(w & 0x3FF);
        out[1] = static_cast<std::uint16_t>((w >> 10) & 0x3FF);
        out[2] = static_cast<std::uint16_t>((w >> 20) & 0x3FF);
    }
    const std::size_t left = n % 3;
    if (left == 0) return;
    const std::uint32_t w = load32(in);
    out[0] = static_cast<std::uint16_t>(w & 0x3FF);
    if (left == 2) out[1] = static_cast<std::uint16_t>((w >> 10) & 0x3FF);
}

// Two samples per three bytes: the first is the low 12 bits of the 16-bit
// little-endian word at bytes 0-1, the second the word at bytes 1-2 shifted
// right by 4.  With an odd sample count the last sample is unpacked from the
// first half of a final group: its 12 bits are byte 0 and the low half of
// byte 1, which are part of the packed frame (3 (N - 1) / 2 + 2 bytes), while
// byte 2 is not and is never read.  Leaving that output word unwritten would
// hand the caller a frame whose last sample is whatever the buffer held.
void unpackRaw12(const void* packed, std::uint16_t* unpacked, std::int32_t width, std::int32_t height) {
    const std::size_t n = sampleCount(width, height);
    if (packed == nullptr || unpacked == nullptr || n == 0) return;
    const auto* in = static_cast<const std::uint8_t*>(packed);
    std::uint16_t* out = unpacked;
    std::size_t groups = n / 2;
    // Four groups (12 bytes, eight samples at bits 0, 12, ... 84) per step
    // from two overlapping 8-byte loads, of bytes 0-7 and 4-11.
    for (; groups >= 4; groups -= 4, in += 12, out += 8) {
        const std::uint64_t a = load64(in), b = load64(in + 4);
        out[0] = static_cast<std::uint16_t>(a & 0xFFF);
        out[1] = static_cast<std::uint16_t>((a >> 12) & 0xFFF);
        out[2] = static_cast<std::uint16_t>((a >> 24) & 0xFFF);
        out[3] = static_cast<std::uint16_t>((a >> 36) & 0xFFF);
        out[4] = static_cast<std::uint16_t>((b >> 16) & 0xFFF);
        out[5] = static_cast<std::uint16_t>((b >> 28) & 0xFFF);
        out[6] = static_cast<std::uint16_t>((b >> 40) & 0xFFF);
        out[7] = static_cast<std::uint16_t>((b >> 52) & 0xFFF);
    }
    for (; groups > 0; --groups, in += 3, out += 2) {
        out[0] = static_cast<std::uint16_t>(in[0] | ((in[1] & 0x0F) << 8));
        out[1] = static_cast<std::uint16_t>((in[1] >> 4) | (in[2] << 4));
    }
    if (n % 2 != 0) out[0] = static_cast<std::uint16_t>(in[0] | ((in[1] & 0x0F) << 8));
}

}  // namespace pm

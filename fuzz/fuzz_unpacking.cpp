// Fuzz harness of the unpacking exports Raw10PackedToRaw16 and
// Raw12PackedToRaw16: packed frames of any sample count, with the tails of
// one or two samples left over.
//
// The input chooses the export, width and height (0, negative, odd, tiny,
// near the 32-bit limits), the byte offset of the packed frame (none is
// needed aligned), null pointers and the packed bytes.  The packed frame is
// exactly as long as the header says the call reads (ceil(N / 3) words,
// ceil(3 N / 2) bytes) and ends where its heap block ends; the output is
// exactly N words.  A call that must write nothing gets address space it
// cannot touch.  Properties checked without a model of the exports beyond
// their bit layout:
//  - the packed frame is never modified; every output word is written (two
//    previous contents give one result) and below 2^10 or 2^12;
//  - the same call twice gives the same words, and the result depends only
//    on N: width x height, N x 1 and 1 x N agree;
//  - fewer samples from the same bytes give the front of the result (the
//    tail paths agree with the body);
//  - each output word is the bits the header places it at (the packed
//    bytes' bits, read back one sample at a time).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "pixmill.h"

namespace {

using pmfuzz::Buffer;
using pmfuzz::fail;
using Words = std::vector<std::uint16_t>;
using Unpack = decltype(&Raw10PackedToRaw16);

constexpr std::uint64_t kMaxSamples = 1 << 16;

char context[160];

// Bytes the header says a frame of n samples occupies.
std::uint64_t packedBytes(bool twelve, std::uint64_t n) { return twelve ? (3 * n + 1) / 2 : (n + 2) / 3 * 4; }

// Sample i read straight from the bits the header gives it.
std::uint16_t sampleAt(bool twelve, const std::uint8_t* p, std::uint64_t i) {
    if (!twelve) {
        const std::uint8_t* w = p + i / 3 * 4;
        const std::uint32_t word = w[0] | std::uint32_t(w[1]) << 8 | std::uint32_t(w[2]) << 16 | std::uint32_t(w[3]) << 24;
        return std::uint16_t((word >> (10 * (i % 3))) & 0x3FF);
    }
    const std::uint8_t* g = p + i / 2 * 3;
    return i % 2 == 0 ? std::uint16_t(g[0] | (g[1] & 0x0F) << 8) : std::uint16_t(g[1] >> 4 | g[2] << 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pmfuzz::Input in(data, size);
    const bool twelve = (in.byte() & 1) != 0;
    const Unpack unpack = twelve ? Raw12PackedToRaw16 : Raw10PackedToRaw16;
    std::int32_t width = in.dimension(), height = in.dimension();
    // Frames of one row or one column, of any length, often.
    const std::uint8_t shape = in.byte();
    if (shape % 4 == 1) height = 1;
    if (shape % 4 == 2) width = 1;
    const std::size_t offset = in.byte() % 8;
    const std::uint8_t missing = in.byte();
    const bool noPacked = missing == 252 || missing == 254, noOutput = missing == 253 || missing == 254;
    const std::uint64_t n = pmfuzz::frameSamples(width, height);
    const bool accepted = !noPacked && !noOutput && n > 0 && n <= std::uint64_t(INT32_MAX);
    if (accepted && n > kMaxSamples) return 0;
    std::snprintf(context, sizeof context, "%s %dx%d, packed at offset %zu%s%s",
                  twelve ? "Raw12PackedToRaw16" : "Raw10PackedToRaw16", width, height, offset,
                  noPacked ? ", null packed" : "", noOutput ? ", null output" : "");
    pmfuzz::trace(context);

    if (!accepted) {
        // Nothing may be touched: buffers without any access, as large as
        // the frame would need.
        Buffer packed(packedBytes(twelve, n), Buffer::Kind::Untouchable), out(2 * n, Buffer::Kind::Untouchable);
        unpack(noPacked ? nullptr : packed.data(), noOutput ? nullptr : reinterpret_cast<std::uint16_t*>(out.data()),
               width, height);
        return 0;
    }

    // The packed frame at the chosen offset, ending at its block's end.
    const std::uint64_t bytes = packedBytes(twelve, n);
    Buffer block(bytes + offset);
    in.fill(block.data(), bytes + offset);
    const std::uint8_t* packed = block.data() + offset;
    const std::vector<std::uint8_t> packedBefore = block.copy();
    Buffer out(2 * n);
    auto* words = reinterpret_cast<std::uint16_t*>(out.data());

    auto run = [&](std::int32_t w, std::int32_t h, std::uint8_t fillByte) {
        std::memset(out.data(), fillByte, out.size());
        unpack(packed, words, w, h);
        if (!block.same(packedBefore)) fail("packed frame modified", context);
        return Words(words, words + n);
    };
    const Words first = run(width, height, 0xA5);
    if (run(width, height, 0x5A) != first) fail("output word not written (or depends on what it held)", context);
    if (run(width, height, 0xA5) != first) fail("same call, other words", context);
    if (n <= std::uint64_t(INT32_MAX) && (run(std::int32_t(n), 1, 0xA5) != first || run(1, std::int32_t(n), 0xA5) != first))
        fail("result depends on the frame's shape, not only its sample count", context);

    for (std::uint64_t i = 0; i < n; ++i)
        if (first[i] != sampleAt(twelve, packed, i)) {
            std::fprintf(stderr, "sample %llu of %llu: %u\n", static_cast<unsigned long long>(i),
                         static_cast<unsigned long long>(n), unsigned(first[i]));
            fail("sample not the bits the header places it at", context);
        }

    // Fewer samples (a shorter tail, another step split) give the front.
    const std::uint64_t fewer = n - 1 - in.byte() % std::min<std::uint64_t>(n, 16);
    if (fewer > 0) {
        std::memset(out.data(), 0xEE, out.size());
        unpack(packed, words, std::int32_t(fewer), 1);
        if (std::memcmp(words, first.data(), 2 * fewer) != 0) fail("fewer samples are not the front", context);
        for (std::uint64_t i = fewer; i < n; ++i)
            if (words[i] != 0xEEEE) fail("wrote past the samples asked for", context);
    }
    return 0;
}

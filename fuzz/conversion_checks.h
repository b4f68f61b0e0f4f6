// The conversion checks of the fuzz harnesses, shared by every build's
// harness: the entries ConvertBayer2Rgb and ConvertBayer2RgbEx (where the
// build has it), every method code of both.  A build describes its entries
// by a ConversionBuild: its codes as its methods.txt states them (which set
// the smoothing flag, which follow it, which turn the picture, which share a
// routine and so must agree), its null-table policy and its per-code
// exceptions.
//
// The input chooses entry, method code, layout code, flip value, sizes,
// tables (null, an explicit identity or arbitrary), missing images, and the
// frame's and the destination's contents.  Source and destination are exactly
// as large as the header says a caller provides (width x height and
// 3 x width x height bytes).  Each call is then checked for properties that
// need no model of the method:
//  - the result is 0 or 1, and 0 whenever the header says the call is
//    refused; a call that returns 0 writes nothing;
//  - neither the frame nor a caller table is modified;
//  - the same call again, with another flip value of the same lowest byte,
//    gives the same bytes;
//  - null tables give what explicit identity tables give;
//  - with a layout code of 1 to 4, every destination byte is written: the
//    call over two different previous contents gives the same image;
//  - setting the flip flag mirrors the image (its rows; its columns for the
//    turned method);
//  - codes that name the same method give the same image.
// Method codes that have no method in this tree yet return 0 for everything
// and are covered as they land.  A build that refuses null tables must
// refuse every call with one (the null-table check then does not apply).
#ifndef PIXMILL_FUZZ_CONVERSION_CHECKS_H
#define PIXMILL_FUZZ_CONVERSION_CHECKS_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "demosaic/methods.h"
#include "fuzz_support.h"
#include "pixmill.h"

namespace pmfuzz::conversion {

using pmfuzz::Buffer;
using pmfuzz::fail;
using Bytes = std::vector<std::uint8_t>;
using Entry = PmConvertBayerFunction;

// What a method code of an entry promises beyond the common contract (each
// build lists its exceptions in one ruleOf function).
struct CodeRule {
    // Pixels along each edge of the image that may keep what the
    // destination held (and may depend on it); the rest is always written.
    int keptMargin = 0;
    // The image is written a quarter turn round: `width` rows of `height`
    // pixels, and the flip flag mirrors its columns instead of its rows.
    bool turned = false;
    // Setting the flip flag gives the mirrored image.
    bool flipMirrors = true;
    // Odd sizes and sizes of 3 or less are refused.
    bool refusesBadSizes = true;
    // The method's own size limit (working memory of a fixed size): wider or
    // taller frames are refused without touching a buffer.
    std::int32_t maxWidth = INT32_MAX, maxHeight = INT32_MAX;
};

// Codes decoded per entry: codes beyond an entry's table are refused.
constexpr int kDecodedCodes = 10;

// One code of an entry as its build's methods.txt states it: a harness
// expands the generated method_codes_<tag>.h with PIXMILL_FUZZ_CODE_ROW.
// Codes of one routine must give the same image; where one of them sets the
// smoothing flag and the routine follows it, only once the flag is set.
struct CodeFacts {
    pm::Method routine;
    bool setsFlag, followsFlag, turns;
};
#define PIXMILL_FUZZ_CODE_ROW(code, routine, name, setsFlag, followsFlag, turns, description) \
    pmfuzz::conversion::CodeFacts{pm::routine, setsFlag != 0, followsFlag != 0, turns != 0},

// What a build's conversion entries are.
struct ConversionBuild {
    Entry rgb, rgbEx;  // rgbEx null: the build has one entry
    const CodeFacts* rgbFacts;
    std::int32_t rgbCodes;
    const CodeFacts* rgbExFacts;
    std::int32_t rgbExCodes;
    bool refusesNullTables;
    CodeRule (*ruleOf)(bool ex, std::int32_t code);

    // The facts of a code the entry has, else null.
    const CodeFacts* facts(bool ex, std::int32_t code) const {
        if (code < 0 || code >= (ex ? rgbExCodes : rgbCodes)) return nullptr;
        return &(ex ? rgbExFacts : rgbFacts)[code];
    }
};

// Set once this process has run a code that sets the smoothing flag
// successfully: the flag is set from then on (nothing clears it).
inline bool smoothingSet = false;

// Frames larger than this are not converted here (the large-frame tests do
// that); calls the header or the method's own size limit refuses still run,
// over untouchable buffers, so sizes near the 32-bit limits reach every
// method's own checks.
constexpr std::uint64_t kMaxSamples = 1 << 16;

struct Call {
    bool ex;
    std::int32_t code;
    std::int32_t width, height, flip, layout;
    const std::uint8_t* src;
    std::uint8_t* dest;
    const std::uint8_t* tables[3];

    const ConversionBuild* build;

    std::int32_t run() const {
        const Entry entry = ex ? build->rgbEx : build->rgb;
        const std::int32_t result =
            entry(dest, src, width, height, code, tables[0], tables[1], tables[2], flip, layout);
        const CodeFacts* facts = build->facts(ex, code);
        if (facts != nullptr && facts->setsFlag && result == 1) smoothingSet = true;
        return result;
    }
    void describe(char* out, std::size_t n) const {
        std::snprintf(out, n, "%s code %d, %dx%d, layout %d, flip 0x%x, tables %s/%s/%s%s%s",
                      ex ? "ConvertBayer2RgbEx" : "ConvertBayer2Rgb", code, width, height, layout, unsigned(flip),
                      tables[0] ? "R" : "null", tables[1] ? "G" : "null", tables[2] ? "B" : "null",
                      src ? "" : ", null source", dest ? "" : ", null destination");
    }
};

// Decodes one call from `in`, makes it and checks it; returns 0 (a failed
// property aborts).
inline int checkConversion(const ConversionBuild& build, pmfuzz::Input& in) {
    Call call{};
    call.build = &build;
    call.ex = (in.byte() & 1) != 0 && build.rgbEx != nullptr;
    const std::uint8_t codeChoice = in.byte();
    call.code = codeChoice < 240 ? codeChoice % kDecodedCodes
                                 : in.pick<std::int32_t>({10, 11, -1, INT32_MIN, INT32_MAX, 256, 7 - 256});
    const std::uint8_t layoutChoice = in.byte();
    call.layout = layoutChoice < 224 ? 1 + layoutChoice % 4 : in.pick<std::int32_t>({0, 5, -1, INT32_MIN, 257});
    call.flip = in.pick<std::int32_t>({0, 1, 0x100, 0x1FF, -256, INT32_MIN, 0x80, std::int32_t(in.u32())});
    call.width = in.dimension();
    call.height = in.dimension();
    const std::uint8_t missing = in.byte();
    const bool noSource = missing == 252 || missing == 254, noDest = missing == 253 || missing == 254;

    const CodeFacts* facts = build.facts(call.ex, call.code);
    const bool knownCode = facts != nullptr;
    CodeRule rule = build.ruleOf(call.ex, call.code);
    rule.turned = knownCode && facts->turns;
    const bool goodSizes = call.width > 3 && call.height > 3 && call.width % 2 == 0 && call.height % 2 == 0;
    bool mustRefuse = noSource || noDest || !knownCode || (rule.refusesBadSizes && !goodSizes) ||
                      call.width > rule.maxWidth || call.height > rule.maxHeight;
    const std::uint64_t samples = pmfuzz::frameSamples(call.width, call.height);
    const bool large = samples > kMaxSamples;
    if (large && !mustRefuse) return 0;

    // Tables: null, an explicit identity, or arbitrary.
    Bytes identity(256), tables[3];
    for (int i = 0; i < 256; ++i) identity[std::size_t(i)] = std::uint8_t(i);
    for (int k = 0; k < 3; ++k) {
        switch (in.byte() % 3) {
            case 0: call.tables[k] = nullptr; break;
            case 1: tables[k] = identity; call.tables[k] = tables[k].data(); break;
            default:
                tables[k].resize(256);
                in.fill(tables[k].data(), 256);
                call.tables[k] = tables[k].data();
                break;
        }
    }
    const Bytes tablesBefore[3] = {tables[0], tables[1], tables[2]};
    const bool nullTable = !call.tables[0] || !call.tables[1] || !call.tables[2];
    if (build.refusesNullTables && nullTable) mustRefuse = true;

    const auto kind = large ? Buffer::Kind::Untouchable : Buffer::Kind::Heap;
    Buffer src(samples, kind), dest(3 * samples, kind);
    if (src.onHeap()) in.fill(src.data(), samples);
    const Bytes srcBefore = src.copy();
    call.src = noSource ? nullptr : src.data();
    call.dest = noDest ? nullptr : dest.data();

    // Two previous destination contents that differ in every byte.
    Bytes before(dest.onHeap() ? 3 * samples : 0), otherBefore(before.size());
    in.fill(before.data(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) otherBefore[i] = std::uint8_t(~before[i]);

    char context[256];
    call.describe(context, sizeof context);
    pmfuzz::trace(context);

    // Runs `c` over `previous` and checks what every call must keep.
    auto convert = [&](const Call& c, const Bytes& previous, Bytes& image) {
        if (dest.onHeap() && !previous.empty()) std::memcpy(dest.data(), previous.data(), previous.size());
        const std::int32_t result = c.run();
        if (result != 0 && result != 1) fail("result neither 0 nor 1", context);
        if (!src.same(srcBefore)) fail("source modified", context);
        for (int k = 0; k < 3; ++k)
            if (tables[k] != tablesBefore[k]) fail("table modified", context);
        image = dest.copy();
        if (result == 0 && image != previous) fail("refused call wrote", context);
        return result;
    };

    Bytes first, second;
    const std::int32_t result = convert(call, before, first);
    if (mustRefuse && result != 0) fail("call the header refuses was accepted", context);
    if (!dest.onHeap()) return 0;  // refused over untouchable buffers: nothing more to see

    // Same call again: the flag's upper bytes are not part of it.
    Call again = call;
    again.flip = (call.flip & 0xFF) | std::int32_t(in.u32() & 0xFFFFFF00u);
    if (convert(again, before, second) != result || second != first) fail("same call, other bytes", context);

    // Null tables and explicit identity tables are the same tables.
    Call swapped = call;
    bool anySwapped = false;
    for (int k = 0; k < 3; ++k) {
        if (call.tables[k] == nullptr) {
            swapped.tables[k] = identity.data(), anySwapped = true;
        } else if (tables[k] == identity) {
            swapped.tables[k] = nullptr, anySwapped = true;
        }
    }
    if (anySwapped && !build.refusesNullTables && (convert(swapped, before, second) != result || second != first))
        fail("null tables differ from identity tables", context);

    for (const bool ex : {false, true}) {
        for (std::int32_t code = 0; knownCode && code < (ex ? build.rgbExCodes : build.rgbCodes); ++code) {
            const CodeFacts* other = build.facts(ex, code);
            if ((ex == call.ex && code == call.code) || other->routine != facts->routine) continue;
            if (facts->followsFlag && other->setsFlag != facts->setsFlag && !smoothingSet) continue;
            Call partner = call;
            partner.ex = ex, partner.code = code;
            if (convert(partner, before, second) != result || second != first)
                fail("codes of the same method disagree", context);
        }
    }

    // The remaining properties are those of a produced image in a known
    // layout with sizes the method is meant for.
    if (result != 1 || call.layout < 1 || call.layout > 4 || !goodSizes) return 0;
    const std::size_t rows = std::size_t(rule.turned ? call.width : call.height);
    const std::size_t columns = std::size_t(rule.turned ? call.height : call.width);
    const std::size_t margin = std::size_t(rule.keptMargin);

    if (convert(call, otherBefore, second) != 1) fail("result depends on the destination", context);
    for (std::size_t r = margin; r + margin < rows; ++r)
        for (std::size_t c = 3 * margin; c + 3 * margin < 3 * columns; ++c)
            if (first[r * 3 * columns + c] != second[r * 3 * columns + c]) {
                std::fprintf(stderr, "row %zu, byte %zu of the row\n", r, c);
                fail("destination byte not written (or depends on what it held)", context);
            }

    // The border extension fills the top rows before the bottom ones, so in
    // images of fewer rows than two borders (up to 3 pixels) and two the
    // order shows; the mirror holds from there.
    if (!rule.flipMirrors || (!rule.turned && rows < 8)) return 0;
    Call flipped = call;
    flipped.flip = (call.flip & 0xFF) != 0 ? 0 : 1;
    if (convert(flipped, before, second) != 1) fail("flipped call refused", context);
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < columns; ++c) {
            const std::size_t mr = rule.turned ? r : rows - 1 - r, mc = rule.turned ? columns - 1 - c : c;
            if (std::memcmp(&first[(r * columns + c) * 3], &second[(mr * columns + mc) * 3], 3) != 0) {
                std::fprintf(stderr, "pixel row %zu, column %zu\n", r, c);
                fail("flip flag does not mirror the image", context);
            }
        }
    return 0;
}

}  // namespace pmfuzz::conversion

#endif

// Fuzz harness of the record entry PmConvert: both operations, every pixel
// format code, records whose pointers may be missing.
//
// The input chooses the operation, the record's fields (formats, layout,
// sizes, method, flip, reserved words, which pointers are null, tables null,
// an explicit identity or arbitrary) and every buffer's contents.  Records
// are heap blocks of exactly their size; frames, images and tables are
// exactly as large as the header says a caller provides them (8-bit samples
// and 256-byte tables for source formats 0 and 9, 16-bit samples and tables
// of 65536 words for 5 and 10; one or three values per pixel).  A call that
// must not touch a buffer (a refused call, an operation other than 0 and 1,
// an unknown format) may get address space without any access instead.
// Properties checked without a model of the conversion:
//  - results as the header gives them, and a call that returns 0 writes no
//    image; what is only read (frame, tables, white-balance record) is
//    never modified;
//  - operation 0 changes only the record's null table fields, to one fixed
//    address holding the identity table of the source's sample width;
//  - the same call again (through the filled-in record, other reserved
//    words, other upper flip bytes) gives the same bytes, and null tables
//    give what explicit identity tables give;
//  - codes that must agree do: source formats 0 and 9, 5 and 10; grey
//    destinations 0 and 5; colour destinations of any other code; an 8-bit
//    colour conversion and ConvertBayer2Rgb code 7 (the flag is set); every
//    grey pixel is (601 G + 306 R + 117 B) >> 10 of the colour pixel;
//  - with layout codes 0 to 3 every destination value is written and the
//    flip flag mirrors the rows;
//  - operation 1 with format 4 gives the ratios of GetWhiteBalanceRatio, and
//    format 6 over the same components widened gives them too; other
//    formats give 0.0.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "pixmill.h"

namespace {

using pmfuzz::Buffer;
using pmfuzz::fail;
using Bytes = std::vector<std::uint8_t>;

// Frames larger than this are not converted or measured here; refused calls
// and calls that must not touch a buffer still run, over untouchable buffers.
constexpr std::uint64_t kMaxSamples = 1 << 14;

char context[256];

bool eightBit(std::int32_t format) { return format == PM_FORMAT_MONO8 || format == PM_FORMAT_RAW8; }
bool sixteenBit(std::int32_t format) { return format == PM_FORMAT_MONO16 || format == PM_FORMAT_RAW16; }
bool greyDestination(std::int32_t format) { return format == PM_FORMAT_MONO8 || format == PM_FORMAT_MONO16; }

// The identity tables a caller may pass explicitly.
const Bytes& identity8() {
    static const Bytes table = [] {
        Bytes t(256);
        for (int i = 0; i < 256; ++i) t[std::size_t(i)] = std::uint8_t(i);
        return t;
    }();
    return table;
}
const Bytes& identity16() {
    static const Bytes table = [] {
        Bytes t(2 * 65536);
        for (std::uint32_t i = 0; i < 65536; ++i) {
            const std::uint16_t v = std::uint16_t(i);
            std::memcpy(&t[2 * i], &v, 2);
        }
        return t;
    }();
    return table;
}

// The library's identity table: one address for every record, found by the
// first accepted call of each sample width.
const void* libraryIdentity[2] = {nullptr, nullptr};

const void* PmConvertRecord::*const kTableFields[3] = {&PmConvertRecord::lutRed, &PmConvertRecord::lutGreen,
                                                      &PmConvertRecord::lutBlue};

// Field by field (the padding of a record copy is not part of it).
bool sameFields(const PmConvertRecord& a, const PmConvertRecord& b) {
    return a.dest == b.dest && a.destFormat == b.destFormat && a.reserved0 == b.reserved0 &&
           a.reserved1 == b.reserved1 && a.src == b.src && a.srcFormat == b.srcFormat && a.reserved2 == b.reserved2 &&
           a.reserved3 == b.reserved3 && a.layout == b.layout && a.width == b.width && a.height == b.height &&
           a.method == b.method && a.lutRed == b.lutRed && a.lutGreen == b.lutGreen && a.lutBlue == b.lutBlue &&
           a.flip == b.flip;
}
bool sameFields(const PmWhiteBalanceRecord& a, const PmWhiteBalanceRecord& b) {
    return a.image == b.image && a.format == b.format && a.reserved0 == b.reserved0 && a.reserved1 == b.reserved1 &&
           a.width == b.width && a.height == b.height && a.redRatio == b.redRatio && a.greenRatio == b.greenRatio &&
           a.blueRatio == b.blueRatio;
}

// One conversion: the record as the caller fills it, and its buffers.
struct Conversion {
    PmConvertRecord fields{};
    std::uint64_t samples = 0;
    std::size_t valueBytes = 1, channels = 3;
    Buffer* dest = nullptr;
};

// Runs operation 0 over `previous` in the destination and checks what every
// such call keeps; returns the result, the image in `image`.
std::int32_t convert(const Conversion& c, const Bytes& previous, Bytes& image, PmConvertRecord* filled = nullptr) {
    if (c.dest->onHeap() && !previous.empty()) std::memcpy(c.dest->data(), previous.data(), previous.size());
    auto record = std::make_unique<PmConvertRecord>(c.fields);  // exactly one record on the heap
    const std::int32_t result = PmConvert(PM_OPERATION_CONVERT, record.get(), std::int32_t(c.samples * 7 + 1));
    if (result != 0 && result != 1) fail("result neither 0 nor 1", context);
    image = c.dest->copy();
    if (result == 0 && image != previous) fail("refused call wrote", context);

    PmConvertRecord expected = c.fields;
    const bool named = c.fields.src != nullptr && c.fields.dest != nullptr;
    const int width16 = sixteenBit(c.fields.srcFormat) ? 1 : 0;
    for (const void* PmConvertRecord::*table : kTableFields) {
        if (expected.*table != nullptr || !named) continue;
        const void* got = (*record).*table;
        if (got == nullptr) fail("null table field left null", context);
        if (libraryIdentity[width16] == nullptr) {
            const Bytes& id = width16 ? identity16() : identity8();
            if (std::memcmp(got, id.data(), id.size()) != 0) fail("table set in the record is no identity", context);
            libraryIdentity[width16] = got;
        }
        expected.*table = libraryIdentity[width16];
    }
    if (!sameFields(*record, expected)) fail("record changed beyond its null table fields", context);
    if (filled != nullptr) *filled = *record;
    return result;
}

void conversion(pmfuzz::Input& in) {
    Conversion c;
    PmConvertRecord& f = c.fields;
    f.srcFormat = in.pick<std::int32_t>({0, 9, 5, 10, 0, 9, 5, 10, 4, 6, 1, -1, 11, INT32_MIN});
    f.destFormat = in.pick<std::int32_t>({0, 5, 4, 6, 9, 10, 1, -1, std::int32_t(in.u32())});
    const std::uint8_t layoutChoice = in.byte();
    f.layout = layoutChoice < 224 ? layoutChoice % 4u : in.pick<std::uint32_t>({4, 5, 256, 0x80000000u, 0xFFFFFFFFu});
    f.width = in.dimension();
    f.height = in.dimension();
    const std::uint8_t methodChoice = in.byte();
    f.method = methodChoice < 208 ? PM_METHOD_SMOOTHED_WINDOW
                                  : in.pick<std::int32_t>({0, 1, 5, 6, 8, 9, -1, INT32_MIN, 7 + 256, 7 - 65536});
    f.flip = in.pick<std::uint32_t>({0, 1, 0x100, 0x1FF, 0xFFFFFF00u, 0x80, in.u32()});
    f.reserved0 = in.u32(), f.reserved1 = in.u32(), f.reserved2 = in.u32(), f.reserved3 = in.u32();
    const std::uint8_t missing = in.byte();
    const bool noSource = missing == 252 || missing == 254, noDest = missing == 253 || missing == 254;

    const bool known = eightBit(f.srcFormat) || sixteenBit(f.srcFormat);
    c.valueBytes = sixteenBit(f.srcFormat) ? 2 : 1;
    c.channels = greyDestination(f.destFormat) ? 1 : 3;
    c.samples = pmfuzz::frameSamples(f.width, f.height);
    const bool goodSizes = f.width > 3 && f.height > 3 && f.width % 2 == 0 && f.height % 2 == 0 &&
                           c.samples <= std::uint64_t(INT32_MAX);
    const bool accepted = !noSource && !noDest && f.method == PM_METHOD_SMOOTHED_WINDOW && goodSizes;
    const bool touches = accepted && known;
    const bool large = c.samples > kMaxSamples;
    if (touches && large) return;
    // A call that may touch nothing gets, when the input says so, buffers
    // it cannot touch at all.
    const bool untouchable = large || (!touches && in.byte() % 2 == 0);

    // Tables: null, an explicit identity, or arbitrary; 256 bytes or 65536
    // words as the source format says (an unknown format reads none).
    const std::size_t tableBytes = c.valueBytes == 2 ? 2 * 65536 : 256;
    Bytes tables[3];
    const void** fields[3] = {&f.lutRed, &f.lutGreen, &f.lutBlue};
    char tableNames[4] = "---";
    for (int k = 0; k < 3; ++k) {
        switch (in.byte() % 3) {
            case 0: *fields[k] = nullptr; break;
            case 1:
                tables[k] = c.valueBytes == 2 ? identity16() : identity8();
                *fields[k] = tables[k].data(), tableNames[k] = 'I';
                break;
            default:
                tables[k].resize(tableBytes);
                in.fill(tables[k].data(), tableBytes);
                *fields[k] = tables[k].data(), tableNames[k] = 'T';
                break;
        }
    }
    const Bytes tablesBefore[3] = {tables[0], tables[1], tables[2]};

    const auto kind = untouchable ? Buffer::Kind::Untouchable : Buffer::Kind::Heap;
    Buffer src(c.samples * c.valueBytes, kind), dest(c.samples * c.valueBytes * c.channels, kind);
    if (src.onHeap()) in.fill(src.data(), src.size());
    const Bytes srcBefore = src.copy();
    f.src = noSource ? nullptr : src.data();
    f.dest = noDest ? nullptr : dest.data();
    c.dest = &dest;

    std::snprintf(context, sizeof context,
                  "PmConvert 0: formats %d -> %d, %dx%d, layout %u, method %d, flip 0x%x, tables %s%s%s%s", f.srcFormat,
                  f.destFormat, f.width, f.height, f.layout, f.method, f.flip, tableNames,
                  noSource ? ", null source" : "", noDest ? ", null destination" : "", untouchable ? ", untouchable" : "");
    pmfuzz::trace(context);

    Bytes before(dest.onHeap() ? dest.size() : 0), otherBefore(before.size());
    in.fill(before.data(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) otherBefore[i] = std::uint8_t(~before[i]);

    auto unchangedInputs = [&] {
        if (!src.same(srcBefore)) fail("source modified", context);
        for (int k = 0; k < 3; ++k)
            if (tables[k] != tablesBefore[k]) fail("table modified", context);
    };

    Bytes first, second;
    PmConvertRecord filled;
    const std::int32_t result = convert(c, before, first, &filled);
    unchangedInputs();
    if (result != (accepted ? 1 : 0)) fail("result other than the header's", context);
    if (accepted && !known && first != before) fail("unknown source format wrote", context);
    if (!dest.onHeap() || !touches) return;

    // The same call through the record as the first call left it (null
    // tables now the library's identity), other reserved words and upper
    // flip bytes.
    Conversion again = c;
    again.fields = filled;
    again.fields.reserved0 = ~f.reserved0, again.fields.reserved3 = f.reserved1 ^ 0x5A5A5A5A;
    again.fields.flip = (f.flip & 0xFF) | (in.u32() & 0xFFFFFF00u);
    if (convert(again, before, second) != 1 || second != first) fail("same call, other bytes", context);

    // Explicit identity tables where null was, null where they were.
    Conversion swapped = c;
    bool anySwapped = false;
    const Bytes& identity = c.valueBytes == 2 ? identity16() : identity8();
    const void** swappedFields[3] = {&swapped.fields.lutRed, &swapped.fields.lutGreen, &swapped.fields.lutBlue};
    for (int k = 0; k < 3; ++k) {
        if (*fields[k] == nullptr) {
            *swappedFields[k] = identity.data(), anySwapped = true;
        } else if (tables[k] == identity) {
            *swappedFields[k] = nullptr, anySwapped = true;
        }
    }
    if (anySwapped && (convert(swapped, before, second) != 1 || second != first))
        fail("null tables differ from identity tables", context);
    unchangedInputs();

    // Format codes of one meaning.
    Conversion partner = c;
    const std::int32_t sameSource[] = {9, 0, 0, 0, 0, 10, 0, 0, 0, 0, 5};  // by source format 0-10
    partner.fields.srcFormat = sameSource[f.srcFormat];
    partner.fields.destFormat = greyDestination(f.destFormat)
                                    ? (f.destFormat == PM_FORMAT_MONO8 ? PM_FORMAT_MONO16 : PM_FORMAT_MONO8)
                                    : (f.destFormat == PM_FORMAT_BGR8 ? 77 : PM_FORMAT_BGR8);
    if (convert(partner, before, second) != 1 || second != first) fail("format codes of one meaning disagree", context);

    // An 8-bit colour conversion is ConvertBayer2Rgb code 7 (the record
    // entry has set the smoothing flag).
    if (c.valueBytes == 1 && c.channels == 3) {
        std::memcpy(dest.data(), before.data(), before.size());
        const std::int32_t entryLayout = f.layout == 0 ? PM_LAYOUT_RGGB : f.layout <= 3 ? std::int32_t(f.layout) : 0;
        const std::int32_t entryResult = ConvertBayer2Rgb(
            static_cast<std::uint8_t*>(dest.data()), src.data(), f.width, f.height, PM_METHOD_SMOOTHED_WINDOW,
            static_cast<const std::uint8_t*>(f.lutRed), static_cast<const std::uint8_t*>(f.lutGreen),
            static_cast<const std::uint8_t*>(f.lutBlue), std::int32_t(f.flip & 0xFF), entryLayout);
        if (entryResult != 1 || dest.copy() != first) fail("8-bit colour differs from ConvertBayer2Rgb code 7", context);
    }

    // The remaining properties are those of an image in a known layout.
    if (f.layout > 3) return;
    if (convert(c, otherBefore, second) != 1 || second != first)
        fail("destination value not written (or depends on what it held)", context);

    // Grey from the same frame and tables is the weighted sum of the colour.
    {
        Conversion other = c;
        other.fields.destFormat = c.channels == 1 ? PM_FORMAT_BGR8 : PM_FORMAT_MONO8;
        other.channels = 4 - c.channels;
        Buffer otherDest(c.samples * c.valueBytes * other.channels);
        other.fields.dest = otherDest.data();
        other.dest = &otherDest;
        Bytes otherImage;
        if (convert(other, Bytes(otherDest.size(), 0x33), otherImage) != 1) fail("colour or grey refused", context);
        const Bytes& colour = c.channels == 3 ? first : otherImage;
        const Bytes& grey = c.channels == 3 ? otherImage : first;
        auto value = [&](const Bytes& image, std::uint64_t index) {
            if (c.valueBytes == 1) return std::uint32_t(image[index]);
            std::uint16_t v;
            std::memcpy(&v, &image[2 * index], 2);
            return std::uint32_t(v);
        };
        for (std::uint64_t p = 0; p < c.samples; ++p) {
            const std::uint32_t b = value(colour, 3 * p), g = value(colour, 3 * p + 1), r = value(colour, 3 * p + 2);
            if (value(grey, p) != (601 * g + 306 * r + 117 * b) >> 10) {
                std::fprintf(stderr, "pixel %llu\n", static_cast<unsigned long long>(p));
                fail("grey is not the weighted sum of the colour", context);
            }
        }
    }

    // The flip flag mirrors the rows (from 8 rows up, below which the
    // border extension's order shows).
    if (f.height < 8) return;
    Conversion flipped = c;
    flipped.fields.flip = (f.flip & 0xFF) != 0 ? 0 : 1;
    if (convert(flipped, before, second) != 1) fail("flipped call refused", context);
    const std::size_t rowBytes = std::size_t(f.width) * c.channels * c.valueBytes;
    const std::size_t rows = std::size_t(f.height);
    for (std::size_t r = 0; r < rows; ++r)
        if (std::memcmp(&first[r * rowBytes], &second[(rows - 1 - r) * rowBytes], rowBytes) != 0) {
            std::fprintf(stderr, "row %zu\n", r);
            fail("flip flag does not mirror the image", context);
        }
}

void whiteBalance(pmfuzz::Input& in) {
    PmWhiteBalanceRecord f{};
    f.format = in.pick<std::int32_t>({4, 6, 4, 6, 0, 5, 9, 10, -1, std::int32_t(in.u32())});
    f.width = in.dimension();
    f.height = in.dimension();
    f.reserved0 = in.u32(), f.reserved1 = in.u32();
    const std::uint8_t pointers = in.byte();
    const bool noImage = pointers == 255;
    const bool widened = (pointers & 0x10) != 0;  // a 16-bit image of 8-bit values
    const std::uint64_t samples = pmfuzz::frameSamples(f.width, f.height);
    const bool accepted = !noImage && f.width > 3 && f.height > 3;
    const bool reads = accepted && (f.format == PM_FORMAT_BGR8 || f.format == PM_FORMAT_BGR16);
    if (reads && samples > kMaxSamples) return;
    std::snprintf(context, sizeof context, "PmConvert 1: format %d, %dx%d, pointers 0x%x", f.format, f.width,
                  f.height, pointers);
    pmfuzz::trace(context);

    const std::uint64_t components = 3 * samples;
    const bool untouchable = !reads && (samples > kMaxSamples || in.byte() % 2 == 0);
    Buffer eight(components, untouchable ? Buffer::Kind::Untouchable : Buffer::Kind::Heap);
    if (eight.onHeap()) in.fill(eight.data(), components);
    std::unique_ptr<Buffer> wide;
    if (f.format == PM_FORMAT_BGR16 && untouchable) {
        wide.reset(new Buffer(2 * components, Buffer::Kind::Untouchable));
    } else if (f.format == PM_FORMAT_BGR16) {
        wide.reset(new Buffer(2 * components));
        if (widened) {
            for (std::uint64_t i = 0; i < components; ++i) {
                const std::uint16_t v = eight.data()[i];
                std::memcpy(wide->data() + 2 * i, &v, 2);
            }
        } else {
            in.fill(wide->data(), 2 * components);
        }
    }
    const Buffer& image = wide ? *wide : eight;
    const Bytes imageBefore = image.copy();
    f.image = noImage ? nullptr : image.data();

    double ratios[3] = {-7.0, -7.0, -7.0};
    double* slots[3] = {&ratios[0], &ratios[1], &ratios[2]};
    for (int k = 0; k < 3; ++k)
        if ((pointers >> k) & 1) slots[k] = nullptr;
    f.redRatio = slots[0], f.greenRatio = slots[1], f.blueRatio = slots[2];

    auto record = std::make_unique<PmWhiteBalanceRecord>(f);
    const std::int32_t result = PmConvert(PM_OPERATION_WHITE_BALANCE, record.get(), INT32_MIN);
    if (!sameFields(*record, f)) fail("white-balance record modified", context);
    if (!image.same(imageBefore)) fail("image modified", context);
    if (result != (accepted ? 1 : 0)) fail("result other than the header's", context);
    for (int k = 0; k < 3; ++k) {
        const bool written = ratios[k] != -7.0;
        if (written != (accepted && slots[k] != nullptr)) fail("ratio written against the header", context);
        if (written && !std::isfinite(ratios[k])) fail("ratio not finite", context);
        if (written && !reads && ratios[k] != 0.0) fail("unmeasurable format gave a ratio other than 0.0", context);
    }
    if (!reads || (f.format == PM_FORMAT_BGR16 && !widened)) return;

    double expected[3] = {-7.0, -7.0, -7.0};
    GetWhiteBalanceRatio(eight.data(), f.width, f.height, slots[0] ? &expected[0] : nullptr,
                         slots[1] ? &expected[1] : nullptr, slots[2] ? &expected[2] : nullptr);
    if (std::memcmp(ratios, expected, sizeof ratios) != 0)
        fail("ratios differ from GetWhiteBalanceRatio of the same components", context);
}

// Calls that must touch nothing: a null record, or an operation other than
// 0 and 1 over a record the call cannot read.
void otherOperation(pmfuzz::Input& in) {
    const std::int32_t operation = in.pick<std::int32_t>({2, 3, -1, 256, INT32_MIN, INT32_MAX, 0, 1});
    const bool nullRecord = operation == 0 || operation == 1 || in.byte() % 2 == 0;
    std::snprintf(context, sizeof context, "PmConvert %d, %s record", operation, nullRecord ? "null" : "untouchable");
    pmfuzz::trace(context);
    Buffer record(sizeof(PmConvertRecord), Buffer::Kind::Untouchable);
    if (PmConvert(operation, nullRecord ? nullptr : record.data(), std::int32_t(in.u32())) != 0)
        fail("call the header refuses was accepted", context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pmfuzz::Input in(data, size);
    const std::uint8_t choice = in.byte();
    if (choice < 192)
        conversion(in);
    else if (choice < 248)
        whiteBalance(in);
    else
        otherOperation(in);
    return 0;
}

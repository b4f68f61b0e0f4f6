// Fuzz harness of the conversion entries ConvertBayer2Rgb (codes 0-9) and
// ConvertBayer2RgbEx (codes 0-6) of the current build.  The checks are those
// of conversion_checks.h; this file lists the build's exceptions and codes
// that must agree.
#include "conversion_checks.h"
#include "demosaic/method_paths.h"
#include "frame/library_state.h"
#include "method_codes_1_7_7_6.h"

namespace {

using namespace pmfuzz::conversion;

// What a method code of an entry promises beyond the common contract.  The
// exceptions are few, so they are listed here rather than spread over the
// checks.
CodeRule ruleOf(bool ex, std::int32_t code) {
    CodeRule rule;
    if (ex) return rule;
    switch (code) {
        case 8:  // Laplacian-corrected: leaves a frame of two pixels as it was
                 // and reads it for the next ring; breaks ties by the stored
                 // orientation; tests no sizes itself.
            rule.keptMargin = 3;
            rule.flipMirrors = false;
            rule.refusesBadSizes = false;
            break;
        default:
            break;
    }
    return rule;
}

const CodeFacts kRgbCodes[] = {PIXMILL_RGB_METHODS_1_7_7_6(PIXMILL_FUZZ_CODE_ROW)};
const CodeFacts kRgbExCodes[] = {PIXMILL_RGB_EX_METHODS_1_7_7_6(PIXMILL_FUZZ_CODE_ROW)};

const ConversionBuild kBuild{ConvertBayer2Rgb, ConvertBayer2RgbEx, kRgbCodes, std::size(kRgbCodes),
                             kRgbExCodes, std::size(kRgbExCodes), false, ruleOf};

// The vector methods write the rows of images larger than the last-level
// cache past it when no table is applied, and no frame a fuzzer makes is
// that large.  So each input is read a second time as a frame of up to
// 322 x 10 that one of those methods converts without tables on the best
// path with its rows streamed whatever the size, into a buffer of exactly
// the image's size, and the image must equal the one written in place.
void checkStreamedRows(const std::uint8_t* data, std::size_t size) {
    pmfuzz::Input in(data, size);
    static const decltype(&pm::bilinearOn) kMethods[] = {pm::bilinearOn, pm::offsetBilinearOn, pm::forwardWindowOn,
                                                         pm::mappedWindowOn};
    const auto method = kMethods[in.byte() % 4];
    const std::int32_t width = 4 + 2 * (in.byte() % 160), height = 4 + 2 * (in.byte() % 4);
    const std::int32_t layout = in.byte() % 6;
    const std::uint32_t flip = in.byte() & 1u;
    std::vector<std::uint8_t> raw(std::size_t(width) * std::size_t(height));
    in.fill(raw.data(), raw.size());
    const std::uint8_t* t = pm::tableOrIdentity(nullptr);
    const std::size_t bytes = raw.size() * 3;
    pmfuzz::Buffer streamed(bytes), inPlace(bytes);
    in.fill(streamed.data(), bytes);
    std::memcpy(inPlace.data(), streamed.data(), bytes);
    const pm::simd::Path path = pm::simd::bestPath();
    method(path, raw.data(), streamed.data(), width, height, t, t, t, flip, layout, pm::simd::Stores::Streamed);
    method(path, raw.data(), inPlace.data(), width, height, t, t, t, flip, layout, pm::simd::Stores::InPlace);
    if (!streamed.same(inPlace.copy())) fail("rows streamed past the cache differ from rows written in place", "streamed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkStreamedRows(data, size);
    pmfuzz::Input in(data, size);
    return checkConversion(kBuild, in);
}

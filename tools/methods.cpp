#include "methods.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>

#include "method_codes_1_7_7_6.h"
#include "pixmill.h"

#ifndef PIXMILL_TOOL_VERSION
#define PIXMILL_TOOL_VERSION "unknown"
#endif

namespace pmtool {

namespace {

// How the process-wide smoothing flag concerns a code, from its marks.
const char* smoothingNote(bool setsFlag, bool followsFlag) {
    if (setsFlag) return followsFlag ? "always smoothed; sets the flag" : "sets the flag";
    return followsFlag ? "smoothed once the flag is set" : "not affected";
}

}  // namespace

const std::vector<MethodInfo>& methodTable() {
#define PIXMILL_TOOL_ROW(code, routine, name, setsFlag, followsFlag, turns, description) \
    {code, description, smoothingNote(setsFlag, followsFlag), setsFlag != 0},
    static const std::vector<MethodInfo> table = {PIXMILL_RGB_METHODS_1_7_7_6(PIXMILL_TOOL_ROW)};
#undef PIXMILL_TOOL_ROW
    return table;
}

bool methodAvailable(std::int32_t code) {
    // Large enough for every method's neighbourhood.
    std::uint8_t frame[16 * 16] = {}, image[16 * 16 * 3];
    return ConvertBayer2Rgb(image, frame, 16, 16, code, nullptr, nullptr, nullptr, 0, PM_LAYOUT_GBRG) == 1;
}

std::string availableMethodList() {
    std::string list;
    for (const MethodInfo& method : methodTable())
        if (methodAvailable(method.code)) list += (list.empty() ? "" : ", ") + std::to_string(method.code);
    return list;
}

std::string methodHelp() {
    std::string text = "methods of this build (--method; smoothing flag in brackets):\n";
    for (const MethodInfo& method : methodTable())
        if (methodAvailable(method.code))
            text += "  " + std::to_string(method.code) + "  " + method.description + " [" + method.smoothing + "]\n";
    std::string setters;
    for (const MethodInfo& method : methodTable())
        if (method.setsFlag) setters += (setters.empty() ? "codes " : " and ") + std::to_string(method.code);
    text += "  The smoothing flag is process-wide: " + setters + " and 16-bit/grey output set it.\n";
    text +=
        "layouts (--layout; colours of the top-left 2 x 2 block):\n"
        "  1  GBRG  green, blue / red, green\n"
        "  2  GRBG  green, red / blue, green\n"
        "  3  BGGR  blue, green / green, red\n"
        "  4  RGGB  red, green / green, blue\n";
    return text;
}

std::string versionText() {
    std::string library = "unknown";
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(static_cast<PmConvertBayerFunction>(&ConvertBayer2Rgb)), &info) != 0 && info.dli_fname) {
        char resolved[PATH_MAX];
        library = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    }
    // The library file is named libpixmill.so.<build version>.
    const std::string marker = ".so.";
    const std::size_t at = library.rfind(marker);
    const std::string build = at == std::string::npos ? "unknown" : library.substr(at + marker.size());
    return std::string("pixmill-convert ") + PIXMILL_TOOL_VERSION + "\nlibrary build " + build + " (" + library +
           ")\n";
}

}  // namespace pmtool

#include "methods.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>

#include "pixmill.h"

#ifndef PIXMILL_TOOL_VERSION
#define PIXMILL_TOOL_VERSION "unknown"
#endif

namespace pmtool {

const std::vector<MethodInfo>& methodTable() {
    static const std::vector<MethodInfo> table = {
        {0, "offset bilinear: neighbours' averages a pixel down and right (picture moves 1 px up-left)",
         "not affected"},
        {1, "mapped forward window: 2 x 2 window through a pixel map", "not affected"},
        {2, "bilinear interpolation (default)", "not affected"},
        {3, "sorted-neighbour median of colour differences", "not affected"},
        {4, "gradient-directed interpolation of colour differences", "not affected"},
        {5, "forward window: 2 x 2 window", "smoothed (as code 7) once the flag is set"},
        {6, "green-guided interpolation", "not affected"},
        {7, "smoothed forward window", "always smoothed; sets the flag"},
        {8, "Laplacian-corrected interpolation", "not affected"},
        {9, "rotated two-by-two: output turned a quarter, height x width", "sets the flag"},
    };
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
    text +=
        "  The smoothing flag is process-wide: codes 7 and 9 and 16-bit/grey output set it.\n"
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

// The dispatch shared by the conversion entry points of every build: a
// build's method-code tables are made from its methods.txt (the generated
// method_codes_<tag>.h) with PIXMILL_DISPATCH_ROW.
#ifndef PIXMILL_EXPORTS_DISPATCH_H
#define PIXMILL_EXPORTS_DISPATCH_H

#include <cstddef>
#include <cstdint>

#include "demosaic/methods.h"
#include "frame/library_state.h"
#include "legacy/methods.h"

namespace pm {

// One row of an entry's method-code table.  A null method is a code the
// entry accepts but whose method this build does not provide: it runs nothing.
struct MethodEntry {
    Method method;
    bool setsSmoothing;
};

// What an entry does with a null table argument.
enum class NullTables {
    // Replace it by the identity table (the current and the 1.5.0.1 builds).
    Identity,
    // Refuse the call, result 0 and nothing written (the 1.1.2.0 build, which
    // has no identity table and whose methods would otherwise read through
    // the null pointer).
    Refuse,
};

// One MethodEntry of a row of a generated method-code macro.
#define PIXMILL_DISPATCH_ROW(code, routine, name, setsFlag, followsFlag, turns, description) \
    pm::MethodEntry{pm::routine, setsFlag != 0},

// Null images, refused tables and unknown codes run nothing and give 0.
template <std::size_t N>
std::int32_t dispatchConversion(const MethodEntry (&table)[N], NullTables nullTables, std::uint8_t* dest,
                                const std::uint8_t* src, std::int32_t width, std::int32_t height,
                                std::int32_t methodCode, const std::uint8_t* lutRed, const std::uint8_t* lutGreen,
                                const std::uint8_t* lutBlue, std::int32_t flip, std::int32_t layout) {
    if (src == nullptr || dest == nullptr) return 0;
    switch (nullTables) {
        case NullTables::Identity:
            lutRed = tableOrIdentity(lutRed);
            lutGreen = tableOrIdentity(lutGreen);
            lutBlue = tableOrIdentity(lutBlue);
            break;
        case NullTables::Refuse:
            if (lutRed == nullptr || lutGreen == nullptr || lutBlue == nullptr) return 0;
            break;
    }
    // Compared unsigned, so negative codes are unknown too.
    const auto code = static_cast<std::uint32_t>(methodCode);
    if (code >= N) return 0;
    const MethodEntry& entry = table[code];
    if (entry.setsSmoothing) setSmoothing();
    if (entry.method == nullptr) return 0;
    return entry.method(src, dest, width, height, lutRed, lutGreen, lutBlue, static_cast<std::uint32_t>(flip),
                        layout);
}

}  // namespace pm

// Defines the conversion export `Name` (ConvertBayer2Rgb or
// ConvertBayer2RgbEx, whose arguments every build shares) over the method-
// code table `table`; for a source that includes pixmill.h.
#define PIXMILL_CONVERSION_EXPORT(Name, table, nullTables)                                                      \
    extern "C" int32_t PIXMILL_CALL Name(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,     \
                                         int32_t method, const uint8_t* lutRed, const uint8_t* lutGreen,        \
                                         const uint8_t* lutBlue, int32_t flip, int32_t layout) {                \
        return pm::dispatchConversion(table, nullTables, dest, src, width, height, method, lutRed, lutGreen,   \
                                      lutBlue, flip, layout);                                                   \
    }

#endif  // PIXMILL_EXPORTS_DISPATCH_H

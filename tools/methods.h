// The method and layout codes pixmill-convert offers, and what it says about
// the library it runs on.  The descriptions are the current build's
// methods.txt (builds/1.7.7.6/); whether a code is available is asked of the loaded library, so methods a
// later build adds appear without a change here.
#ifndef PIXMILL_TOOLS_METHODS_H
#define PIXMILL_TOOLS_METHODS_H

#include <cstdint>
#include <string>
#include <vector>

namespace pmtool {

struct MethodInfo {
    std::int32_t code;
    const char* description;  // one line
    const char* smoothing;    // how the process-wide smoothing flag concerns it
    bool setsFlag;            // running it sets that flag
};

// Every method code of the conversion entry, described.
const std::vector<MethodInfo>& methodTable();

// True when the loaded library converts a 16 x 16 frame with method `code`.
// Codes 7 and 9 set the smoothing flag when run, so
// probing them has the effect converting with them would have anyway; ask
// only about the code that is about to be used, or before exiting.
bool methodAvailable(std::int32_t code);

// "0, 1, 2, ..." of the available codes.
std::string availableMethodList();

// The --help section listing available methods and the layouts.
std::string methodHelp();

// "pixmill-convert <version>, library <file version> (<path>)".
std::string versionText();

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_METHODS_H

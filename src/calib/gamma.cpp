// The gamma table of SetGammaLut: a 256-entry power curve.
#include "calib/gamma.h"

#include <cmath>

namespace pm {

// Entry i = trunc(pow(i * 0.00392156862745098, gamma) * 255.0), all in double
// precision.  The multiplication by the stored reciprocal (rather than a
// division by 255) and the truncation are part of the table's definition:
// they make entry 255 exactly 255 and decide every other entry.  Entries whose
// exact value lies within a rounding error of an integer depend on the last
// bit of std::pow; whatever the platform's pow gives there is kept.
void fillGammaTable(std::uint8_t* table, double gamma) {
    if (table == nullptr) return;
    // "Not greater than 0.1" also catches NaN.
    const double exponent = gamma >= 10.0 ? 10.0 : !(gamma > 0.1) ? 0.1 : gamma;
    for (int i = 0; i < 256; ++i) {
        const double x = i * 0.00392156862745098;
        const double y = std::pow(x, exponent);
        table[i] = static_cast<std::uint8_t>(static_cast<int>(y * 255.0));
    }
}

}  // namespace pm

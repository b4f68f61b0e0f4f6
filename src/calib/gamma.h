// The gamma table behind SetGammaLut.
#ifndef PIXMILL_CALIB_GAMMA_H
#define PIXMILL_CALIB_GAMMA_H

#include <cstdint>

namespace pm {

// Fills the 256 entries of `table` with the power curve of `gamma` (held to
// 0.1-10); a null table is left alone.
void fillGammaTable(std::uint8_t* table, double gamma);

}  // namespace pm

#endif

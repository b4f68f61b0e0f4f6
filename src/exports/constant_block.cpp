// The export without a name (PmGetConstantBlock of the 1.5.0.1 and current
// builds): the address of a constant block of eleven integers.  No routine of the library reads it; callers of the earlier
// builds may hold its address, so it stays put and never changes.
#include "pixmill.h"

namespace {

// What the block records: the layout codes (first, last), the table size, the
// bytes per output pixel, the largest method code of each entry, the widest
// border any method extends, the smallest accepted frame side, the record
// entry's layout codes (first, last) and the dead-pixel threshold at load.
constexpr int32_t kConstantBlock[11] = {1, 4, 256, 3, 9, 6, 3, 4, 0, 3, 10};

}  // namespace

extern "C" const int32_t* PIXMILL_CALL PmGetConstantBlock(void) { return kConstantBlock; }

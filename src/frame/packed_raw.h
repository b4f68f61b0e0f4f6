// Unpacking of packed 10-bit and 12-bit frames: the routines behind
// Raw10PackedToRaw16 and Raw12PackedToRaw16, as pixmill.h describes them.
#ifndef PIXMILL_FRAME_PACKED_RAW_H
#define PIXMILL_FRAME_PACKED_RAW_H

#include <cstdint>

namespace pm {

void unpackRaw10(const void* packed, std::uint16_t* unpacked, std::int32_t width, std::int32_t height);
void unpackRaw12(const void* packed, std::uint16_t* unpacked, std::int32_t width, std::int32_t height);

}  // namespace pm

#endif

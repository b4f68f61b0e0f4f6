// The colour and grey conversions of the record entry: the smoothed forward
// window over 8-bit or 16-bit raw frames, keeping the sample width, with one
// border pixel replicated at the end.
#ifndef PIXMILL_DEMOSAIC_COLOUR_GREY_H
#define PIXMILL_DEMOSAIC_COLOUR_GREY_H

#include <cstdint>

#include "demosaic/vector/vector_paths.h"

namespace pm {

// Both pipelines take the source frame, the destination, width, height, the
// source pixel format code (0 or 9: 8-bit samples and 256-byte tables; 5 or
// 10: 16-bit samples and tables of 16-bit entries indexed by the sample
// value, so 65536 entries cover any frame), the red, green and blue tables
// (never null here), the flip flag (non-zero: bottom-up) and the record's
// Bayer layout code (0 RGGB, 1 GBRG, 2 GRBG, 3 BGGR).
//
// The colour conversion writes blue, green, red per pixel (3 bytes, or three
// 16-bit words); the grey conversion writes one value per pixel,
// (601 G + 306 R + 117 B) >> 10 of the three table outputs (1 byte, or one
// 16-bit word).  16-bit frames, tables and destinations are arrays of
// uint16_t in native order, naturally aligned.
//
// Returns 0 and writes nothing for a null source or destination, an odd
// width or height, one below 4, or a sample count (width x height) above
// 2^31 - 1.  Returns 1 otherwise: a source format other than 0, 5, 9 and 10
// writes nothing at all; a layout code above 3 interpolates nothing and only
// replicates the border over what the destination held.
//
// Green sites are always smoothed.  The 8-bit colour conversion is method
// code 7 itself (forward_window.cpp), which follows the smoothing flag; the
// record entry sets the flag before every conversion, so it is on.
std::int32_t colourConversion(const void* src, void* dst, std::int32_t width, std::int32_t height,
                              std::int32_t srcFormat, const void* lutRed, const void* lutGreen,
                              const void* lutBlue, std::uint8_t flip, std::uint32_t layout);
std::int32_t greyConversion(const void* src, void* dst, std::int32_t width, std::int32_t height,
                            std::int32_t srcFormat, const void* lutRed, const void* lutGreen, const void* lutBlue,
                            std::uint8_t flip, std::uint32_t layout);

// The same on the vector path `path` (simd::pathAvailable), for tests and
// benchmarks; the two above take the processor's best path.  Every path
// gives the same bytes.
std::int32_t colourConversionOn(simd::Path path, const void* src, void* dst, std::int32_t width,
                                std::int32_t height, std::int32_t srcFormat, const void* lutRed,
                                const void* lutGreen, const void* lutBlue, std::uint8_t flip, std::uint32_t layout);
std::int32_t greyConversionOn(simd::Path path, const void* src, void* dst, std::int32_t width, std::int32_t height,
                              std::int32_t srcFormat, const void* lutRed, const void* lutGreen, const void* lutBlue,
                              std::uint8_t flip, std::uint32_t layout);

// True for the source pixel format codes of 16-bit samples (5 and 10).
bool sixteenBitSource(std::int32_t srcFormat);

}  // namespace pm

#endif

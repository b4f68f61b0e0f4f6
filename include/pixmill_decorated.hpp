/*
 * Pixmill's three decorated C++ exports, for images stored bottom row first
 * (as device-independent bitmaps are).  Include this header only to call
 * them on purpose: once it is included, a call with non-const unsigned char*
 * buffers binds to these rather than to the plain exports of pixmill.h, and
 * the rotations then turn the other way round in memory.
 */
#ifndef PIXMILL_DECORATED_HPP
#define PIXMILL_DECORATED_HPP

#include "pixmill.h"

#ifndef __cplusplus
#error "pixmill_decorated.hpp declares C++ functions; C callers use pixmill.h"
#endif

/* Quarter turns with the layout of PmRotate90CW8B/PmRotate90CCW8B in
 * pixmill.h (rows padded to 4 bytes, separate destination, a null pointer
 * or a side of 0 or less writes nothing, returns 0), named for images stored bottom row first:
 *   PmRotate90CW8B  dst[r][c] = src[c][width-1-r]: clockwise with row 0 shown
 *                   at the bottom, counter-clockwise with row 0 at the top
 *                   (the plain PmRotate90CCW8B of pixmill.h, in memory)
 *   PmRotate90CCW8B dst[r][c] = src[height-1-c][r]: counter-clockwise with
 *                   row 0 at the bottom, clockwise with row 0 at the top
 *                   (the plain PmRotate90CW8B of pixmill.h, in memory)
 * `source` is only read. */
PIXMILL_API int PIXMILL_CDECL PmRotate90CW8B(unsigned char* source, int width, int height, unsigned char* destination);
PIXMILL_API int PIXMILL_CDECL PmRotate90CCW8B(unsigned char* source, int width, int height, unsigned char* destination);

/* The sharpening of PmSharpen24B without its amount check: any amount, a
 * negative one blurs (gains beyond what 32-bit products carry are held at
 * +-1000000; NaN gives 0, a copy).  Refusals that keep it inside the caller's
 * buffers remain: -13 for an image smaller than 3 x 3, -12 for a null
 * pointer, -14 when scratch cannot be allocated (nothing written).  Returns 0
 * otherwise. */
PIXMILL_API int PIXMILL_CDECL PmEmphasize24B(unsigned char* source, int width, int height, float amount,
                                             unsigned char* destination);

#endif /* PIXMILL_DECORATED_HPP */

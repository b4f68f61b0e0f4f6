/*
 * Pixmill: demosaicing and calibration for single-sensor colour cameras.
 *
 * Every export runs to completion on the caller's thread, reads and writes
 * only the buffers passed to it during the call, and keeps no pointer to them.
 * Images are row-major with the first row at the lowest address.
 *
 * RGB images hold three bytes per pixel in blue, green, red order.  Look-up
 * tables are 256 bytes; the red table produces byte 2, the green table byte 1,
 * the blue table byte 0.  A null table means the library's identity table.
 *
 * Process-wide state, shared by every caller and thread of the process:
 * - the smoothing flag: 0 at load, set by ConvertBayer2Rgb codes 7 and 9 and
 *   by PmConvert, never cleared.  While it is set, ConvertBayer2Rgb code 5
 *   gives the smoothed result of code 7.
 * - the dead-pixel threshold: 10 at load, set by SetBadPixelThreshold, read
 *   by DetectDeadPixel.
 * - the method lock: held for the whole of a ConvertBayer2Rgb code 8
 *   conversion, so such conversions run one at a time.
 * Everything else is reentrant on distinct buffers.
 *
 * The earlier builds (libpixmill.so of 1.5.0.1 and 1.1.2.0) export a subset
 * of these functions with the same prototypes; where they differ:
 * - 1.5.0.1: PmGetConstantBlock (same block), ConvertBayer2Rgb and
 *   ConvertBayer2RgbEx with codes 0-6 only (codes 1 and Ex 5: the mapped
 *   forward window without its border, image row height - 1 left as it was,
 *   and under layout 1 memory row 1 copied over memory row 0; code 5: the
 *   forward window never smoothed, without border, the last row and column
 *   left as they were), and the calibration exports below without
 *   SetBadPixelThreshold.  No smoothing flag, no method lock.
 * - 1.1.2.0: ConvertBayer2Rgb with codes 0-6 (1: forward window never
 *   smoothed; 3: counted-neighbour median, floating-point green rule; 4:
 *   code 4 without the debugger message; 5: colour differences on static
 *   working planes, widths up to 1796 and heights up to 2396, one call at a
 *   time, refusing unknown layouts (0), and at a side of 4 repeating
 *   the pixels it computes; 6: directional gradient with green-guided colour,
 *   sides of at least 6), and the same calibration exports as 1.5.0.1.  It
 *   has no identity table: a null table argument refuses the call (0,
 *   nothing written).
 * - Both: GetWhiteBalanceRatio measures rows height/4 to 3*height/4 - 1 and
 *   columns width/4 to 3*width/4 - 1 and refuses odd sizes; DetectDeadPixel
 *   marks only samples at least 10 above the mean.
 */
#ifndef PIXMILL_H
#define PIXMILL_H

#include <stdint.h>

/* On Windows the plain exports are callee-cleans (__stdcall) under their
 * undecorated names, and the three C++ exports of pixmill_decorated.hpp are
 * caller-cleans (__cdecl); a pointer to an export must carry the same
 * convention.  Elsewhere there is one C calling convention. */
#if defined(_WIN32)
#define PIXMILL_API
#define PIXMILL_CALL __stdcall
#define PIXMILL_CDECL __cdecl
#else
#define PIXMILL_API __attribute__((visibility("default")))
#define PIXMILL_CALL
#define PIXMILL_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Method codes of ConvertBayer2Rgb (codes 0 to 9) and ConvertBayer2RgbEx
 * (codes 0 to 6), in three enumerations: the codes that name the same method
 * in both entries, those of ConvertBayer2Rgb alone and those of
 * ConvertBayer2RgbEx alone (codes 3 and 5 name other methods there).  In
 * C++ a constant of one entry's own enumeration passed to the other entry
 * does not compile (see the end of this header); plain integers are taken
 * as they are. */
/* Method codes: made from builds/1.7.7.6/methods.txt by builds/method_codes.cmake. */
typedef enum PmMethod {
    PM_METHOD_OFFSET_BILINEAR = 0,
    PM_METHOD_MAPPED_WINDOW = 1,
    PM_METHOD_BILINEAR = 2,
    PM_METHOD_GRADIENT = 4,
    PM_METHOD_GREEN_GUIDED = 6
} PmMethod;
typedef enum PmRgbMethod {
    PM_METHOD_SORTED_MEDIAN = 3,
    PM_METHOD_FORWARD_WINDOW = 5, /* smoothed once the flag is set */
    PM_METHOD_SMOOTHED_WINDOW = 7, /* code 5's method, sets the smoothing flag */
    PM_METHOD_LAPLACIAN = 8,
    PM_METHOD_ROTATED_TWO_BY_TWO = 9 /* sets the smoothing flag, image turned a quarter: height x width */
} PmRgbMethod;
typedef enum PmRgbExMethod {
    PM_METHOD_EX_COUNTED_MEDIAN = 3,
    PM_METHOD_COUNTED_MEDIAN = 3, /* the earlier name of PM_METHOD_EX_COUNTED_MEDIAN */
    PM_METHOD_EX_MAPPED_WINDOW = 5, /* code 1's method */
    PM_METHOD_MAPPED_WINDOW_EX = 5 /* the earlier name of PM_METHOD_EX_MAPPED_WINDOW */
} PmRgbExMethod;
/* End of the method codes. */

/* Bayer layout codes of the conversion entries: colours of row 0, columns 0
 * and 1, then of row 1.  The record entry numbers the same mosaics 0 to 3
 * (PM_RECORD_LAYOUT_*). */
enum {
    PM_LAYOUT_GBRG = 1, /* green, blue / red, green */
    PM_LAYOUT_GRBG = 2, /* green, red / blue, green */
    PM_LAYOUT_BGGR = 3, /* blue, green / green, red */
    PM_LAYOUT_RGGB = 4  /* red, green / green, blue */
};
enum {
    PM_RECORD_LAYOUT_RGGB = 0,
    PM_RECORD_LAYOUT_GBRG = 1,
    PM_RECORD_LAYOUT_GRBG = 2,
    PM_RECORD_LAYOUT_BGGR = 3
};

/* Pixel format codes of the two records.  As a source format, 0 and 9 mean
 * 8-bit samples, 5 and 10 mean 16-bit samples.  As a destination format,
 * 0 and 5 mean grey, every other value colour (the sample width follows the
 * source).  For white balance, 4 and 6 are the two measurable formats. */
enum {
    PM_FORMAT_MONO8 = 0,
    PM_FORMAT_BGR8 = 4,
    PM_FORMAT_MONO16 = 5,
    PM_FORMAT_BGR16 = 6,
    PM_FORMAT_RAW8 = 9,
    PM_FORMAT_RAW16 = 10
};

/* PmConvert operation codes. */
enum { PM_OPERATION_CONVERT = 0, PM_OPERATION_WHITE_BALANCE = 1 };

/* Status values of the adjustments that report one. */
enum { PM_OK = 0, PM_ERROR_NULL_POINTER = -12, PM_ERROR_OUT_OF_RANGE = -13, PM_ERROR_NO_MEMORY = -14 };

typedef struct PmConvertRecord {
    void* dest;
    int32_t destFormat;
    uint32_t reserved0;
    uint32_t reserved1;
    const void* src;
    int32_t srcFormat;
    uint32_t reserved2;
    uint32_t reserved3;
    uint32_t layout;
    int32_t width;
    int32_t height;
    int32_t method;
    const void* lutRed;
    const void* lutGreen;
    const void* lutBlue;
    uint32_t flip;
} PmConvertRecord;

typedef struct PmWhiteBalanceRecord {
    const void* image;
    int32_t format;
    uint32_t reserved0;
    uint32_t reserved1;
    int32_t width;
    int32_t height;
    double* redRatio;
    double* greenRatio;
    double* blueRatio;
} PmWhiteBalanceRecord;

/* ---- Conversion ------------------------------------------------------- */

/* Converts the 8-bit Bayer frame `src` (width x height bytes, rows packed)
 * into the BGR image `dest` (3 x width x height bytes) by the method of code
 * `method` (0-9: PmMethod and PmRgbMethod).  Tables are red, green, blue, 256 bytes each or
 * null for identity.  `flip`: when its lowest byte is non-zero, image row r
 * is stored in memory row height - 1 - r.  `layout`: 1-4 (PM_LAYOUT_*).
 * Code 9 writes the image a quarter turn round, always smoothed: `dest` is
 * then `width` rows of `height` pixels, and source pixel (row r, column x)
 * lands in row x, column height - 1 - r (column r when flipped).
 * Returns 1 when the method ran.  Returns 0 and writes nothing when `src` or
 * `dest` is null, the code is negative or above 9, the code's method is not
 * in this build, or width or height is odd or less than 4.
 * Codes 7 and 9 set the smoothing flag before their method checks the sizes,
 * so a call refused for its sizes still sets it.
 * A layout code outside 1-4 is not refused: no pixel is computed, the method
 * still copies its border pixels (the outer one or two) from neighbours in
 * whatever `dest` held, and the result is 1.
 * Code 4 (both entries) sends "Hello, Edge Sensing!" to the library's
 * debugger output, silent by default, once per accepted call.
 * Smallest frames: at a width or height of 4, codes 0 and 4 repeat the
 * nearest pixels they compute over the image, never the destination's
 * previous bytes; code 3 (and Ex code 3) refuses a width or height of 4,
 * where it can compute no pixel, and at a width or height of 6 every pixel
 * across that side is the one computed line.  Code 6 (and Ex code 6), at a
 * width or height of 4 or 6, takes the pixels it cannot compute from their
 * own two-by-two cell, so no byte is the destination's previous one.
 * Code 8 checks no size and returns 1 whenever src and dest are given (odd
 * and tiny sizes included, nothing outside the buffers is touched): it
 * computes rows and columns 2 to 2 * (size / 2) - 3 and leaves the two
 * outermost rows and columns as they were, except that bottom-up in layouts
 * 3 and 4 it writes green estimates into the last two rows.  Calls with code
 * 8 run one at a time across threads. */
PIXMILL_API int32_t PIXMILL_CALL ConvertBayer2Rgb(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                                  int32_t method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                                  const uint8_t* lutBlue, int32_t flip, int32_t layout);

/* The type of a pointer to either conversion entry.  In C++ the entries are
 * overloaded (see the end of this header), so decltype(&ConvertBayer2Rgb)
 * does not name it. */
typedef int32_t(PIXMILL_CALL* PmConvertBayerFunction)(uint8_t* dest, const uint8_t* src, int32_t width,
                                                      int32_t height, int32_t method, const uint8_t* lutRed,
                                                      const uint8_t* lutGreen, const uint8_t* lutBlue,
                                                      int32_t flip, int32_t layout);

/* As ConvertBayer2Rgb with the Ex method table (codes 0-6: code 3 is the
 * counted-neighbour median, code 5 the same method as code 1); codes above 6
 * are refused.  Never reads or sets the smoothing flag. */
PIXMILL_API int32_t PIXMILL_CALL ConvertBayer2RgbEx(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                                    int32_t method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                                    const uint8_t* lutBlue, int32_t flip, int32_t layout);

/* Returns the address of a constant block of eleven 32-bit integers in the
 * library: the same address on every call, contents unchanged while the
 * library is loaded.  No function reads it; it must not be written. */
PIXMILL_API const int32_t* PIXMILL_CALL PmGetConstantBlock(void);

/* Record entry.  `record` points to a caller-owned record; `reserved` is not
 * read.  A null record, or an operation other than 0 and 1, returns 0 and
 * touches nothing.
 *
 * Operation 0 (PM_OPERATION_CONVERT), a PmConvertRecord:
 *  - null `src` or `dest`: returns 0, the record is left unchanged;
 *  - otherwise each null table field is set to the library's identity table
 *    (65536 16-bit entries when `srcFormat` is 5 or 10, else 256 bytes); the
 *    addresses stay valid while the library is loaded and must not be written
 *    through;
 *  - `method` other than 7: returns 0, nothing converted, flag untouched;
 *  - sets the process-wide smoothing flag (as ConvertBayer2Rgb code 7 does),
 *    then converts with the smoothed forward window: grey when `destFormat`
 *    is 0 or 5, colour otherwise.  `srcFormat` 0 or 9: 8-bit samples and
 *    256-byte tables, 3 bytes (colour: blue, green, red) or 1 byte (grey) per
 *    pixel.  5 or 10: 16-bit samples and tables of 16-bit entries indexed by
 *    the sample value (65536 entries cover any frame), 3 words or 1 word per
 *    pixel.  Grey is (601 G + 306 R + 117 B) >> 10 of the table outputs.
 *    `layout` 0 RGGB, 1 GBRG, 2 GRBG, 3 BGGR; the lowest byte of `flip`
 *    non-zero writes bottom-up.  16-bit buffers are naturally aligned.
 *  - returns 0 with nothing written for an odd width or height, one below 4,
 *    or width x height above 2^31 - 1; 1 otherwise.  Any other `srcFormat`
 *    returns 1 with nothing written; `layout` above 3 returns 1 having only
 *    replicated the destination's one-pixel border.
 *
 * Operation 1 (PM_OPERATION_WHITE_BALANCE), a PmWhiteBalanceRecord: null
 * `image` returns 0; otherwise measures as GetWhiteBalanceRatio does, with
 * `format` 4 (three 8-bit channels) or 6 (three 16-bit channels; any other
 * format gives ratios 0.0), and returns its result. */
PIXMILL_API int32_t PIXMILL_CALL PmConvert(int32_t operation, void* record, int32_t reserved);

/* Widen a packed frame of width x height samples into as many 16-bit words
 * at `unpacked`, values in the low bits.  10-bit: three samples per 32-bit
 * little-endian word (bits 0-9, 10-19, 20-29), a last word for the one or two
 * left over; reads ceil(N / 3) words.  12-bit: two samples per three bytes,
 * the first the low 12 bits of the little-endian word at bytes 0-1, the
 * second the word at bytes 1-2 shifted right by 4; an odd count unpacks its
 * last sample from the first two bytes of a final group, so reads
 * ceil(3 N / 2) bytes.  No alignment is needed.  Nothing is written for a null
 * pointer, a width or height of 0 or below, or more than 2^31 - 1 samples. */
PIXMILL_API void PIXMILL_CALL Raw10PackedToRaw16(const void* packed, uint16_t* unpacked, int32_t width, int32_t height);
PIXMILL_API void PIXMILL_CALL Raw12PackedToRaw16(const void* packed, uint16_t* unpacked, int32_t width, int32_t height);

/* ---- Calibration ------------------------------------------------------ */

/* Measures the gains that bring the mean red and the mean blue of the BGR
 * image `image` (3 x width x height bytes, rows packed) to its mean green,
 * over rows and columns 2 to size - 3.  Each non-null ratio pointer receives
 * green mean / that channel's mean (so *greenRatio is 1.0), or 0.0 when the
 * channel's mean is below 1e-9 or nothing is measured (a side of 4).
 * Returns 1; returns 0 and writes nothing when `image` is null or width or
 * height is 3 or less.  Odd sizes are accepted. */
PIXMILL_API int32_t PIXMILL_CALL GetWhiteBalanceRatio(const uint8_t* image, int32_t width, int32_t height,
                                                      double* redRatio, double* greenRatio, double* blueRatio);

/* Fills the 256 bytes of `table` with a power curve: entry i =
 * trunc(pow(i * 0.00392156862745098, gamma) * 255) in double precision (the
 * stored reciprocal of 255, not a division: at gamma 1.0 entry 33 is 32),
 * entry 0 is 0 and entry 255 is 255.
 * `gamma` is clamped to 0.1 - 10.0, NaN taken as 0.1.  A null table is
 * ignored. */
PIXMILL_API void PIXMILL_CALL SetGammaLut(uint8_t* table, double gamma);

/* Writes to `map` (width x height bytes) 1 for every sample of `frame`
 * (width x height bytes) that lies at least the dead-pixel threshold above or
 * below the frame's truncated mean, 0 for every other.  Null pointers or a
 * width or height of 0 or less write nothing.  The threshold is read for each
 * sample, so a change made meanwhile on another thread applies to the samples
 * not yet reached. */
PIXMILL_API void PIXMILL_CALL DetectDeadPixel(const uint8_t* frame, uint8_t* map, int32_t width, int32_t height);

/* Replaces in place each sample of a region of a frame that `map` marks by
 * the truncated mean of neighbours: the four diagonal ones where row and
 * column parity agree, the eight at distance 2 elsewhere (parities count from
 * the region's top-left sample; both share the sample's colour in layouts
 * whose greens sit where parities agree).  Samples are taken in scan order,
 * so a replaced one serves as neighbour of later ones; marked samples in the
 * region's outer two rows and columns are kept.
 * Region: `map` covers the full frame, mapWidth x mapHeight bytes.  The
 * region starts at map column xOffset and row yOffset, each clamped to
 * 0 - mapWidth and 0 - mapHeight, and is narrowed to the map: columns =
 * min(regionWidth, mapWidth - x), rows = min(regionHeight, mapHeight - y).
 * `frame` holds only the region: rows x columns bytes with `columns` as its
 * row length.  Null pointers, or any size of 0 or less, change nothing. */
PIXMILL_API void PIXMILL_CALL EraseDeadPixel(uint8_t* frame, const uint8_t* map, int32_t xOffset, int32_t yOffset,
                                             int32_t regionWidth, int32_t regionHeight, int32_t mapWidth,
                                             int32_t mapHeight);

/* Sets the dead-pixel threshold and returns it.  Every value is accepted: 0
 * or less marks every sample, above 255 none. */
PIXMILL_API int32_t PIXMILL_CALL SetBadPixelThreshold(int32_t threshold);

/* Adds to each entry of `accumulator` (width x height 32-bit integers, zeroed
 * by the caller before the first frame) the matching sample of `frame`
 * (width x height bytes) minus the truncated mean of its parity class:
 * samples whose row and column parity agree, odd columns of even rows, even
 * columns of odd rows.  Entries wrap as 32-bit two's complement.  Null
 * pointers or a width or height of 0 or less change nothing. */
PIXMILL_API void PIXMILL_CALL GetPatternNoise(const uint8_t* frame, int32_t* accumulator, int32_t width,
                                              int32_t height);

/* Divides each of the width x height entries by `frameCount`, truncating
 * toward zero; a second call divides again.  A null pointer, a size of 0 or
 * less, or a count of 1 or less change nothing. */
PIXMILL_API void PIXMILL_CALL AvgPatternNoise(int32_t* accumulator, int32_t width, int32_t height, int32_t frameCount);

/* Subtracts the averaged pattern from each sample of a region of a frame in
 * place, clamping to 0 - 255.  `accumulator` covers the full frame; the
 * region and the size of `frame` follow the rule of EraseDeadPixel, with
 * `accumulator` in place of `map`.  Null pointers, or any size of 0 or
 * less, change nothing. */
PIXMILL_API void PIXMILL_CALL FixPatternNoise(uint8_t* frame, const int32_t* accumulator, int32_t xOffset,
                                              int32_t yOffset, int32_t regionWidth, int32_t regionHeight,
                                              int32_t mapWidth, int32_t mapHeight);

/* ---- Adjustments ------------------------------------------------------ */

/* Map `count` bytes of `source` (a grey image, or the bytes of a BGR image
 * one by one) through a tone curve into `destination`; the two may be the
 * same buffer.  Brightness amounts are -150 to 150, contrast amounts -50 to
 * 100 (odd amounts act as the even amount toward 0).  Neither 0 is exactly
 * the identity.  Returns 0; -13 for an amount out of range (tested first),
 * -12 for a null pointer; nothing is written then.  A count of 0 or less
 * writes nothing and returns 0. */
PIXMILL_API int32_t PIXMILL_CALL PmBrightness(const uint8_t* source, int32_t count, int32_t amount,
                                              uint8_t* destination);
PIXMILL_API int32_t PIXMILL_CALL PmContrast(const uint8_t* source, int32_t count, int32_t amount, uint8_t* destination);

/* Quarter turns of an image of one byte per sample: `height` rows of `width`
 * samples, each row padded to a multiple of 4 bytes, into the separate buffer
 * `destination` of `width` rows of `height` samples (rows again padded to a
 * multiple of 4 bytes; the padding bytes are left as they are).  Named for
 * images stored top row first (row 0 shown at the top):
 *   PmRotate90CW8B  turns clockwise:         dst[r][c] = src[height-1-c][r]
 *   PmRotate90CCW8B turns counter-clockwise: dst[r][c] = src[c][width-1-r]
 * Any width and height are handled; a width or height of 0 or less, or a
 * null pointer, writes nothing.  Returns 0.
 * The decorated C++ exports of the same names (pixmill_decorated.hpp) turn the
 * other way round in memory; C and C++ callers of this header get these. */
PIXMILL_API int32_t PIXMILL_CALL PmRotate90CW8B(const uint8_t* source, int32_t width, int32_t height,
                                                uint8_t* destination);
PIXMILL_API int32_t PIXMILL_CALL PmRotate90CCW8B(const uint8_t* source, int32_t width, int32_t height,
                                                 uint8_t* destination);

/* Unsharp masking of a BGR image, rows padded to a multiple of 4 bytes (row
 * stride (3 * width + 3) / 4 * 4): every byte moves away from the mean of its
 * 3 x 3 neighbourhood in the same channel, by `amount` in (0, 5] (mirrored at
 * the edges).  `destination` may be `source`; padding bytes are copied from
 * the source.  Returns 0; -13 for an amount out of range (NaN too) or an image
 * smaller than 3 x 3, tested first; -12 for a null pointer; -14 when the
 * scratch rows (about 10 x the row stride in bytes) cannot be allocated.
 * Nothing is written unless the result is 0. */
PIXMILL_API int32_t PIXMILL_CALL PmSharpen24B(const uint8_t* source, int32_t width, int32_t height, float amount,
                                              uint8_t* destination);

/* Colour-corrects a region of a BGR image (rows of 3 x imageWidth bytes, no
 * padding) in place: a power-law linearisation, a fixed 3 x 3 mixing matrix
 * that also lifts the level, and a power-law re-encoding, all through integer
 * tables.  Pixels in columns x0 to x0 + regionWidth - 1 and rows y0 to
 * y0 + regionHeight - 1 change.  The region is clipped to columns 0 to
 * imageWidth - 1 and to rows from 0; the rows below must exist (the call has
 * no image height).  A null image or an empty region does nothing; `reserved`
 * is unused. */
PIXMILL_API void PIXMILL_CALL ROIColorCorrection(uint8_t* image, int32_t x0, int32_t y0, int32_t regionWidth,
                                                 int32_t regionHeight, int32_t imageWidth, int32_t reserved);

#ifdef __cplusplus
} /* extern "C" */

/* The wrong-entry mistake fails to compile: a code of ConvertBayer2RgbEx
 * alone (PM_METHOD_EX_COUNTED_MEDIAN, say) passed to ConvertBayer2Rgb, or
 * one of ConvertBayer2Rgb alone passed to ConvertBayer2RgbEx, picks these
 * deleted overloads instead of the exports. */
int32_t PIXMILL_CALL ConvertBayer2Rgb(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                      PmRgbExMethod method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                      const uint8_t* lutBlue, int32_t flip, int32_t layout) = delete;
int32_t PIXMILL_CALL ConvertBayer2RgbEx(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                        PmRgbMethod method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                        const uint8_t* lutBlue, int32_t flip, int32_t layout) = delete;
#endif

#endif /* PIXMILL_H */

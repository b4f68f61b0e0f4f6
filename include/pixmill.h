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
 */
#ifndef PIXMILL_H
#define PIXMILL_H

#include <stdint.h>

#if defined(_WIN32)
#define PIXMILL_API
#else
#define PIXMILL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Method codes of ConvertBayer2Rgb (codes 0 to 9) and ConvertBayer2RgbEx
 * (codes 0 to 6).  Where the two entries differ the name says which. */
enum {
    PM_METHOD_OFFSET_BILINEAR = 0,    /* both entries */
    PM_METHOD_MAPPED_WINDOW = 1,      /* both entries; Ex code 5 is the same method */
    PM_METHOD_BILINEAR = 2,           /* both entries */
    PM_METHOD_SORTED_MEDIAN = 3,      /* ConvertBayer2Rgb */
    PM_METHOD_COUNTED_MEDIAN = 3,     /* ConvertBayer2RgbEx */
    PM_METHOD_GRADIENT = 4,           /* both entries */
    PM_METHOD_FORWARD_WINDOW = 5,     /* ConvertBayer2Rgb: smoothed once the flag is set */
    PM_METHOD_MAPPED_WINDOW_EX = 5,   /* ConvertBayer2RgbEx */
    PM_METHOD_GREEN_GUIDED = 6,       /* both entries */
    PM_METHOD_SMOOTHED_WINDOW = 7,    /* ConvertBayer2Rgb: sets the smoothing flag */
    PM_METHOD_LAPLACIAN = 8,          /* ConvertBayer2Rgb */
    PM_METHOD_ROTATED_TWO_BY_TWO = 9  /* ConvertBayer2Rgb: sets the smoothing flag */
};

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
enum { PM_OK = 0, PM_ERROR_NULL_POINTER = -12, PM_ERROR_OUT_OF_RANGE = -13 };

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

/* Converts the 8-bit Bayer frame `src` (width x height samples) into the BGR
 * image `dest` (3 x width x height bytes) by the method `method` (codes 0-9).
 * Tables are red, green, blue; null means identity.  The lowest byte of
 * `flip` non-zero writes the image bottom-up.  `layout` is 1-4.
 * Returns 1 when the image was produced, 0 when refused: null src or dest,
 * unknown method code, or sizes the method refuses (odd, or 3 or less); a
 * refused call writes nothing.  Codes 7 and 9 set the process-wide smoothing
 * flag, after which code 5 produces the smoothed result of code 7.
 * Code 6 (green-guided, also in ConvertBayer2RgbEx) extends a border of 3;
 * frames 4 or 6 wide or high take the pixels the method cannot compute from
 * their own two-by-two cell, so no byte depends on the previous contents.
 * Code 8 (Laplacian-corrected) checks no size and returns 1 whenever src and
 * dest are given; it computes rows and columns 2 to 2 * (size / 2) - 3 and
 * leaves the two outermost rows and columns as they were (bottom-up in
 * layouts 3 and 4 it writes green estimates into the last two rows).  Calls
 * with code 8 run one at a time across threads. */
PIXMILL_API int32_t ConvertBayer2Rgb(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                     int32_t method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                     const uint8_t* lutBlue, int32_t flip, int32_t layout);

/* As ConvertBayer2Rgb with the Ex method table (codes 0-6: code 3 is the
 * counted-neighbour median, code 5 the same method as code 1).  Never touches
 * the smoothing flag. */
PIXMILL_API int32_t ConvertBayer2RgbEx(uint8_t* dest, const uint8_t* src, int32_t width, int32_t height,
                                       int32_t method, const uint8_t* lutRed, const uint8_t* lutGreen,
                                       const uint8_t* lutBlue, int32_t flip, int32_t layout);

/* Returns the address of a constant block of eleven 32-bit integers; the same
 * address on every call, contents never change.  No function reads it. */
PIXMILL_API const int32_t* PmGetConstantBlock(void);

/* Record entry.  Operation 0 converts through a PmConvertRecord (method 7
 * only; fills null table fields with the identity table's address and sets
 * the smoothing flag); operation 1 measures white balance through a
 * PmWhiteBalanceRecord. */
PIXMILL_API int32_t PmConvert(int32_t operation, void* record, int32_t reserved);

/* Widen packed 10-bit (three samples per 32-bit word) or 12-bit (two samples
 * per three bytes) frames into width x height 16-bit samples. */
PIXMILL_API void Raw10PackedToRaw16(const void* packed, uint16_t* unpacked, int32_t width, int32_t height);
PIXMILL_API void Raw12PackedToRaw16(const void* packed, uint16_t* unpacked, int32_t width, int32_t height);

/* ---- Calibration ------------------------------------------------------ */

/* Measures the gains that bring the mean red and blue of a BGR image's
 * interior to its mean green.  Returns 1 when measured, 0 when refused. */
PIXMILL_API int32_t GetWhiteBalanceRatio(const uint8_t* image, int32_t width, int32_t height,
                                         double* redRatio, double* greenRatio, double* blueRatio);

/* Fills 256 entries of `table` with a power curve of exponent `gamma`
 * (clamped to 0.1 - 10.0). */
PIXMILL_API void SetGammaLut(uint8_t* table, double gamma);

/* Marks in `map` (1 = defective) every sample of `frame` that strays from the
 * frame mean by at least the dead-pixel threshold. */
PIXMILL_API void DetectDeadPixel(const uint8_t* frame, uint8_t* map, int32_t width, int32_t height);

/* Replaces the marked samples of a region of a frame by the mean of
 * same-coloured neighbours.  `frame` holds only the region. */
PIXMILL_API void EraseDeadPixel(uint8_t* frame, const uint8_t* map, int32_t xOffset, int32_t yOffset,
                                int32_t regionWidth, int32_t regionHeight, int32_t mapWidth, int32_t mapHeight);

/* Sets the process-wide dead-pixel threshold (10 at load); returns it. */
PIXMILL_API int32_t SetBadPixelThreshold(int32_t threshold);

/* Adds one frame's deviations from its parity-class means to `accumulator`. */
PIXMILL_API void GetPatternNoise(const uint8_t* frame, int32_t* accumulator, int32_t width, int32_t height);

/* Divides every accumulator entry by the number of frames measured. */
PIXMILL_API void AvgPatternNoise(int32_t* accumulator, int32_t width, int32_t height, int32_t frameCount);

/* Subtracts the averaged pattern from a region of a frame, clamping to 0-255.
 * `frame` holds only the region. */
PIXMILL_API void FixPatternNoise(uint8_t* frame, const int32_t* accumulator, int32_t xOffset, int32_t yOffset,
                                 int32_t regionWidth, int32_t regionHeight, int32_t mapWidth, int32_t mapHeight);

/* ---- Adjustments ------------------------------------------------------ */

/* Map `count` bytes through a brightness (-150..150) or contrast (-50..100)
 * curve.  0 on success, -13 amount out of range, -12 null pointer. */
PIXMILL_API int32_t PmBrightness(const uint8_t* source, int32_t count, int32_t amount, uint8_t* destination);
PIXMILL_API int32_t PmContrast(const uint8_t* source, int32_t count, int32_t amount, uint8_t* destination);

/* Quarter turns of a one-byte-per-pixel image with rows padded to 4 bytes. */
PIXMILL_API int32_t PmRotate90CW8B(const uint8_t* source, int32_t width, int32_t height, uint8_t* destination);
PIXMILL_API int32_t PmRotate90CCW8B(const uint8_t* source, int32_t width, int32_t height, uint8_t* destination);

/* Unsharp masking of a BGR image with rows padded to 4 bytes, amount in
 * (0, 5].  0 on success, -13 amount out of range, -12 null pointer. */
PIXMILL_API int32_t PmSharpen24B(const uint8_t* source, int32_t width, int32_t height, float amount,
                                 uint8_t* destination);

/* Colour-corrects a region of a BGR image (rows of 3 x imageWidth bytes) in
 * place. */
PIXMILL_API void ROIColorCorrection(uint8_t* image, int32_t x0, int32_t y0, int32_t regionWidth,
                                    int32_t regionHeight, int32_t imageWidth, int32_t reserved);

#ifdef __cplusplus
} /* extern "C" */

/* The decorated exports: C++ linkage, for images stored bottom row first.
 * PmRotate90CW8B/PmRotate90CCW8B here turn the other way round in memory
 * from the plain exports of the same name. */
PIXMILL_API int PmRotate90CW8B(unsigned char* source, int width, int height, unsigned char* destination);
PIXMILL_API int PmRotate90CCW8B(unsigned char* source, int width, int height, unsigned char* destination);
PIXMILL_API int PmEmphasize24B(unsigned char* source, int width, int height, float amount,
                               unsigned char* destination);
#endif

#endif /* PIXMILL_H */

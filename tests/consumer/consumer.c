/* A program outside the project, built against an installed Pixmill: a
 * uniform frame converted through a green table gives known bytes, and an odd
 * width is refused without writing. */
#include <pixmill.h>
#include <stdio.h>
#include <string.h>

enum { W = 8, H = 6, PIXELS = W * H };

int main(void) {
    uint8_t raw[PIXELS], bgr[3 * PIXELS], green[256];
    memset(raw, 90, sizeof raw);
    for (int i = 0; i < 256; ++i) green[i] = (uint8_t)(255 - i);

    if (ConvertBayer2Rgb(bgr, raw, W, H, PM_METHOD_BILINEAR, NULL, green, NULL, 0, PM_LAYOUT_GBRG) != 1) {
        fprintf(stderr, "conversion refused\n");
        return 1;
    }
    for (int i = 0; i < PIXELS; ++i) {
        if (bgr[3 * i] != 90 || bgr[3 * i + 1] != 165 || bgr[3 * i + 2] != 90) {
            fprintf(stderr, "pixel %d is %d %d %d, expected 90 165 90\n", i, bgr[3 * i], bgr[3 * i + 1],
                    bgr[3 * i + 2]);
            return 1;
        }
    }

    memset(bgr, 7, sizeof bgr);
    if (ConvertBayer2Rgb(bgr, raw, W - 1, H, PM_METHOD_BILINEAR, NULL, NULL, NULL, 0, PM_LAYOUT_GBRG) != 0) {
        fprintf(stderr, "odd width accepted\n");
        return 1;
    }
    for (int i = 0; i < 3 * PIXELS; ++i) {
        if (bgr[i] != 7) {
            fprintf(stderr, "a refused conversion wrote byte %d\n", i);
            return 1;
        }
    }
    puts("C consumer: ok");
    return 0;
}

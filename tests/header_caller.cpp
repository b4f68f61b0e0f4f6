// A C++ caller with non-const buffers, as an application writes it.  Built
// by header_binding.cmake with pixmill.h alone, and with the decorated
// header when CALL_DECORATED is defined, to see which symbols it binds to.
#include "pixmill.h"
#ifdef CALL_DECORATED
#include "pixmill_decorated.hpp"
#endif

int turnBoth(unsigned char* image, int width, int height, unsigned char* out) {
    return PmRotate90CW8B(image, width, height, out) + PmRotate90CCW8B(out, height, width, image);
}

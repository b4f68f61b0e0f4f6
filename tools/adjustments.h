// The adjustments pixmill-convert can apply to a converted image, through
// the library's own exports, in the order a user expects from a photo tool:
// colours first (colour correction), then tones (brightness, contrast), then
// detail (sharpening), and the geometry last (rotation), so that no step
// sees what a later one does.
#ifndef PIXMILL_TOOLS_ADJUSTMENTS_H
#define PIXMILL_TOOLS_ADJUSTMENTS_H

#include <stdexcept>

#include "image_io.h"
#include "options.h"

namespace pmtool {

class AdjustmentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Applies the adjustments `options` asks for to `image`; a rotation
// exchanges its width and height.  Throws AdjustmentError when the library
// refuses one.
void adjustImage(BgrImage& image, const Options& options);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_ADJUSTMENTS_H

// The frame pixmill-convert converts when it is given no input file: a colour
// test scene it draws itself and samples through a Bayer mosaic, so that a
// first run shows a real image.
#ifndef PIXMILL_TOOLS_TEST_SCENE_H
#define PIXMILL_TOOLS_TEST_SCENE_H

#include <cstdint>
#include <vector>

#include "image_io.h"

namespace pmtool {

constexpr std::int32_t kSceneWidth = 640;
constexpr std::int32_t kSceneHeight = 480;

// A full-colour image: three bytes per pixel in red, green, blue order.
struct RgbScene {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

// Draws the kSceneWidth x kSceneHeight scene.  From the top: eight colour
// bars (white, yellow, cyan, green, magenta, red, blue, black), a grey ramp,
// a hue sweep, then a dark background gradient with a disc, a square, a
// triangle and a checkerboard.
RgbScene makeTestScene();

// Samples `scene` through the mosaic of Bayer layout code `layout` (1 to 4):
// every sample keeps the scene's value in the colour of its site.  Throws
// std::invalid_argument for a layout code outside 1 to 4.
GreyFrame mosaicScene(const RgbScene& scene, int layout);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_TEST_SCENE_H

// The built-in test scene and its Bayer sampling.
#include "test_scene.h"

#include <cstdlib>
#include <stdexcept>

namespace pmtool {

namespace {

struct Colour {
    std::uint8_t red, green, blue;
};

class Canvas {
public:
    explicit Canvas(RgbScene& scene) : scene_(scene) {}

    void put(int x, int y, Colour c) {
        std::uint8_t* px = &scene_.rgb[(std::size_t(y) * std::size_t(scene_.width) + std::size_t(x)) * 3];
        px[0] = c.red;
        px[1] = c.green;
        px[2] = c.blue;
    }

private:
    RgbScene& scene_;
};

// Fully saturated colour of hue position `x` out of `span` along the six
// edges of the colour cube (red, yellow, green, cyan, blue, magenta).
Colour hueAt(int x, int span) {
    const int position = x * 6 * 255 / span;  // 0 .. 6 x 255
    const int edge = position / 255;
    const auto up = static_cast<std::uint8_t>(position % 255);
    const auto down = static_cast<std::uint8_t>(255 - position % 255);
    switch (edge) {
    case 0: return {255, up, 0};
    case 1: return {down, 255, 0};
    case 2: return {0, 255, up};
    case 3: return {0, down, 255};
    case 4: return {up, 0, 255};
    default: return {255, 0, down};
    }
}

}  // namespace

RgbScene makeTestScene() {
    RgbScene scene;
    scene.width = kSceneWidth;
    scene.height = kSceneHeight;
    scene.rgb.assign(std::size_t(kSceneWidth) * kSceneHeight * 3, 0);
    Canvas canvas(scene);
    const int w = kSceneWidth, h = kSceneHeight;

    static const Colour bars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                   {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    const int barsBottom = h / 3, rampBottom = barsBottom + h / 12, sweepBottom = rampBottom + h / 12;
    for (int y = 0; y < barsBottom; ++y)
        for (int x = 0; x < w; ++x) canvas.put(x, y, bars[x * 8 / w]);
    for (int y = barsBottom; y < rampBottom; ++y)
        for (int x = 0; x < w; ++x) {
            const auto v = static_cast<std::uint8_t>(x * 255 / (w - 1));
            canvas.put(x, y, {v, v, v});
        }
    for (int y = rampBottom; y < sweepBottom; ++y)
        for (int x = 0; x < w; ++x) canvas.put(x, y, hueAt(x, w));

    // Lower part: shapes on a background that darkens downwards.
    const int discX = w / 6, discY = (sweepBottom + h) / 2, discRadius = (h - sweepBottom) / 3;
    const int squareLeft = w / 3, squareTop = sweepBottom + (h - sweepBottom) / 6;
    const int squareSide = (h - sweepBottom) * 2 / 3;
    const int triangleLeft = w / 2, triangleRight = triangleLeft + squareSide, triangleTop = squareTop,
              triangleBottom = squareTop + squareSide;
    const int boardLeft = w * 3 / 4 + 8, boardTop = squareTop, boardCell = 8;
    for (int y = sweepBottom; y < h; ++y) {
        const auto shade = static_cast<std::uint8_t>(96 - 64 * (y - sweepBottom) / (h - sweepBottom));
        for (int x = 0; x < w; ++x) {
            Colour c{static_cast<std::uint8_t>(shade / 2), static_cast<std::uint8_t>(shade * 3 / 4), shade};
            const int dx = x - discX, dy = y - discY;
            if (dx * dx + dy * dy <= discRadius * discRadius) c = {230, 80, 30};
            if (x >= squareLeft && x < squareLeft + squareSide && y >= squareTop && y < squareTop + squareSide)
                c = {40, 200, 90};
            // Isosceles triangle standing on its base: half-width grows with depth.
            const int depth = y - triangleTop, middle = (triangleLeft + triangleRight) / 2;
            if (y >= triangleTop && y < triangleBottom && 2 * std::abs(x - middle) <= depth) c = {250, 220, 60};
            if (x >= boardLeft && x < boardLeft + 16 * boardCell && y >= boardTop && y < boardTop + 16 * boardCell)
                c = (((x - boardLeft) / boardCell + (y - boardTop) / boardCell) & 1) ? Colour{255, 255, 255}
                                                                                      : Colour{0, 0, 0};
            canvas.put(x, y, c);
        }
    }
    return scene;
}

GreyFrame mosaicScene(const RgbScene& scene, int layout) {
    // Scene channel (0 red, 1 green, 2 blue) of the sites of row 0 columns 0
    // and 1, then row 1, per layout code.
    static const int siteChannels[4][4] = {{1, 2, 0, 1}, {1, 0, 2, 1}, {2, 1, 1, 0}, {0, 1, 1, 2}};
    if (layout < 1 || layout > 4) throw std::invalid_argument("Bayer layout code must be 1 to 4");
    GreyFrame frame;
    frame.width = scene.width;
    frame.height = scene.height;
    frame.samples.resize(std::size_t(scene.width) * std::size_t(scene.height));
    for (std::int32_t r = 0; r < scene.height; ++r)
        for (std::int32_t c = 0; c < scene.width; ++c) {
            const std::size_t at = std::size_t(r) * std::size_t(scene.width) + std::size_t(c);
            frame.samples[at] = scene.rgb[at * 3 + std::size_t(siteChannels[layout - 1][(r & 1) * 2 + (c & 1)])];
        }
    return frame;
}

}  // namespace pmtool

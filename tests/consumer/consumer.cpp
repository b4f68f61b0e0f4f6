// A C++ program outside the project, built against an installed Pixmill with
// only the public C header: the Ex entry converts a uniform frame through a
// red table, and an unknown method code writes nothing.
#include <pixmill.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

int main() {
    constexpr int width = 8, height = 6;
    const std::vector<std::uint8_t> raw(width * height, 40);
    std::vector<std::uint8_t> bgr(3 * width * height, 0);
    std::array<std::uint8_t, 256> red{};
    for (int i = 0; i < 256; ++i) red[i] = static_cast<std::uint8_t>(i / 2);

    if (ConvertBayer2RgbEx(bgr.data(), raw.data(), width, height, PM_METHOD_MAPPED_WINDOW, red.data(), nullptr,
                           nullptr, 0, PM_LAYOUT_RGGB) != 1) {
        std::fprintf(stderr, "conversion refused\n");
        return 1;
    }
    for (int i = 0; i < width * height; ++i) {
        if (bgr[3 * i] != 40 || bgr[3 * i + 1] != 40 || bgr[3 * i + 2] != 20) {
            std::fprintf(stderr, "pixel %d is %d %d %d, expected 40 40 20\n", i, bgr[3 * i], bgr[3 * i + 1],
                         bgr[3 * i + 2]);
            return 1;
        }
    }

    std::fill(bgr.begin(), bgr.end(), 7);
    if (ConvertBayer2RgbEx(bgr.data(), raw.data(), width, height, 7, nullptr, nullptr, nullptr, 0, 1) != 0 ||
        std::any_of(bgr.begin(), bgr.end(), [](std::uint8_t b) { return b != 7; })) {
        std::fprintf(stderr, "unknown method code 7 of the Ex entry ran or wrote\n");
        return 1;
    }
    std::puts("C++ consumer: ok");
    return 0;
}

#pragma once
// What the window tests look for in a capture: palette colours and where
// they show.

#include <algorithm>
#include <cstdlib>

#include "session.h"
#include "voxel/palette.h"

namespace cubalorn::window_testing {

inline Rgb paletteColour(int index) {
    const PaletteEntry& e = kInitialPalette[index];
    return {e.red, e.green, e.blue};
}

inline int pixelsOf(const Image& image, int paletteIndex) {
    const Rgb colour = paletteColour(paletteIndex);
    return image.count([&](Rgb p) { return sameHue(p, colour); });
}

inline bool near(Rgb a, Rgb b, int tolerance = 12) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// The middle half of the bounding box of a palette colour's pixels.
struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
inline Box boxOf(const Image& image, int paletteIndex) {
    const Rgb colour = paletteColour(paletteIndex);
    Box b{image.width(), image.height(), 0, 0};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (sameHue(image.at(x, y), colour)) {
                b.x0 = std::min(b.x0, x);
                b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x + 1);
                b.y1 = std::max(b.y1, y + 1);
            }
    const int w = b.x1 - b.x0, h = b.y1 - b.y0;
    if (w <= 0 || h <= 0) return {};
    return {b.x0 + w / 4, b.y0 + h / 4, b.x1 - w / 4, b.y1 - h / 4};
}

}  // namespace cubalorn::window_testing

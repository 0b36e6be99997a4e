#include "voxel/palette.h"

namespace cubalorn {

void Palette::initPalette(Random& random) {
    entries_.fill(PaletteEntry{});
    for (size_t i = 0; i < kInitialPalette.size(); ++i) entries_[i] = kInitialPalette[i];
    PaletteEntry& last = entries_[kRandomMaterial];
    last.red = random.next() % 255;
    last.green = random.next() % 255;
    last.blue = random.next() % 255;
}

bool Palette::setPaletteEntry(int32_t index, int32_t red, int32_t green, int32_t blue) {
    if (!isValidIndex(index)) return false;
    entries_[index] = PaletteEntry{red, green, blue};
    return true;
}

void Palette::materialColour(uint8_t material, uint32_t& argb, Random& random) const {
    uint32_t red, green, blue;
    if (material == kRandomMaterial) {
        red = static_cast<uint32_t>(random.next() % 255);
        green = static_cast<uint32_t>(random.next() % 255);
        blue = static_cast<uint32_t>(random.next() % 255);
    } else {
        const PaletteEntry& e = entries_[material];
        red = static_cast<uint32_t>(e.red) & 0xFF;
        green = static_cast<uint32_t>(e.green) & 0xFF;
        blue = static_cast<uint32_t>(e.blue) & 0xFF;
    }
    argb = (argb & 0xFF000000u) | (red << 16) | (green << 8) | blue;
}

int colourNameToMaterial(std::string_view name) {
    for (size_t k = 1; k < paletteColourNames.size(); ++k)
        if (paletteColourNames[k] == name) return static_cast<int>(k);
    return 0;
}

bool Palette::operator==(const Palette& other) const {
    for (int i = 0; i < kSize; ++i) {
        const PaletteEntry &a = entries_[size_t(i)], &b = other.entries_[size_t(i)];
        if (a.red != b.red || a.green != b.green || a.blue != b.blue) return false;
    }
    return true;
}

}  // namespace cubalorn

#pragma once
// The 256 colours that voxel materials are drawn with, and the fixed list of
// hexadecimal colour names that CSV layer files use to pick a material.

#include <array>
#include <cstdint>
#include <string_view>

#include "voxel/random.h"

namespace cubalorn {

struct PaletteEntry {
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
};

class Palette {
public:
    static constexpr int kSize = 256;
    // Material 255 never has a fixed colour: every lookup draws a fresh one.
    static constexpr uint8_t kRandomMaterial = 255;

    // Entries 0..64 from the built-in table, 65..254 black, 255 random.
    void initPalette(Random& random);

    static bool isValidIndex(int32_t index) { return index >= 0 && index < kSize; }
    // Stores the three values unchanged (only their low bytes are ever used).
    // An index outside 0..255 writes nothing and returns false.
    bool setPaletteEntry(int32_t index, int32_t red, int32_t green, int32_t blue);

    const PaletteEntry& entry(uint8_t material) const { return entries_[material]; }
    // Screen texts name their colour with any integer; outside 0..255 they
    // read black rather than past the table.
    PaletteEntry entryOrBlack(int32_t index) const {
        return isValidIndex(index) ? entries_[index] : PaletteEntry{};
    }

    // Replaces red, green and blue of `argb` with the material's colour and
    // keeps the caller's alpha byte. Material 255 gets three fresh random
    // channels (0..254, red first).
    void materialColour(uint8_t material, uint32_t& argb, Random& random) const;

    // Every entry the same.
    bool operator==(const Palette& other) const;
    bool operator!=(const Palette& other) const { return !(*this == other); }

private:
    std::array<PaletteEntry, kSize> entries_{};
};

// The colours of materials 0..64 at start-up.
extern const std::array<PaletteEntry, 65> kInitialPalette;

// Position k (1..64) names material k; element 0 is an unused placeholder so
// that positions and materials share their numbers.
extern const std::array<std::string_view, 65> paletteColourNames;

// The first position 1..64 whose name equals `name` exactly (case-sensitive),
// or 0 when no name matches.
int colourNameToMaterial(std::string_view name);

}  // namespace cubalorn

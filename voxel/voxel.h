#pragma once
#include <cstdint>

namespace cubalorn {

// 16 bits: the low byte is the material (0 empty, 1..255 a palette index),
// the high byte the density the smooth extractor compares with its threshold.
struct Voxel {
    uint16_t raw = 0;

    constexpr Voxel() = default;
    constexpr explicit Voxel(uint16_t value) : raw(value) {}
    static constexpr Voxel make(uint8_t material, uint8_t density) {
        return Voxel(static_cast<uint16_t>(material | (density << 8)));
    }

    constexpr uint8_t material() const { return static_cast<uint8_t>(raw & 0xFF); }
    constexpr uint8_t density() const { return static_cast<uint8_t>(raw >> 8); }
    constexpr bool operator==(Voxel o) const { return raw == o.raw; }
    constexpr bool operator!=(Voxel o) const { return raw != o.raw; }
};
static_assert(sizeof(Voxel) == 2, "a voxel is 16 bits");

}  // namespace cubalorn

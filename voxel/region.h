#pragma once
#include <cstdint>

namespace cubalorn {

struct Vec3i {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    bool operator==(const Vec3i& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vec3i& o) const { return !(*this == o); }
};

// Both corners are inclusive: (0,0,0)-(100,60,100) holds 101 x 61 x 101 voxels.
struct Region {
    Vec3i lower;
    Vec3i upper;

    bool contains(int32_t x, int32_t y, int32_t z) const {
        return x >= lower.x && y >= lower.y && z >= lower.z && x <= upper.x && y <= upper.y &&
               z <= upper.z;
    }
    int32_t width() const { return upper.x - lower.x + 1; }
    int32_t height() const { return upper.y - lower.y + 1; }
    int32_t depth() const { return upper.z - lower.z + 1; }
};

}  // namespace cubalorn

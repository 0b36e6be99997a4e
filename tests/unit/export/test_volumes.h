#pragma once
// Sculptures for the export tests, set voxel by voxel so that every
// expectation can be worked out from the voxel list itself.

#include <cstdint>
#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "voxel/volume.h"

namespace cubalorn::export_test {

struct Cell {
    int32_t x, y, z;
    uint8_t material;
};

inline std::vector<Cell> box(int32_t x0, int32_t y0, int32_t z0, int32_t nx, int32_t ny, int32_t nz,
                             uint8_t material) {
    std::vector<Cell> cells;
    for (int32_t z = z0; z < z0 + nz; ++z)
        for (int32_t y = y0; y < y0 + ny; ++y)
            for (int32_t x = x0; x < x0 + nx; ++x) cells.push_back({x, y, z, material});
    return cells;
}

inline std::vector<Cell> ball(int32_t cx, int32_t cy, int32_t cz, int32_t r, uint8_t material) {
    std::vector<Cell> cells;
    for (int32_t z = cz - r; z <= cz + r; ++z)
        for (int32_t y = cy - r; y <= cy + r; ++y)
            for (int32_t x = cx - r; x <= cx + r; ++x) {
                const int32_t dx = x - cx, dy = y - cy, dz = z - cz;
                if (dx * dx + dy * dy + dz * dz <= r * r) cells.push_back({x, y, z, material});
            }
    return cells;
}

inline std::vector<Cell> join(std::vector<Cell> a, const std::vector<Cell>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Later cells overwrite earlier ones at the same place; material 0 clears.
inline void draw(VoxelVolume& volume, const std::vector<Cell>& cells, uint8_t density = 255) {
    for (const Cell& c : cells)
        volume.setVoxel(c.x, c.y, c.z, Voxel::make(c.material, c.material ? density : 0));
}

// The solid cells of the volume after drawing, by position.
inline std::map<std::tuple<int32_t, int32_t, int32_t>, uint8_t> solidCells(
    const VoxelVolume& volume) {
    std::map<std::tuple<int32_t, int32_t, int32_t>, uint8_t> cells;
    const Region& r = volume.region();
    for (int32_t z = r.lower.z; z <= r.upper.z; ++z)
        for (int32_t y = r.lower.y; y <= r.upper.y; ++y)
            for (int32_t x = r.lower.x; x <= r.upper.x; ++x)
                if (const uint8_t m = volume.voxel(x, y, z).material()) cells[{x, y, z}] = m;
    return cells;
}

// Squares between solid and empty: six per solid cell, less two per pair of
// solid cells that share a face. Cells outside the volume count as empty.
inline size_t exposedSquares(const VoxelVolume& volume) {
    const auto cells = solidCells(volume);
    size_t squares = 6 * cells.size();
    for (const auto& [p, m] : cells) {
        const auto [x, y, z] = p;
        for (const auto& n : {std::make_tuple(x + 1, y, z), std::make_tuple(x, y + 1, z),
                              std::make_tuple(x, y, z + 1)})
            if (cells.count(n)) squares -= 2;
    }
    return squares;
}

}  // namespace cubalorn::export_test

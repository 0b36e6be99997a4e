#pragma once
// The height map that diamond-square terrain is generated in. Programs read it
// point by point and draw it themselves; nothing here touches the volume.

#include <cstdint>
#include <vector>

#include "voxel/random.h"

namespace cubalorn {

class HeightGrid {
public:
    // Largest n that DSINIT accepts: (n+1)^2 doubles stay near 128 MiB.
    static constexpr int32_t kMaxGridSize = 4096;

    enum class InitResult { Done, Negative, TooLarge };

    // A fresh grid of (n+1) x (n+1) points, all 0. Refused (and the old grid
    // kept) for a negative n or one above kMaxGridSize.
    InitResult init(int32_t n, float roughness);

    // False before the first init: the grid has no points yet.
    bool initialised() const { return !values_.empty(); }
    // Is (x, y) a point of the grid, 0..n on both axes?
    bool contains(int32_t x, int32_t y) const {
        return initialised() && x >= 0 && y >= 0 && x <= gridSize_ && y <= gridSize_;
    }
    // Both do nothing and return false outside the grid.
    bool set(int32_t x, int32_t y, float value);
    bool get(int32_t x, int32_t y, float& value) const;

    // Fills every point but the seeds (multiples of n/2) with diamond-square
    // noise; false (nothing done) before the first init.
    bool diamondSquare(Random& random);

    double roughness() const { return roughness_; }
    int32_t gridSize() const { return gridSize_; }
    int32_t halfSize() const { return halfSize_; }
    int32_t side() const { return side_; }
    const std::vector<double>& values() const { return values_; }

private:
    void generate(double scale, int32_t w, int32_t h, Random& random);
    void diamondStep(int32_t col, int32_t row, int32_t w, int32_t h, double scale, Random& random);
    void squareStep(int32_t col, int32_t row, int32_t w, int32_t h, double scale, Random& random);
    double offset(double scale, Random& random) const;

    double roughness_ = 1.3;
    int32_t gridSize_ = 64;
    int32_t halfSize_ = 32;
    int32_t side_ = 65;
    int32_t width_ = 64;
    int32_t height_ = 64;
    std::vector<double> values_;
};

}  // namespace cubalorn

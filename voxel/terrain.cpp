#include "voxel/terrain.h"

#include <cmath>

namespace cubalorn {

HeightGrid::InitResult HeightGrid::init(int32_t n, float roughness) {
    if (n < 0) return InitResult::Negative;
    if (n > kMaxGridSize) return InitResult::TooLarge;
    gridSize_ = n;
    halfSize_ = n / 2;
    side_ = n + 1;
    roughness_ = roughness;
    width_ = height_ = n;
    // One row and one value more than side^2, as the generator was written for.
    values_.assign(size_t(n + 2) * size_t(n + 1) + 1, 0.0);
    return InitResult::Done;
}

bool HeightGrid::set(int32_t x, int32_t y, float value) {
    if (!contains(x, y)) return false;
    values_[size_t(x) + size_t(side_) * size_t(y)] = value;
    return true;
}

bool HeightGrid::get(int32_t x, int32_t y, float& value) const {
    if (!contains(x, y)) return false;
    value = static_cast<float>(values_[size_t(x) + size_t(side_) * size_t(y)]);
    return true;
}

bool HeightGrid::diamondSquare(Random& random) {
    if (!initialised()) return false;
    generate(0.5, width_, height_, random);
    return true;
}

double HeightGrid::offset(double scale, Random& random) const {
    const double r = random.next() / 32767.0;
    return scale + r * (-2 * scale);
}

void HeightGrid::generate(double scale, int32_t w, int32_t h, Random& random) {
    if (w <= 1 || h <= 1) return;
    const double factor = std::pow(2.0, -roughness_);
    scale *= factor;
    w /= 2;
    h /= 2;
    while (h >= 2 && w >= 2) {
        for (int32_t row = 0; row < side_ - 1; row += h)
            for (int32_t col = 0; col < side_ - 1; col += w) diamondStep(col, row, w, h, scale, random);
        for (int32_t row = 0; row < side_ - 1; row += h)
            for (int32_t col = 0; col < side_ - 1; col += w) squareStep(col, row, w, h, scale, random);
        scale *= factor;
        h /= 2;
        w /= 2;
    }
}

// With n not a power of two, later levels produce squares that reach past the
// last row or column; both steps skip those, so every access stays in the grid.
// For powers of two no square is skipped.

void HeightGrid::diamondStep(int32_t col, int32_t row, int32_t w, int32_t h, double scale,
                             Random& random) {
    if (col + w > gridSize_ || row + h > gridSize_) return;
    const int64_t s = side_;
    const int64_t centre = col + s * (row + h / 2) + w / 2;
    if (centre == 0) return;
    double* v = values_.data();
    const double tl = v[col + s * row], tr = v[col + w + s * row];
    const double bl = v[col + s * (row + h)], br = v[col + w + s * (row + h)];
    double ct = (tl + tr + bl + br) * 0.25 + offset(scale, random);
    if (ct > 1.0) ct = 1.0;
    v[centre] = ct;
}

void HeightGrid::squareStep(int32_t col, int32_t row, int32_t w, int32_t h, double scale,
                            Random& random) {
    if (col + w > gridSize_ || row + h > gridSize_) return;
    const int64_t s = side_;
    const int64_t last = s * s;
    double* v = values_.data();
    const int64_t c = col + s * (row + h / 2) + w / 2;
    const double tl = v[col + s * row], tr = v[col + w + s * row];
    const double bl = v[col + s * (row + h)], br = v[col + w + s * (row + h)];
    const double ct = v[c];

    // Flat neighbour indices wrap to the neighbouring row at the far side;
    // only an index that leaves the grid (or is 0) means "no neighbour".
    auto midpoint = [&](int64_t index, double a, double b, int64_t neighbour) {
        if (neighbour < 0 || neighbour >= last) neighbour = 0;
        const double sum = a + b + ct;
        const double base = neighbour != 0 ? (sum + v[neighbour]) * 0.25 : sum / 3;
        v[index] = base + offset(scale, random);
    };
    const int64_t left = col + s * (row + h / 2);
    midpoint(left, tl, bl, c - w);
    midpoint(col + w / 2 + s * row, tl, tr, c - h * s);
    midpoint(left + w, br, tr, c + w);
    midpoint(col + w / 2 + s * (row + h), br, bl, c + h * s);
}

}  // namespace cubalorn

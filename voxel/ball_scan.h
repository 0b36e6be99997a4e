#pragma once
// The scan shared by the sphere and the box pen stamp: every cell of a box of
// cells around a centre whose distance from the centre, computed in floats and
// truncated, is at most a limit, clamped onto the volume.
//
// Done literally, the scan visits every cell of the box, which never ends for
// a radius of a million, and most of those cells collapse onto the same face
// voxel. The float distance only grows as a cell moves away from the centre on
// any axis, so the passing cells of a row form one interval, and the passing
// sets shrink as a row moves away from the centre. That gives the same cells
// and the same last cell as the literal scan while visiting each clamped
// voxel once and searching rows by bisection.

#include <cmath>
#include <cstdint>

namespace cubalorn {

namespace scan_detail {

// Far beyond any volume axis, and exact in a double.
constexpr int64_t kCellLimit = int64_t(1) << 52;

inline int64_t saturate(double v) {
    if (!(v > -double(kCellLimit))) return -kCellLimit;  // also NaN
    if (v > double(kCellLimit)) return kCellLimit;
    return static_cast<int64_t>(v);
}

inline int64_t clampCell(int64_t v, int32_t size) {
    if (v < 0) return 0;
    if (v >= size) return size - 1;
    return v;
}

}  // namespace scan_detail

// Cells lo..hi along one axis (empty when hi < lo) and the centre on it.
struct ScanAxis {
    int64_t lo = 0;
    int64_t hi = -1;
    float centre = 0;

    // The loop "from trunc(centre - half) while cell < centre + half", with
    // both bounds formed in float arithmetic.
    static ScanAxis around(float centre, float half) {
        ScanAxis a;
        a.centre = centre;
        const float low = centre - half;
        const float high = centre + half;
        if (std::isnan(low) || std::isnan(high)) return a;
        a.lo = scan_detail::saturate(std::trunc(double(low)));
        // Largest whole number strictly below `high`.
        const double h = double(high);
        const double below = std::floor(h) == h ? h - 1 : std::floor(h);
        a.hi = scan_detail::saturate(below);
        return a;
    }
    bool empty() const { return hi < lo; }
    float offset(int64_t cell) const { return static_cast<float>(cell) - centre; }
    // The cell of lo..hi nearest to the centre.
    int64_t nearest() const {
        const double f = std::floor(double(centre));
        int64_t a = scan_detail::saturate(f);
        int64_t b = scan_detail::saturate(f + 1);
        a = a < lo ? lo : (a > hi ? hi : a);
        b = b < lo ? lo : (b > hi ? hi : b);
        return std::fabs(offset(b)) < std::fabs(offset(a)) ? b : a;
    }
};

class BallScan {
public:
    // `limit`: a cell passes when its truncated distance is at most this.
    BallScan(const ScanAxis& x, const ScanAxis& y, const ScanAxis& z, int64_t limit)
        : x_(x), y_(y), z_(z), bound_(double(limit) + 1.0), limitOk_(limit >= 0) {}

    bool passes(int64_t cx, int64_t cy, int64_t cz) const {
        const float dx = x_.offset(cx);
        const float dy = y_.offset(cy);
        const float dz = z_.offset(cz);
        const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
        // trunc(d) <= limit, without converting a huge d to an integer.
        return double(d) < bound_;
    }

    bool anyPasses() const {
        if (!limitOk_ || x_.empty() || y_.empty() || z_.empty()) return false;
        return passes(x_.nearest(), y_.nearest(), z_.nearest());
    }

    // Calls visitRow(y, z, xa, xb) once for every clamped row that holds
    // passing cells, with the clamped cells xa..xb of that row. Every row's
    // cells include the clamped cell nearest the centre on x.
    template <typename VisitRow>
    void forEachClampedRow(int32_t sizeX, int32_t sizeY, int32_t sizeZ, VisitRow&& visitRow) const {
        using scan_detail::clampCell;
        if (!anyPasses() || sizeX < 1 || sizeY < 1 || sizeZ < 1) return;
        const int64_t xm = x_.nearest();
        const int64_t ym = y_.nearest();
        const int64_t zEnd = clampCell(z_.hi, sizeZ);
        for (int64_t zc = clampCell(z_.lo, sizeZ); zc <= zEnd; ++zc) {
            const int64_t zr = representative(z_, zc, sizeZ);
            if (!passes(xm, ym, zr)) continue;
            const int64_t yEnd = clampCell(y_.hi, sizeY);
            for (int64_t yc = clampCell(y_.lo, sizeY); yc <= yEnd; ++yc) {
                const int64_t yr = representative(y_, yc, sizeY);
                if (!passes(xm, yr, zr)) continue;
                visitRow(int32_t(yc), int32_t(zc),
                         int32_t(clampCell(firstPassing(xm, yr, zr), sizeX)),
                         int32_t(clampCell(lastPassing(xm, yr, zr), sizeX)));
            }
        }
    }

    // Calls visit(x, y, z) once for every distinct clamped cell of the passing
    // cells, each coordinate clamped into 0..size-1.
    template <typename Visit>
    void forEachClampedCell(int32_t sizeX, int32_t sizeY, int32_t sizeZ, Visit&& visit) const {
        forEachClampedRow(sizeX, sizeY, sizeZ, [&](int32_t y, int32_t z, int32_t xa, int32_t xb) {
            for (int32_t x = xa; x <= xb; ++x) visit(x, y, z);
        });
    }

    // The passing cell the literal scan (z outermost, x innermost, each
    // ascending) meets last; false when no cell passes.
    bool lastCell(int64_t& lx, int64_t& ly, int64_t& lz) const {
        if (!anyPasses()) return false;
        const int64_t xm = x_.nearest();
        const int64_t ym = y_.nearest();
        lz = upperEnd(z_.nearest(), z_.hi, [&](int64_t c) { return passes(xm, ym, c); });
        ly = upperEnd(ym, y_.hi, [&](int64_t c) { return passes(xm, c, lz); });
        lx = upperEnd(xm, x_.hi, [&](int64_t c) { return passes(c, ly, lz); });
        return true;
    }

private:
    // Among the cells that clamp onto `clamped`, the one nearest the centre:
    // its passing set contains those of all the others.
    static int64_t representative(const ScanAxis& a, int64_t clamped, int32_t size) {
        ScanAxis group = a;
        if (clamped > 0) group.lo = clamped;
        if (clamped < size - 1) group.hi = clamped;
        if (group.lo < a.lo) group.lo = a.lo;
        if (group.hi > a.hi) group.hi = a.hi;
        return group.nearest();
    }

    // Largest c in from..to with ok(c), given ok(from) and ok falling once.
    template <typename Ok>
    static int64_t upperEnd(int64_t from, int64_t to, Ok ok) {
        if (ok(to)) return to;
        int64_t good = from, bad = to;
        while (bad - good > 1) {
            const int64_t mid = good + (bad - good) / 2;
            (ok(mid) ? good : bad) = mid;
        }
        return good;
    }
    template <typename Ok>
    static int64_t lowerEnd(int64_t from, int64_t to, Ok ok) {
        if (ok(to)) return to;
        int64_t good = from, bad = to;
        while (good - bad > 1) {
            const int64_t mid = bad + (good - bad) / 2;
            (ok(mid) ? good : bad) = mid;
        }
        return good;
    }
    int64_t firstPassing(int64_t xm, int64_t y, int64_t z) const {
        return lowerEnd(xm, x_.lo, [&](int64_t c) { return passes(c, y, z); });
    }
    int64_t lastPassing(int64_t xm, int64_t y, int64_t z) const {
        return upperEnd(xm, x_.hi, [&](int64_t c) { return passes(c, y, z); });
    }

    ScanAxis x_, y_, z_;
    double bound_;
    bool limitOk_;
};

}  // namespace cubalorn

#include "extract/cubic_extractor.h"

#include <algorithm>
#include <cstring>

namespace cubalorn {

namespace {

enum class Face { PosX, NegX, PosY, NegY, PosZ, NegZ };

// Appends the square on the plane between (rx, ry, rz) and its neighbour:
// four new vertices q0..q3 and two triangles wound counter-clockwise about
// the face normal.
void addSquare(ExtractedMesh& mesh, Face face, float rx, float ry, float rz, float material) {
    const float lx = rx - 0.5f, hx = rx + 0.5f;
    const float ly = ry - 0.5f, hy = ry + 0.5f;
    const float lz = rz - 0.5f, hz = rz + 0.5f;
    Vec3f q[4];
    Vec3f normal;
    switch (face) {
        case Face::PosX:
        case Face::NegX:
            q[0] = {hx, ly, lz};
            q[1] = {hx, ly, hz};
            q[2] = {hx, hy, lz};
            q[3] = {hx, hy, hz};
            normal = {face == Face::PosX ? 1.f : -1.f, 0.f, 0.f};
            break;
        case Face::PosY:
        case Face::NegY:
            q[0] = {lx, hy, lz};
            q[1] = {lx, hy, hz};
            q[2] = {hx, hy, lz};
            q[3] = {hx, hy, hz};
            normal = {0.f, face == Face::PosY ? 1.f : -1.f, 0.f};
            break;
        case Face::PosZ:
        case Face::NegZ:
            q[0] = {lx, ly, hz};
            q[1] = {lx, hy, hz};
            q[2] = {hx, ly, hz};
            q[3] = {hx, hy, hz};
            normal = {0.f, 0.f, face == Face::PosZ ? 1.f : -1.f};
            break;
    }
    const uint32_t i0 = mesh.addVertex({q[0], normal, material});
    const uint32_t i1 = mesh.addVertex({q[1], normal, material});
    const uint32_t i2 = mesh.addVertex({q[2], normal, material});
    const uint32_t i3 = mesh.addVertex({q[3], normal, material});
    // The corner order above turns one way about +x, +z and -y, the other
    // way about +y, so the triangle orders differ to keep every winding
    // counter-clockwise about the square's own normal.
    if (face == Face::PosX || face == Face::NegY || face == Face::PosZ) {
        mesh.addTriangle(i0, i2, i1);
        mesh.addTriangle(i1, i2, i3);
    } else {
        mesh.addTriangle(i0, i1, i2);
        mesh.addTriangle(i1, i3, i2);
    }
}

// The squares of one position, given the position's voxel and its three
// upper neighbours, in the fixed case order +x, -x, +y, -y, +z, -z.
inline void emitPosition(ExtractedMesh& mesh, float rx, float ry, float rz, Voxel cur, Voxel nextX,
                         Voxel nextY, Voxel nextZ) {
    const bool solid = cur.material() != 0;
    if (solid != (nextX.material() != 0)) {
        if (solid)
            addSquare(mesh, Face::PosX, rx, ry, rz, cur.material());
        else
            addSquare(mesh, Face::NegX, rx, ry, rz, nextX.material());
    }
    if (solid != (nextY.material() != 0)) {
        if (solid)
            addSquare(mesh, Face::PosY, rx, ry, rz, cur.material());
        else
            addSquare(mesh, Face::NegY, rx, ry, rz, nextY.material());
    }
    if (solid != (nextZ.material() != 0)) {
        if (solid)
            addSquare(mesh, Face::PosZ, rx, ry, rz, cur.material());
        else
            addSquare(mesh, Face::NegZ, rx, ry, rz, nextZ.material());
    }
}

// Four voxels at once: bit 8 of each 16-bit lane is set when that voxel's
// material is not 0. Lanes never carry into each other (255 + 255 < 2^16).
inline uint64_t solidLanes(const Voxel* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    constexpr uint64_t kMaterial = 0x00FF00FF00FF00FFull;
    constexpr uint64_t kCarry = 0x0100010001000100ull;
    return ((w & kMaterial) + kMaterial) & kCarry;
}

bool inSpan(int32_t v, int32_t lower, int32_t upper) { return lower <= v && v <= upper; }

}  // namespace

CubicExtractor::CubicExtractor(const VoxelVolume& volume, const Region& region,
                               ExtractedMesh& outputMesh)
    : volume_(&volume), region_(region), outputMesh_(&outputMesh) {}

void CubicExtractor::execute() {
    ExtractedMesh& mesh = *outputMesh_;
    mesh.clear();

    const Region& vr = volume_->region();
    // Only positions whose own voxel or an upper neighbour lies in the volume
    // can see a solid voxel; the rest of the region emits nothing.
    const int64_t x0 = std::max<int64_t>(region_.lower.x, int64_t(vr.lower.x) - 1);
    const int64_t y0 = std::max<int64_t>(region_.lower.y, int64_t(vr.lower.y) - 1);
    const int64_t z0 = std::max<int64_t>(region_.lower.z, int64_t(vr.lower.z) - 1);
    const int64_t x1 = std::min<int64_t>(int64_t(region_.upper.x) - 1, vr.upper.x);
    const int64_t y1 = std::min<int64_t>(int64_t(region_.upper.y) - 1, vr.upper.y);
    const int64_t z1 = std::min<int64_t>(int64_t(region_.upper.z) - 1, vr.upper.z);

    if (x0 <= x1 && y0 <= y1 && z0 <= z1) {
        occupancy_.update(*volume_);
        for (int32_t z = int32_t(z0); z <= int32_t(z1); ++z) {
            if (!occupancy_.layer(z) && !occupancy_.layer(z + 1)) continue;
            for (int32_t y = int32_t(y0); y <= int32_t(y1); ++y) {
                if (!occupancy_.row(y, z) && !occupancy_.row(y + 1, z) && !occupancy_.row(y, z + 1))
                    continue;
                scanRow(y, z, int32_t(x0), int32_t(x1));
            }
        }
    }

    mesh.region = region_;
    mesh.indexRanges.push_back({0, static_cast<int32_t>(mesh.indices.size())});
}

void CubicExtractor::scanRow(int32_t y, int32_t z, int32_t x0, int32_t x1) {
    const VoxelVolume& v = *volume_;
    const Region& vr = v.region();
    ExtractedMesh& mesh = *outputMesh_;
    const float ry = static_cast<float>(int64_t(y) - region_.lower.y);
    const float rz = static_cast<float>(int64_t(z) - region_.lower.z);
    auto rx = [&](int32_t x) { return static_cast<float>(int64_t(x) - region_.lower.x); };

    int32_t x = x0;
    if (x < vr.lower.x) {  // just below the volume: only its +x neighbour can be solid
        emitPosition(mesh, rx(x), ry, rz, Voxel(), v.voxel(x + 1, y, z), Voxel(), Voxel());
        ++x;
    }

    const uint8_t p = v.blockSideLengthPower();
    const int32_t side = v.blockSideLength();
    const int32_t mask = side - 1;
    const bool rowIn = inSpan(y, vr.lower.y, vr.upper.y) && inSpan(z, vr.lower.z, vr.upper.z);
    const bool rowYIn = inSpan(y + 1, vr.lower.y, vr.upper.y) && inSpan(z, vr.lower.z, vr.upper.z);
    const bool rowZIn = inSpan(y, vr.lower.y, vr.upper.y) && inSpan(z + 1, vr.lower.z, vr.upper.z);
    // Rows outside the volume read as the border's zeros.
    const Voxel* const zeros = v.borderVoxels();
    const size_t rowOffset = size_t((y & mask) + side * (z & mask)) * side;
    const size_t rowYOffset = size_t(((y + 1) & mask) + side * (z & mask)) * side;
    const size_t rowZOffset = size_t((y & mask) + side * ((z + 1) & mask)) * side;

    while (x <= x1) {
        const int32_t bx = x >> p;
        const int64_t blockEnd = (int64_t(bx) << p) + mask;
        const int32_t segmentEnd = int32_t(std::min<int64_t>(x1, blockEnd));

        const VoxelBlock* cur = rowIn ? &v.block(bx, y >> p, z >> p) : nullptr;
        const VoxelBlock* up = rowYIn ? &v.block(bx, (y + 1) >> p, z >> p) : nullptr;
        const VoxelBlock* front = rowZIn ? &v.block(bx, y >> p, (z + 1) >> p) : nullptr;
        // The last voxel of a block looks into the next block along x.
        const bool readsNextBlock = segmentEnd == blockEnd;
        const Voxel afterBlock = readsNextBlock ? v.voxel(segmentEnd + 1, y, z) : Voxel();
        auto empty = [](const VoxelBlock* b) { return b == nullptr || b->nonZeroCount() == 0; };
        if (empty(cur) && empty(up) && empty(front) && afterBlock.raw == 0) {
            x = segmentEnd + 1;
            continue;
        }

        const Voxel* c = cur ? cur->voxels() + rowOffset : zeros;
        const Voxel* u = up ? up->voxels() + rowYOffset : zeros;
        const Voxel* f = front ? front->voxels() + rowZOffset : zeros;
        int32_t lx = x & mask;
        const int32_t lastLocal = segmentEnd & mask;
        const int32_t baseX = x - lx;
        // Four positions at a time while the +x neighbours stay in the block;
        // runs where every position agrees with its three neighbours emit nothing.
        const int32_t groupedEnd = std::min(lastLocal, side - 2);
        for (; lx + 3 <= groupedEnd; lx += 4) {
            const uint64_t s = solidLanes(c + lx);
            if (((s ^ solidLanes(c + lx + 1)) | (s ^ solidLanes(u + lx)) | (s ^ solidLanes(f + lx))) == 0)
                continue;
            for (int32_t k = lx; k < lx + 4; ++k)
                emitPosition(mesh, rx(baseX + k), ry, rz, c[k], c[k + 1], u[k], f[k]);
        }
        for (; lx <= lastLocal; ++lx) {
            const Voxel nextX = lx + 1 < side ? c[lx + 1] : afterBlock;
            emitPosition(mesh, rx(baseX + lx), ry, rz, c[lx], nextX, u[lx], f[lx]);
        }
        x = segmentEnd + 1;
    }
}

}  // namespace cubalorn

#include "extract/cubic_extractor.h"

#include <algorithm>
#include <cstring>

#include "extract/solid_bits.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cubalorn {

namespace {

enum class Face { PosX, NegX, PosY, NegY, PosZ, NegZ };

constexpr float kOcclusionShare[4] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f};

// Writes the square on the plane between (rx, ry, rz) and its neighbour: four
// vertices q0..q3 at `out` (numbered from `first`) with their corners'
// occlusion (two bits each, q0 lowest) and two triangles wound
// counter-clockwise about the face normal at `index`.
inline void writeSquare(MeshVertex* out, uint32_t* index, uint32_t first, Face face, float rx,
                        float ry, float rz, float material, uint8_t packedOcclusion) {
    const uint8_t occlusion[4] = {uint8_t(packedOcclusion & 3), uint8_t(packedOcclusion >> 2 & 3),
                                  uint8_t(packedOcclusion >> 4 & 3), uint8_t(packedOcclusion >> 6)};
    const float lx = rx - 0.5f, hx = rx + 0.5f;
    const float ly = ry - 0.5f, hy = ry + 0.5f;
    const float lz = rz - 0.5f, hz = rz + 0.5f;
    Vec3f normal;
    switch (face) {
        case Face::PosX:
        case Face::NegX:
            out[0].pos = {hx, ly, lz};
            out[1].pos = {hx, ly, hz};
            out[2].pos = {hx, hy, lz};
            out[3].pos = {hx, hy, hz};
            normal = {face == Face::PosX ? 1.f : -1.f, 0.f, 0.f};
            break;
        case Face::PosY:
        case Face::NegY:
            out[0].pos = {lx, hy, lz};
            out[1].pos = {lx, hy, hz};
            out[2].pos = {hx, hy, lz};
            out[3].pos = {hx, hy, hz};
            normal = {0.f, face == Face::PosY ? 1.f : -1.f, 0.f};
            break;
        case Face::PosZ:
        case Face::NegZ:
            out[0].pos = {lx, ly, hz};
            out[1].pos = {lx, hy, hz};
            out[2].pos = {hx, ly, hz};
            out[3].pos = {hx, hy, hz};
            normal = {0.f, 0.f, face == Face::PosZ ? 1.f : -1.f};
            break;
    }
    for (int k = 0; k < 4; ++k) {
        out[k].normal = normal;
        out[k].material = material;
        out[k].occlusion = kOcclusionShare[occlusion[k]];
    }
    // The corner order above turns one way about +x, +z and -y, the other
    // way about +y, so the triangle orders differ to keep every winding
    // counter-clockwise about the square's own normal. The diagonal joins
    // q1 and q2 unless q0 and q3 are the more open pair: the more occluded
    // corners then keep a triangle each, and the shading across the square
    // looks the same whichever way it is turned.
    const uint32_t i0 = first, i1 = first + 1, i2 = first + 2, i3 = first + 3;
    const bool flip = occlusion[0] + occlusion[3] < occlusion[1] + occlusion[2];
    if (face == Face::PosX || face == Face::NegY || face == Face::PosZ) {
        const uint32_t t[2][6] = {{i0, i2, i1, i1, i2, i3}, {i0, i2, i3, i0, i3, i1}};
        std::memcpy(index, t[flip], sizeof t[0]);
    } else {
        const uint32_t t[2][6] = {{i0, i1, i2, i1, i3, i2}, {i0, i3, i2, i0, i1, i3}};
        std::memcpy(index, t[flip], sizeof t[0]);
    }
}

// The occlusion of a face's corner from the voxels in front of the face:
// the two beside the corner and the one diagonal to it. Two sides close
// the corner whatever the diagonal holds.
constexpr uint8_t cornerOcclusion(bool side1, bool side2, bool diagonal) {
    return side1 && side2 ? 3 : uint8_t(side1 + side2 + diagonal);
}

// The voxels around the one a face looks into, as nine bits: the voxel at
// offset (a - 1, c - 1) along the face's two in-plane axes is bit 3a + c
// (`aMajor`) or bit 3c + a. The table gives q0..q3's occlusion, two bits
// each; q0..q3 lie at (-,-), (-,+), (+,-), (+,+) of those axes.
struct OcclusionTable {
    uint8_t packed[512];
    constexpr explicit OcclusionTable(bool aMajor) : packed() {
        for (int mask = 0; mask < 512; ++mask) {
            auto n = [mask, aMajor](int a, int c) {
                return ((mask >> (aMajor ? 3 * a + c : 3 * c + a)) & 1) != 0;
            };
            packed[mask] = uint8_t(cornerOcclusion(n(0, 1), n(1, 0), n(0, 0)) |
                                   cornerOcclusion(n(0, 1), n(1, 2), n(0, 2)) << 2 |
                                   cornerOcclusion(n(2, 1), n(1, 0), n(2, 0)) << 4 |
                                   cornerOcclusion(n(2, 1), n(1, 2), n(2, 2)) << 6);
        }
    }
};
constexpr OcclusionTable kOcclusionByA(true);
constexpr OcclusionTable kOcclusionByC(false);

// Bits b - 1, b and b + 1 of a row. The word after them is read even when
// they do not reach into it: rows carry a spare word at their end for that.
inline uint32_t threeBits(const uint64_t* row, int64_t b) {
    const int64_t first = b - 1;
    const unsigned __int128 pair =
        (unsigned __int128)row[(first >> 6) + 1] << 64 | row[first >> 6];
    return uint32_t(pair >> (first & 63)) & 7u;
}

// Room for `squares` more squares at the end of the mesh; returns where the
// first one's vertices go. The lists grow geometrically, as appending does.
inline MeshVertex* growBy(ExtractedMesh& mesh, size_t squares, uint32_t*& index) {
    const size_t vertexCount = mesh.vertices.size(), indexCount = mesh.indices.size();
    mesh.vertices.resize(vertexCount + 4 * squares);
    mesh.indices.resize(indexCount + 6 * squares);
    index = mesh.indices.data() + indexCount;
    return mesh.vertices.data() + vertexCount;
}

inline int lowestBit(uint64_t v) {
    return __builtin_ctzll(v);
}

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
        // The voxels read: one beyond the positions on every side.
        occupancy_.update(*volume_, Region{{int32_t(x0 - 1), int32_t(y0 - 1), int32_t(z0 - 1)},
                                           {int32_t(x1 + 1), int32_t(y1 + 1), int32_t(z1 + 1)}});
        scan(int32_t(x0), int32_t(y0), int32_t(z0), int32_t(x1), int32_t(y1), int32_t(z1));
    }

    mesh.region = region_;
    mesh.indexRanges.push_back({0, static_cast<int32_t>(mesh.indices.size())});
}

// Positions x0..x1, y0..y1, z0..z1, all within one step of the volume.
void CubicExtractor::scan(int32_t x0, int32_t y0, int32_t z0, int32_t x1, int32_t y1, int32_t z1) {
    // A row holds the voxel before x0, the positions x0..x1 and the voxel
    // after x1; rows run from y0 - 1 to y1 + 1 and slices from z0 - 1 to
    // z1 + 1. The outer ones are only read for the occlusion of the corners,
    // from the volume, so a region's corners see what lies past its border.
    rowX0_ = int64_t(x0) - 1;
    rowWords_ = size_t(int64_t(x1) - x0 + 3 + 63) / 64;
    rowY0_ = int64_t(y0) - 1;
    const size_t rows = size_t(int64_t(y1) - y0 + 3);
    zeroRow_.assign(rowWords_ + 1, 0);
    for (SolidSlice& slice : slices_) {
        slice.bits.resize(rows * rowWords_ + 1);  // the last row's spare word
        slice.rowFilled.resize(rows);
    }
    // Positions only: the voxels before x0 and after x1 are read but never current.
    std::vector<uint64_t>& positions = positionMask_;
    positions.assign(rowWords_, 0);
    for (int64_t b = 1; b <= int64_t(x1) - x0 + 1; ++b) positions[size_t(b / 64)] |= 1ull << (b % 64);

    const VoxelVolume& v = *volume_;
    ExtractedMesh& mesh = *outputMesh_;
    const bool occluding = ambientOcclusion_;
    SolidSlice* below = &slices_[0];
    SolidSlice* here = &slices_[1];
    SolidSlice* above = &slices_[2];
    if (occluding)
        fillSlice(*below, z0 - 1, y0 - 1, y1 + 1);
    else
        below->any = false;
    fillSlice(*here, z0, y0 - 1, y1 + 1);
    for (int32_t z = z0; z <= z1; ++z) {
        fillSlice(*above, z + 1, y0 - 1, y1 + 1);
        if (here->any || above->any) {
            const SolidSlice* layers[3] = {below, here, above};  // z - 1, z, z + 1
            const float rz = static_cast<float>(int64_t(z) - region_.lower.z);
            for (int32_t y = y0; y <= y1; ++y) {
                const uint64_t* cur = row(*here, y);
                const uint64_t* up = row(*here, y + 1);
                const uint64_t* front = row(*above, y);
                if (cur == zeroRow_.data() && up == zeroRow_.data() && front == zeroRow_.data())
                    continue;
                const float ry = static_cast<float>(int64_t(y) - region_.lower.y);
                // Rows y - 1, y, y + 1 of slices z - 1, z, z + 1: all the
                // voxels in front of this row's faces.
                const uint64_t* around[3][3];
                if (occluding)
                    for (int l = 0; l < 3; ++l)
                        for (int k = 0; k < 3; ++k) around[l][k] = row(*layers[l], y - 1 + k);
                for (size_t w = 0; w < rowWords_; ++w) {
                    const uint64_t s = cur[w];
                    const uint64_t nextX = (s >> 1) | (w + 1 < rowWords_ ? cur[w + 1] << 63 : 0);
                    const uint64_t dx = (s ^ nextX) & positions[w];
                    const uint64_t dy = (s ^ up[w]) & positions[w];
                    const uint64_t dz = (s ^ front[w]) & positions[w];
                    uint64_t any = dx | dy | dz;
                    if (any == 0) continue;

                    uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
                    uint32_t* index;
                    MeshVertex* out =
                        growBy(mesh, size_t(popCount(dx) + popCount(dy) + popCount(dz)), index);
                    // The occlusion of a face from the voxels around its front
                    // voxel. x faces read bit i of nine rows (axes y, z): the
                    // rows' words are taken once per word, shifted by one voxel
                    // for +x faces, whose front voxel is the next one. y faces
                    // read three bits round bit b of row k of each slice (axes
                    // x, z), z faces of the three rows of slice l (axes x, y).
                    uint64_t atX[9], afterX[9];
                    if (occluding && dx != 0)
                        for (int a = 0; a < 3; ++a)
                            for (int c = 0; c < 3; ++c) {
                                const uint64_t* r = around[c][a];
                                atX[3 * a + c] = r[w];
                                afterX[3 * a + c] = r[w] >> 1 | r[w + 1] << 63;
                            }
                    auto xFace = [&](const uint64_t* words, int i) -> uint8_t {
                        if (!occluding) return 0;
                        uint32_t mask = 0;
                        for (int k = 0; k < 9; ++k) mask |= uint32_t(words[k] >> i & 1) << k;
                        return kOcclusionByA.packed[mask];
                    };
                    const uint64_t* zero = zeroRow_.data();
                    auto yFace = [&](int64_t b, int k) -> uint8_t {
                        if (!occluding) return 0;
                        // Open air all round, the usual case on a surface.
                        if (around[0][k] == zero && around[1][k] == zero && around[2][k] == zero)
                            return 0;
                        return kOcclusionByC.packed[threeBits(around[0][k], b) |
                                                    threeBits(around[1][k], b) << 3 |
                                                    threeBits(around[2][k], b) << 6];
                    };
                    auto zFace = [&](int64_t b, int l) -> uint8_t {
                        if (!occluding) return 0;
                        if (around[l][0] == zero && around[l][1] == zero && around[l][2] == zero)
                            return 0;
                        return kOcclusionByC.packed[threeBits(around[l][0], b) |
                                                    threeBits(around[l][1], b) << 3 |
                                                    threeBits(around[l][2], b) << 6];
                    };
                    auto square = [&](Face face, float rx, uint8_t material, uint8_t occ) {
                        writeSquare(out, index, first, face, rx, ry, rz, material, occ);
                        out += 4;
                        index += 6;
                        first += 4;
                    };
                    while (any) {
                        const int i = lowestBit(any);
                        any &= any - 1;
                        const int64_t x = rowX0_ + int64_t(64 * w) + i;
                        const int32_t xi = int32_t(x);
                        const float rx = static_cast<float>(x - region_.lower.x);
                        const bool isSolid = (s >> i) & 1;
                        const int64_t b = x - rowX0_;
                        // Only positions with a square read their voxels.
                        const uint8_t material = isSolid ? v.voxel(xi, y, z).material() : 0;
                        if ((dx >> i) & 1) {
                            if (isSolid)
                                square(Face::PosX, rx, material, xFace(afterX, i));
                            else
                                square(Face::NegX, rx, v.voxel(xi + 1, y, z).material(),
                                       xFace(atX, i));
                        }
                        if ((dy >> i) & 1) {
                            if (isSolid)
                                square(Face::PosY, rx, material, yFace(b, 2));
                            else
                                square(Face::NegY, rx, v.voxel(xi, y + 1, z).material(), yFace(b, 1));
                        }
                        if ((dz >> i) & 1) {
                            if (isSolid)
                                square(Face::PosZ, rx, material, zFace(b, 2));
                            else
                                square(Face::NegZ, rx, v.voxel(xi, y, z + 1).material(), zFace(b, 1));
                        }
                    }
                }
            }
        }
        SolidSlice* spare = below;
        below = here;
        here = above;
        above = spare;
    }
}

const uint64_t* CubicExtractor::row(const SolidSlice& slice, int32_t y) const {
    const size_t r = size_t(int64_t(y) - rowY0_);
    return slice.any && slice.rowFilled[r] ? slice.bits.data() + r * rowWords_ : zeroRow_.data();
}

// The solid bits of voxel rows y0..y1 of slice z, from blocks that hold
// anything; rows of empty block rows are only marked unfilled.
void CubicExtractor::fillSlice(SolidSlice& slice, int32_t z, int32_t y0, int32_t y1) {
    slice.any = occupancy_.layer(z);
    if (!slice.any) return;
    const VoxelVolume& v = *volume_;
    const Region& vr = v.region();
    const uint8_t p = v.blockSideLengthPower();
    const int32_t side = v.blockSideLength();
    const int32_t mask = side - 1;
    const int64_t xFirst = std::max<int64_t>(rowX0_, vr.lower.x);
    const int64_t xLast = std::min<int64_t>(rowX0_ + int64_t(rowWords_) * 64 - 1, vr.upper.x);
    for (int32_t y = y0; y <= y1; ++y) {
        const size_t r = size_t(int64_t(y) - rowY0_);
        slice.rowFilled[r] = 0;
        if (!occupancy_.row(y, z) || xFirst > xLast) continue;
        uint64_t* bits = slice.bits.data() + r * rowWords_;
        std::memset(bits, 0, rowWords_ * sizeof(uint64_t));
        const size_t rowOffset = size_t((y & mask) + side * (z & mask)) * side;
        uint64_t found = 0;
        // x | mask is the last voxel of x's block, for negative x too.
        for (int64_t x = xFirst; x <= xLast;) {
            const int32_t bx = int32_t(x) >> p;
            const int64_t segmentEnd = std::min<int64_t>(xLast, x | mask);
            const VoxelBlock& block = v.block(bx, y >> p, z >> p);
            if (block.nonZeroCount() == 0) {
                x = segmentEnd + 1;
                continue;
            }
            const Voxel* voxels = block.voxels() + rowOffset;
            for (; x <= segmentEnd; x += 32) {
                const int32_t count = int32_t(std::min<int64_t>(32, segmentEnd - x + 1));
                const uint64_t solid = solidBits(voxels + (int32_t(x) & mask), count);
                if (solid == 0) continue;
                const size_t at = size_t(x - rowX0_);
                bits[at / 64] |= solid << (at % 64);
                if (at % 64 + size_t(count) > 64) bits[at / 64 + 1] |= solid >> (64 - at % 64);
                found |= solid;
            }
            x = segmentEnd + 1;
        }
        slice.rowFilled[r] = found != 0;
    }
}

}  // namespace cubalorn

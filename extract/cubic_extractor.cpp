#include "extract/cubic_extractor.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cubalorn {

namespace {

enum class Face { PosX, NegX, PosY, NegY, PosZ, NegZ };

// Writes the square on the plane between (rx, ry, rz) and its neighbour: four
// vertices q0..q3 at `out` (numbered from `first`) and two triangles wound
// counter-clockwise about the face normal at `index`.
inline void writeSquare(MeshVertex* out, uint32_t* index, uint32_t first, Face face, float rx,
                        float ry, float rz, float material) {
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
    }
    // The corner order above turns one way about +x, +z and -y, the other
    // way about +y, so the triangle orders differ to keep every winding
    // counter-clockwise about the square's own normal.
    const uint32_t i0 = first, i1 = first + 1, i2 = first + 2, i3 = first + 3;
    if (face == Face::PosX || face == Face::NegY || face == Face::PosZ) {
        const uint32_t t[6] = {i0, i2, i1, i1, i2, i3};
        std::memcpy(index, t, sizeof t);
    } else {
        const uint32_t t[6] = {i0, i1, i2, i1, i3, i2};
        std::memcpy(index, t, sizeof t);
    }
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

// Bit i set when p[i] has a material, for count <= 32 voxels.
inline uint32_t solidBits(const Voxel* p, int32_t count) {
    uint32_t bits = 0;
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i materialMask = _mm_set1_epi16(0x00FF);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
        const __m128i emptyA = _mm_cmpeq_epi16(_mm_and_si128(a, materialMask), zero);
        const __m128i emptyB = _mm_cmpeq_epi16(_mm_and_si128(b, materialMask), zero);
        const uint32_t empty = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(emptyA, emptyB)));
        bits |= (~empty & 0xFFFFu) << i;
    }
#endif
    for (; i < count; ++i) bits |= uint32_t(p[i].material() != 0) << i;
    return bits;
}

inline int popCount(uint64_t v) {
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((v * 0x0101010101010101ull) >> 56);
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
        occupancy_.update(*volume_, Region{{int32_t(x0), int32_t(y0), int32_t(z0)},
                                           {int32_t(x1 + 1), int32_t(y1 + 1), int32_t(z1 + 1)}});
        scan(int32_t(x0), int32_t(y0), int32_t(z0), int32_t(x1), int32_t(y1), int32_t(z1));
    }

    mesh.region = region_;
    mesh.indexRanges.push_back({0, static_cast<int32_t>(mesh.indices.size())});
}

// Positions x0..x1, y0..y1, z0..z1, all within one step of the volume.
void CubicExtractor::scan(int32_t x0, int32_t y0, int32_t z0, int32_t x1, int32_t y1, int32_t z1) {
    // A row holds the positions x0..x1 and the voxel after the last one.
    rowX0_ = x0;
    rowWords_ = size_t(int64_t(x1) - x0 + 2 + 63) / 64;
    rowY0_ = y0;
    const size_t rows = size_t(int64_t(y1) - y0 + 2);
    zeroRow_.assign(rowWords_, 0);
    for (SolidSlice& slice : slices_) {
        slice.bits.resize(rows * rowWords_);
        slice.rowFilled.resize(rows);
    }
    // Positions only: the voxel after x1 is read but never current.
    std::vector<uint64_t>& positions = positionMask_;
    positions.assign(rowWords_, ~0ull);
    const int64_t lastBit = int64_t(x1) - x0;
    positions[size_t(lastBit / 64)] = lastBit % 64 == 63 ? ~0ull : (2ull << (lastBit % 64)) - 1;
    for (size_t w = size_t(lastBit / 64) + 1; w < rowWords_; ++w) positions[w] = 0;

    const VoxelVolume& v = *volume_;
    ExtractedMesh& mesh = *outputMesh_;
    SolidSlice* here = &slices_[0];
    SolidSlice* above = &slices_[1];
    fillSlice(*here, z0, y0, y1 + 1);
    for (int32_t z = z0; z <= z1; ++z) {
        fillSlice(*above, z + 1, y0, y1 + 1);
        if (here->any || above->any) {
            const float rz = static_cast<float>(int64_t(z) - region_.lower.z);
            for (int32_t y = y0; y <= y1; ++y) {
                const uint64_t* cur = row(*here, y);
                const uint64_t* up = row(*here, y + 1);
                const uint64_t* front = row(*above, y);
                if (cur == zeroRow_.data() && up == zeroRow_.data() && front == zeroRow_.data())
                    continue;
                const float ry = static_cast<float>(int64_t(y) - region_.lower.y);
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
                    auto square = [&](Face face, float rx, uint8_t material) {
                        writeSquare(out, index, first, face, rx, ry, rz, material);
                        out += 4;
                        index += 6;
                        first += 4;
                    };
                    while (any) {
                        const int i = lowestBit(any);
                        any &= any - 1;
                        const int32_t x = int32_t(rowX0_ + int64_t(64 * w) + i);
                        const float rx = static_cast<float>(int64_t(x) - region_.lower.x);
                        const bool solid = (s >> i) & 1;
                        // Only positions with a square read their voxels.
                        const uint8_t material = solid ? v.voxel(x, y, z).material() : 0;
                        if ((dx >> i) & 1) {
                            if (solid)
                                square(Face::PosX, rx, material);
                            else
                                square(Face::NegX, rx, v.voxel(x + 1, y, z).material());
                        }
                        if ((dy >> i) & 1) {
                            if (solid)
                                square(Face::PosY, rx, material);
                            else
                                square(Face::NegY, rx, v.voxel(x, y + 1, z).material());
                        }
                        if ((dz >> i) & 1) {
                            if (solid)
                                square(Face::PosZ, rx, material);
                            else
                                square(Face::NegZ, rx, v.voxel(x, y, z + 1).material());
                        }
                    }
                }
            }
        }
        std::swap(here, above);
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

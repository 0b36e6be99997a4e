#include "extract/smooth_extractor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "extract/block_occupancy.h"
#include "extract/marching_cubes_tables.h"

namespace cubalorn {

namespace {

constexpr uint64_t kAllBits = ~0ull;

// Bit i set when p[i] is empty (density below the threshold), count <= 32.
// The threshold is at least 1.
inline uint32_t emptyBits(const Voxel* p, int32_t count, uint8_t threshold) {
    uint32_t bits = 0;
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i belowLimit = _mm_set1_epi8(static_cast<char>(threshold - 1));
    for (; i + 16 <= count; i += 16) {
        const __m128i lo =
            _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), 8);
        const __m128i hi =
            _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8)), 8);
        const __m128i density = _mm_packus_epi16(lo, hi);
        const __m128i below = _mm_cmpeq_epi8(_mm_min_epu8(density, belowLimit), density);
        bits |= uint32_t(_mm_movemask_epi8(below)) << i;
    }
#endif
    for (; i < count; ++i) bits |= uint32_t(p[i].density() < threshold) << i;
    return bits;
}

inline int lowestBit(uint64_t v) {
    return __builtin_ctzll(v);
}
inline uint32_t bitAt(uint64_t word, int i) {
    return uint32_t(word >> i) & 1u;
}

// The word of the bits one place further along x.
inline uint64_t shifted(const uint64_t* row, size_t w, size_t words) {
    return (row[w] >> 1) | ((w + 1 < words ? row[w + 1] : kAllBits) << 63);
}

// Points from dense towards empty space.
Vec3f gradientAt(const VoxelCursor& c) {
    return {float(c.peek<-1, 0, 0>().density()) - float(c.peek<1, 0, 0>().density()),
            float(c.peek<0, -1, 0>().density()) - float(c.peek<0, 1, 0>().density()),
            float(c.peek<0, 0, -1>().density()) - float(c.peek<0, 0, 1>().density())};
}

// One run of the extractor. Voxel slices are held as rows of bits, one per
// voxel, set where the voxel is empty; a cell has a crossed edge exactly when
// its eight corner bits are not all equal, which whole words of cells answer
// at once. Only those cells are looked at further.
class SliceWalk {
public:
    SliceWalk(const VoxelVolume& volume, VoxelCursor& sampler, const Region& region,
              const Vec3i& origin, uint8_t threshold, ExtractedMesh& mesh)
        : volume_(volume),
          sampler_(sampler),
          other_(volume),
          region_(region),
          origin_(origin),
          threshold_(threshold),
          mesh_(mesh),
          width_(region.upper.x - region.lower.x + 1),
          height_(region.upper.y - region.lower.y + 1),
          // Voxels lower.x .. upper.x + 1 along a row.
          words_(size_t(width_ + 1 + 63) / 64) {}

    void run();

private:
    struct VoxelSlice {
        std::vector<uint64_t> bits;   // height + 1 rows of words_ words
        std::vector<uint8_t> filled;  // rows not known to be all empty
        bool anyFilled = false;       // false: the whole slice is empty
    };
    struct CellSlice {
        std::vector<uint64_t> crossed;  // cells with a crossed edge, height rows
        std::vector<uint8_t> cubes;     // cube indices, valid where crossed
        std::vector<int32_t> xEdges, yEdges, zEdges;
        bool occupied = false;
    };

    void allocate() {
        allEmptyRow_.assign(words_, kAllBits);
        cellsInRow_.assign(words_, 0);
        trianglesInRow_.assign(words_, 0);
        for (int32_t i = 0; i < width_; ++i) cellsInRow_[size_t(i) / 64] |= 1ull << (i % 64);
        for (int32_t i = 0; i + 1 < width_; ++i)
            trianglesInRow_[size_t(i) / 64] |= 1ull << (i % 64);
        const size_t cells = size_t(width_) * size_t(height_);
        for (int k = 0; k < 2; ++k) {
            voxels_[k].bits.resize(size_t(height_ + 1) * words_);
            voxels_[k].filled.resize(size_t(height_ + 1));
            cells_[k].crossed.resize(size_t(height_) * words_);
            cells_[k].cubes.resize(cells);
            cells_[k].xEdges.assign(cells, -1);
            cells_[k].yEdges.assign(cells, -1);
            cells_[k].zEdges.assign(cells, -1);
        }
    }

    void fillVoxelSlice(VoxelSlice& slice, int32_t z);
    const uint64_t* row(const VoxelSlice& slice, int32_t j) const {
        return slice.anyFilled && slice.filled[size_t(j)] ? slice.bits.data() + size_t(j) * words_
                                                          : allEmptyRow_.data();
    }
    bool classify(const VoxelSlice& lower, const VoxelSlice& upper, CellSlice& cells);
    void generateVertices(int32_t z, const VoxelSlice& lower, const VoxelSlice& upper,
                          CellSlice& cells);
    void addVertex(int32_t x, int32_t y, int32_t z, Voxel a0, const Vec3f& g0, Voxel a1, int axis);
    void generateTriangles(const CellSlice& below, const CellSlice& above);

    const VoxelVolume& volume_;
    VoxelCursor& sampler_;
    VoxelCursor other_;
    const Region region_;
    const Vec3i origin_;
    const uint8_t threshold_;
    ExtractedMesh& mesh_;
    const int32_t width_, height_;
    const size_t words_;
    BlockOccupancy occupancy_;
    std::vector<uint64_t> allEmptyRow_;
    std::vector<uint64_t> cellsInRow_;      // bits of the cells lower.x .. upper.x
    std::vector<uint64_t> trianglesInRow_;  // bits of the cells lower.x .. upper.x - 1
    VoxelSlice voxels_[2];
    CellSlice cells_[2];
};

void SliceWalk::run() {
    const int32_t lz = region_.lower.z, uz = region_.upper.z;
    auto past = [](int32_t v) { return v == INT32_MAX ? v : v + 1; };
    occupancy_.update(volume_, Region{region_.lower, {past(region_.upper.x), past(region_.upper.y),
                                                      past(region_.upper.z)}});
    // Without a stored voxel in the slices the cells read, there is nothing
    // to find: spare the working storage too.
    bool anyLayer = false;
    for (int64_t z = lz; z <= int64_t(uz) + 1 && !anyLayer; ++z)
        anyLayer = occupancy_.layer(int32_t(z));
    if (!anyLayer) return;
    allocate();
    VoxelSlice* lower = &voxels_[0];
    VoxelSlice* upper = &voxels_[1];
    CellSlice* current = &cells_[0];
    CellSlice* previous = &cells_[1];
    fillVoxelSlice(*lower, lz);
    for (int32_t z = lz;; ++z) {
        // Cells of slice z read voxel slices z and z + 1.
        fillVoxelSlice(*upper, z + 1);
        current->occupied = classify(*lower, *upper, *current);
        if (current->occupied) generateVertices(z, *lower, *upper, *current);
        // A slice without occupied cells has no crossed edge: no triangles.
        if (z > lz && previous->occupied) generateTriangles(*previous, *current);
        std::swap(lower, upper);
        std::swap(previous, current);
        if (z == uz) break;
    }
}

// Rows of empty block rows, and rows outside the volume, are only marked as
// not filled: they read as the all-empty row.
void SliceWalk::fillVoxelSlice(VoxelSlice& slice, int32_t z) {
    slice.anyFilled = occupancy_.layer(z);
    if (!slice.anyFilled) return;
    const Region& vr = volume_.region();
    const int64_t first = region_.lower.x;
    const int64_t inFirst = std::max<int64_t>(first, vr.lower.x);
    const int64_t inLast = std::min<int64_t>(first + int64_t(words_) * 64 - 1, vr.upper.x);
    const uint8_t p = volume_.blockSideLengthPower();
    const int32_t side = volume_.blockSideLength();
    const int32_t mask = side - 1;
    for (int32_t j = 0; j <= height_; ++j) {
        const int32_t y = int32_t(int64_t(region_.lower.y) + j);
        slice.filled[size_t(j)] = 0;
        if (!occupancy_.row(y, z) || inFirst > inLast) continue;
        uint64_t* bits = slice.bits.data() + size_t(j) * words_;
        std::fill(bits, bits + words_, kAllBits);
        const size_t rowOffset = size_t((y & mask) + side * (z & mask)) * side;
        uint64_t solid = 0;
        for (int64_t x = inFirst; x <= inLast;) {
            const int32_t bx = int32_t(x) >> p;
            const int64_t segmentEnd = std::min<int64_t>(inLast, x | mask);
            const VoxelBlock& block = volume_.block(bx, y >> p, z >> p);
            if (block.nonZeroCount() == 0) {
                x = segmentEnd + 1;
                continue;
            }
            const Voxel* voxels = block.voxels() + rowOffset;
            for (; x <= segmentEnd; x += 32) {
                const int32_t count = int32_t(std::min<int64_t>(32, segmentEnd - x + 1));
                const uint64_t chunk = (count == 32 ? 0xFFFFFFFFull : (1ull << count) - 1);
                const uint64_t empty = emptyBits(voxels + (int32_t(x) & mask), count, threshold_);
                if (empty == chunk) continue;
                const size_t at = size_t(x - first);
                const uint64_t full = ~empty & chunk;  // the solid voxels
                bits[at / 64] &= ~(full << (at % 64));
                if (at % 64 + size_t(count) > 64) bits[at / 64 + 1] &= ~(full >> (64 - at % 64));
                solid |= full;
            }
            x = segmentEnd + 1;
        }
        slice.filled[size_t(j)] = solid != 0;
    }
}

// Marks the cells of one slice whose corners are not all alike and records
// their cube indices; returns whether there is any.
bool SliceWalk::classify(const VoxelSlice& lower, const VoxelSlice& upper, CellSlice& cells) {
    if (!lower.anyFilled && !upper.anyFilled) return false;  // every cell 0xFF
    bool occupied = false;
    for (int32_t j = 0; j < height_; ++j) {
        const uint64_t* a = row(lower, j);
        const uint64_t* b = row(lower, j + 1);
        const uint64_t* c = row(upper, j);
        const uint64_t* d = row(upper, j + 1);
        uint64_t* crossed = cells.crossed.data() + size_t(j) * words_;
        const uint64_t* none = allEmptyRow_.data();
        if (a == none && b == none && c == none && d == none) {
            std::fill(crossed, crossed + words_, 0);
            continue;
        }
        uint8_t* cubes = cells.cubes.data() + size_t(j) * width_;
        for (size_t w = 0; w < words_; ++w) {
            const uint64_t a0 = a[w], a1 = shifted(a, w, words_);
            const uint64_t b0 = b[w], b1 = shifted(b, w, words_);
            const uint64_t c0 = c[w], c1 = shifted(c, w, words_);
            const uint64_t d0 = d[w], d1 = shifted(d, w, words_);
            const uint64_t anyEmpty = a0 | a1 | b0 | b1 | c0 | c1 | d0 | d1;
            const uint64_t allEmpty = a0 & a1 & b0 & b1 & c0 & c1 & d0 & d1;
            uint64_t mixed = anyEmpty & ~allEmpty & cellsInRow_[w];
            crossed[w] = mixed;
            occupied = occupied || mixed != 0;
            while (mixed) {
                const int i = lowestBit(mixed);
                mixed &= mixed - 1;
                cubes[64 * w + size_t(i)] = uint8_t(
                    bitAt(a0, i) | bitAt(a1, i) << 1 | bitAt(b0, i) << 2 | bitAt(b1, i) << 3 |
                    bitAt(c0, i) << 4 | bitAt(c1, i) << 5 | bitAt(d0, i) << 6 | bitAt(d1, i) << 7);
            }
        }
    }
    return occupied;
}

// The crossings on edges 0 (towards x + 1), 3 (towards y + 1) and 8 (towards
// z + 1) of every cell, in y rows and x order; the other edges of a cell are
// these edges of its neighbours.
void SliceWalk::generateVertices(int32_t z, const VoxelSlice& lower, const VoxelSlice& upper,
                                 CellSlice& cells) {
    for (int32_t j = 0; j < height_; ++j) {
        const uint64_t* a = row(lower, j);
        const uint64_t* b = row(lower, j + 1);
        const uint64_t* c = row(upper, j);
        const uint64_t* none = allEmptyRow_.data();
        if (a == none && b == none && c == none) continue;
        const int32_t y = int32_t(int64_t(region_.lower.y) + j);
        for (size_t w = 0; w < words_; ++w) {
            const uint64_t alongX = (a[w] ^ shifted(a, w, words_)) & cellsInRow_[w];
            const uint64_t alongY = (a[w] ^ b[w]) & cellsInRow_[w];
            const uint64_t alongZ = (a[w] ^ c[w]) & cellsInRow_[w];
            uint64_t any = alongX | alongY | alongZ;
            while (any) {
                const int i = lowestBit(any);
                any &= any - 1;
                const int32_t offset = int32_t(64 * w) + i;
                const int32_t x = int32_t(int64_t(region_.lower.x) + offset);
                const size_t at = size_t(j) * width_ + size_t(offset);
                sampler_.setPosition(x, y, z);
                const Voxel a0 = sampler_.value();
                const Vec3f g0 = gradientAt(sampler_);
                if (bitAt(alongX, i)) {
                    cells.xEdges[at] = int32_t(mesh_.vertices.size());
                    addVertex(x, y, z, a0, g0, sampler_.peek<1, 0, 0>(), 0);
                }
                if (bitAt(alongY, i)) {
                    cells.yEdges[at] = int32_t(mesh_.vertices.size());
                    addVertex(x, y, z, a0, g0, sampler_.peek<0, 1, 0>(), 1);
                }
                if (bitAt(alongZ, i)) {
                    cells.zEdges[at] = int32_t(mesh_.vertices.size());
                    addVertex(x, y, z, a0, g0, sampler_.peek<0, 0, 1>(), 2);
                }
            }
        }
    }
}

void SliceWalk::addVertex(int32_t x, int32_t y, int32_t z, Voxel a0, const Vec3f& g0, Voxel a1,
                          int axis) {
    other_.setPosition(x + (axis == 0), y + (axis == 1), z + (axis == 2));
    const Vec3f g1 = gradientAt(other_);
    const float f =
        float(int(threshold_) - int(a0.density())) / float(int(a1.density()) - int(a0.density()));
    MeshVertex v;
    v.pos = {float(int64_t(x) - origin_.x), float(int64_t(y) - origin_.y),
             float(int64_t(z) - origin_.z)};
    (axis == 0 ? v.pos.x : axis == 1 ? v.pos.y : v.pos.z) += f;
    Vec3f n{g1.x * f + g0.x * (1.0f - f), g1.y * f + g0.y * (1.0f - f),
            g1.z * f + g0.z * (1.0f - f)};
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length >= 0.0001f) n = {n.x / length, n.y / length, n.z / length};
    v.normal = n;
    v.material = float(std::max(a0.material(), a1.material()));
    mesh_.addVertex(v);
}

// Triangles of the cells of `below`; the vertices on their upper faces
// (edges 4 to 7) are in `above`. Every crossed edge of a cell was also
// crossed, and given its vertex, in the neighbouring cell that owns it, since
// both read the same two voxels: no index is ever missing.
void SliceWalk::generateTriangles(const CellSlice& below, const CellSlice& above) {
    const int32_t w = width_;
    const int32_t* px = below.xEdges.data();
    const int32_t* py = below.yEdges.data();
    const int32_t* pz = below.zEdges.data();
    const int32_t* ax = above.xEdges.data();
    const int32_t* ay = above.yEdges.data();
    // Where each edge's vertex lives, relative to the cell's own entry.
    const int32_t* const edgeVertex[kCubeEdgeCount] = {
        px, py + 1, px + w, py, ax, ay + 1, ax + w, ay, pz, pz + 1, pz + w + 1, pz + w,
    };
    for (int32_t j = 0; j + 1 < height_; ++j) {
        const uint64_t* crossed = below.crossed.data() + size_t(j) * words_;
        for (size_t word = 0; word < words_; ++word) {
            uint64_t cellsHere = crossed[word] & trianglesInRow_[word];
            while (cellsHere) {
                const int i = lowestBit(cellsHere);
                cellsHere &= cellsHere - 1;
                const size_t at = size_t(j) * w + 64 * word + size_t(i);
                const int8_t* t = kTriangleTable[below.cubes[at]].data();
                for (; *t >= 0; t += 3)
                    mesh_.addTriangle(uint32_t(edgeVertex[t[0]][at]),
                                      uint32_t(edgeVertex[t[1]][at]),
                                      uint32_t(edgeVertex[t[2]][at]));
            }
        }
    }
}

}  // namespace

SmoothExtractor::SmoothExtractor(const VoxelVolume& volume, const Region& region,
                                 ExtractedMesh& outputMesh, uint8_t threshold)
    : volume_(&volume),
      sampler_(volume),
      region_(region),
      origin_(region.lower),
      outputMesh_(&outputMesh),
      threshold_(threshold) {}

Region SmoothExtractor::cellRegion() const {
    Region cells = region_;
    cells.upper.x -= 1;
    cells.upper.y -= 1;
    cells.upper.z -= 1;
    return cells;
}

void SmoothExtractor::execute() {
    ExtractedMesh& mesh = *outputMesh_;
    mesh.clear();
    // With threshold 0 no density lies below it: every corner is solid and
    // no edge is crossed.
    const bool hasCells = region_.lower.x <= region_.upper.x &&
                          region_.lower.y <= region_.upper.y && region_.lower.z <= region_.upper.z;
    if (hasCells && threshold_ > 0) {
        SliceWalk walk(*volume_, sampler_, region_, origin_, threshold_, mesh);
        walk.run();
    }
    mesh.region = region_;
    mesh.indexRanges.push_back({0, static_cast<int32_t>(mesh.indices.size())});
}

}  // namespace cubalorn

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

constexpr uint64_t kBytes(uint8_t b) { return 0x0101010101010101ull * b; }

inline uint64_t load8(const uint8_t* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}
inline void store8(uint8_t* p, uint64_t w) { std::memcpy(p, &w, sizeof w); }

// True when some byte of the word is neither 0x00 nor 0xFF, that is some
// cell among eight has corners on both sides of the surface.
inline bool anyMixedByte(uint64_t w) { return ((w ^ (w >> 1)) & kBytes(0x7F)) != 0; }
inline bool mixed(uint8_t cube) { return cube != 0 && cube != 0xFF; }

// out[i] = 1 when src[i] is empty (density below the threshold), else 0.
// The threshold is at least 1.
void markEmpty(const Voxel* src, uint8_t* out, int32_t count, uint8_t threshold) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i belowLimit = _mm_set1_epi8(static_cast<char>(threshold - 1));
    const __m128i one = _mm_set1_epi8(1);
    for (; i + 16 <= count; i += 16) {
        const __m128i lo = _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), 8);
        const __m128i hi =
            _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 8)), 8);
        const __m128i density = _mm_packus_epi16(lo, hi);
        const __m128i below = _mm_cmpeq_epi8(_mm_min_epu8(density, belowLimit), density);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_and_si128(below, one));
    }
#endif
    for (; i < count; ++i) out[i] = src[i].density() < threshold ? 1 : 0;
}

// Points from dense towards empty space.
Vec3f gradientAt(const VoxelCursor& c) {
    return {float(c.peek<-1, 0, 0>().density()) - float(c.peek<1, 0, 0>().density()),
            float(c.peek<0, -1, 0>().density()) - float(c.peek<0, 1, 0>().density()),
            float(c.peek<0, 0, -1>().density()) - float(c.peek<0, 0, 1>().density())};
}

// One run of the extractor: the slice planes and the walk over z.
class SliceWalk {
public:
    SliceWalk(const VoxelVolume& volume, VoxelCursor& sampler, const Region& region,
              uint8_t threshold, ExtractedMesh& mesh)
        : volume_(volume),
          sampler_(sampler),
          other_(volume),
          region_(region),
          threshold_(threshold),
          mesh_(mesh),
          width_(region.upper.x - region.lower.x + 1),
          height_(region.upper.y - region.lower.y + 1),
          cells_(size_t(width_) * size_t(height_)) {
        occupancy_.update(volume);
        emptyFlags_.resize(size_t(width_ + 1) * size_t(height_ + 1));
        for (int k = 0; k < 2; ++k) {
            faceCodes_[k].resize(cells_);
            cubes_[k].resize(cells_);
            xEdges_[k].assign(cells_, -1);
            yEdges_[k].assign(cells_, -1);
            zEdges_[k].assign(cells_, -1);
        }
    }

    void run();

private:
    bool fillEmptyFlags(int32_t z);
    void fillEmptyRow(int32_t y, int32_t z, uint8_t* out);
    void computeFaceCodes(uint8_t* out) const;
    bool classify(const uint8_t* lower, bool lowerEmpty, const uint8_t* upper, bool upperEmpty,
                  uint8_t* cubes) const;
    void generateVertices(int32_t z, const uint8_t* cubes, int32_t* xEdges, int32_t* yEdges,
                          int32_t* zEdges);
    void addVertex(int32_t x, int32_t y, int32_t z, Voxel a0, const Vec3f& g0, Voxel a1, int axis);
    void generateTriangles(const uint8_t* cubes, int below, int above);

    const VoxelVolume& volume_;
    VoxelCursor& sampler_;
    VoxelCursor other_;
    const Region region_;
    const uint8_t threshold_;
    ExtractedMesh& mesh_;
    const int32_t width_, height_;
    const size_t cells_;
    BlockOccupancy occupancy_;

    // Empty flags of one voxel slice, one more column and row than the
    // region so that the cells on its upper faces see their outer corners.
    std::vector<uint8_t> emptyFlags_;
    // Per voxel slice: the four in-slice corner bits of each cell (bits 0-3).
    std::vector<uint8_t> faceCodes_[2];
    bool faceCodesEmpty_[2] = {false, false};
    std::vector<uint8_t> cubes_[2];
    std::vector<int32_t> xEdges_[2], yEdges_[2], zEdges_[2];
};

void SliceWalk::run() {
    const int32_t lz = region_.lower.z, uz = region_.upper.z;
    int lower = 0;  // which of the two buffers holds the slice being walked
    faceCodesEmpty_[lower] = fillEmptyFlags(lz);
    if (!faceCodesEmpty_[lower]) computeFaceCodes(faceCodes_[lower].data());
    bool previousOccupied = false;
    for (int32_t z = lz;; ++z) {
        const int upper = 1 - lower;
        // Cells of slice z read voxel slices z and z + 1.
        faceCodesEmpty_[upper] = fillEmptyFlags(z + 1);
        if (!faceCodesEmpty_[upper]) computeFaceCodes(faceCodes_[upper].data());
        uint8_t* cubes = cubes_[lower].data();
        const bool occupied = classify(faceCodes_[lower].data(), faceCodesEmpty_[lower],
                                       faceCodes_[upper].data(), faceCodesEmpty_[upper], cubes);
        if (occupied)
            generateVertices(z, cubes, xEdges_[lower].data(), yEdges_[lower].data(),
                             zEdges_[lower].data());
        // A slice without occupied cells has no crossed edge: no triangles.
        if (z > lz && previousOccupied) generateTriangles(cubes_[upper].data(), upper, lower);
        previousOccupied = occupied;
        lower = upper;
        if (z == uz) break;
    }
}

// Returns true, leaving the flags untouched, when the whole slice is known
// to be empty; otherwise fills emptyFlags_.
bool SliceWalk::fillEmptyFlags(int32_t z) {
    if (!occupancy_.layer(z)) return true;
    const int32_t rowLength = width_ + 1;
    for (int32_t j = 0; j <= height_; ++j)
        fillEmptyRow(region_.lower.y + j, z, emptyFlags_.data() + size_t(j) * rowLength);
    return false;
}

void SliceWalk::fillEmptyRow(int32_t y, int32_t z, uint8_t* out) {
    const int64_t count = int64_t(width_) + 1;
    if (!occupancy_.row(y, z)) {
        std::memset(out, 1, size_t(count));
        return;
    }
    const Region& vr = volume_.region();
    const int64_t first = region_.lower.x, last = int64_t(region_.upper.x) + 1;
    const int64_t inFirst = std::max<int64_t>(first, vr.lower.x);
    const int64_t inLast = std::min<int64_t>(last, vr.upper.x);
    if (inFirst > inLast) {
        std::memset(out, 1, size_t(count));
        return;
    }
    std::memset(out, 1, size_t(inFirst - first));
    std::memset(out + (inLast + 1 - first), 1, size_t(last - inLast));

    const uint8_t p = volume_.blockSideLengthPower();
    const int32_t side = volume_.blockSideLength();
    const int32_t mask = side - 1;
    const size_t rowOffset = size_t((y & mask) + side * (z & mask)) * side;
    for (int64_t x = inFirst; x <= inLast;) {
        const int32_t bx = int32_t(x) >> p;
        const int64_t segmentEnd = std::min<int64_t>(inLast, (int64_t(bx) << p) + mask);
        const int32_t n = int32_t(segmentEnd - x + 1);
        uint8_t* dst = out + (x - first);
        const VoxelBlock& block = volume_.block(bx, y >> p, z >> p);
        if (block.nonZeroCount() == 0)
            std::memset(dst, 1, size_t(n));
        else
            markEmpty(block.voxels() + rowOffset + (int32_t(x) & mask), dst, n, threshold_);
        x = segmentEnd + 1;
    }
}

// Bit 0: the cell's corner (0,0); bit 1: (1,0); bit 2: (0,1); bit 3: (1,1).
void SliceWalk::computeFaceCodes(uint8_t* out) const {
    const int32_t rowLength = width_ + 1;
    for (int32_t j = 0; j < height_; ++j) {
        const uint8_t* a = emptyFlags_.data() + size_t(j) * rowLength;
        const uint8_t* b = a + rowLength;
        uint8_t* f = out + size_t(j) * width_;
        int32_t i = 0;
        // Flags are 0 or 1, so the shifted words never carry between bytes.
        for (; i + 8 <= width_; i += 8)
            store8(f + i, load8(a + i) | load8(a + i + 1) << 1 | load8(b + i) << 2 |
                              load8(b + i + 1) << 3);
        for (; i < width_; ++i)
            f[i] = uint8_t(a[i] | a[i + 1] << 1 | b[i] << 2 | b[i + 1] << 3);
    }
}

// Cube indices of one cell slice from the face codes of its two voxel
// slices; returns whether any cell has a crossed edge.
bool SliceWalk::classify(const uint8_t* lower, bool lowerEmpty, const uint8_t* upper,
                         bool upperEmpty, uint8_t* cubes) const {
    if (lowerEmpty && upperEmpty) return false;  // every cell 0xFF
    const uint64_t allEmpty = kBytes(0x0F);
    bool occupied = false;
    size_t i = 0;
    for (; i + 8 <= cells_; i += 8) {
        const uint64_t lo = lowerEmpty ? allEmpty : load8(lower + i);
        const uint64_t hi = upperEmpty ? allEmpty : load8(upper + i);
        const uint64_t w = lo | hi << 4;
        store8(cubes + i, w);
        occupied = occupied || anyMixedByte(w);
    }
    for (; i < cells_; ++i) {
        const uint8_t lo = lowerEmpty ? 0x0F : lower[i];
        const uint8_t hi = upperEmpty ? 0x0F : upper[i];
        cubes[i] = uint8_t(lo | hi << 4);
        occupied = occupied || mixed(cubes[i]);
    }
    return occupied;
}

void SliceWalk::generateVertices(int32_t z, const uint8_t* cubes, int32_t* xEdges,
                                 int32_t* yEdges, int32_t* zEdges) {
    for (int32_t j = 0; j < height_; ++j) {
        const uint8_t* row = cubes + size_t(j) * width_;
        const int32_t y = region_.lower.y + j;
        for (int32_t i = 0; i < width_; ++i) {
            if (i + 8 <= width_ && !anyMixedByte(load8(row + i))) {
                i += 7;
                continue;
            }
            const uint8_t cube = row[i];
            if (!mixed(cube)) continue;
            const uint16_t edges = kEdgeTable[cube];
            const int32_t x = region_.lower.x + i;
            const size_t at = size_t(j) * width_ + i;
            sampler_.setPosition(x, y, z);
            const Voxel a0 = sampler_.value();
            const Vec3f g0 = gradientAt(sampler_);
            if (edges & (1u << 0)) {
                xEdges[at] = int32_t(mesh_.vertices.size());
                addVertex(x, y, z, a0, g0, sampler_.peek<1, 0, 0>(), 0);
            }
            if (edges & (1u << 3)) {
                yEdges[at] = int32_t(mesh_.vertices.size());
                addVertex(x, y, z, a0, g0, sampler_.peek<0, 1, 0>(), 1);
            }
            if (edges & (1u << 8)) {
                zEdges[at] = int32_t(mesh_.vertices.size());
                addVertex(x, y, z, a0, g0, sampler_.peek<0, 0, 1>(), 2);
            }
        }
    }
}

void SliceWalk::addVertex(int32_t x, int32_t y, int32_t z, Voxel a0, const Vec3f& g0, Voxel a1,
                          int axis) {
    other_.setPosition(x + (axis == 0), y + (axis == 1), z + (axis == 2));
    const Vec3f g1 = gradientAt(other_);
    const float f = float(int(threshold_) - int(a0.density())) /
                    float(int(a1.density()) - int(a0.density()));
    MeshVertex v;
    v.pos = {float(int64_t(x) - region_.lower.x), float(int64_t(y) - region_.lower.y),
             float(int64_t(z) - region_.lower.z)};
    (axis == 0 ? v.pos.x : axis == 1 ? v.pos.y : v.pos.z) += f;
    Vec3f n{g1.x * f + g0.x * (1.0f - f), g1.y * f + g0.y * (1.0f - f),
            g1.z * f + g0.z * (1.0f - f)};
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length >= 0.0001f) n = {n.x / length, n.y / length, n.z / length};
    v.normal = n;
    v.material = float(std::max(a0.material(), a1.material()));
    mesh_.addVertex(v);
}

// Triangles of the cell slice held in buffer `below`; the vertices on its
// upper face (edges 4 to 7) are in buffer `above`. Every crossed edge of a
// cell was also crossed, and given its vertex, in the neighbouring cell that
// owns it, since both read the same two voxels: no index is ever missing.
void SliceWalk::generateTriangles(const uint8_t* cubes, int below, int above) {
    const int32_t w = width_;
    const int32_t* px = xEdges_[below].data();
    const int32_t* py = yEdges_[below].data();
    const int32_t* pz = zEdges_[below].data();
    const int32_t* ax = xEdges_[above].data();
    const int32_t* ay = yEdges_[above].data();
    // Where each edge's vertex lives, relative to the cell's own entry.
    const int32_t* const edgeVertex[kCubeEdgeCount] = {
        px, py + 1, px + w, py, ax, ay + 1, ax + w, ay, pz, pz + 1, pz + w + 1, pz + w,
    };
    for (int32_t j = 0; j + 1 < height_; ++j) {
        const uint8_t* row = cubes + size_t(j) * w;
        for (int32_t i = 0; i + 1 < w; ++i) {
            if (i + 9 <= w && !anyMixedByte(load8(row + i))) {
                i += 7;
                continue;
            }
            const uint8_t cube = row[i];
            if (!mixed(cube)) continue;
            const size_t at = size_t(j) * w + i;
            const int8_t* t = kTriangleTable[cube].data();
            for (; *t >= 0; t += 3)
                mesh_.addTriangle(uint32_t(edgeVertex[t[0]][at]), uint32_t(edgeVertex[t[1]][at]),
                                  uint32_t(edgeVertex[t[2]][at]));
        }
    }
}

}  // namespace

SmoothExtractor::SmoothExtractor(const VoxelVolume& volume, const Region& region,
                                 ExtractedMesh& outputMesh, uint8_t threshold)
    : volume_(&volume),
      sampler_(volume),
      region_(region),
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
    const bool hasCells = region_.lower.x <= region_.upper.x && region_.lower.y <= region_.upper.y &&
                          region_.lower.z <= region_.upper.z;
    if (hasCells && threshold_ > 0) {
        SliceWalk walk(*volume_, sampler_, region_, threshold_, mesh);
        walk.run();
    }
    mesh.region = region_;
    mesh.indexRanges.push_back({0, static_cast<int32_t>(mesh.indices.size())});
}

}  // namespace cubalorn

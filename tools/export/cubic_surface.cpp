#include "cubic_surface.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "contact_split.h"
#include "extract/solid_bits.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cubalorn::exporter {

namespace {

enum Axis : uint8_t { PosX, NegX, PosY, NegY, PosZ, NegZ };

// Only the box of the blocks that hold anything is scanned. Its voxels are
// numbered from its lower corner (a, b, c), so that -1 and the size are
// the empty cells just outside. Corner (i, j, k) of the lattice sits at
// (i - 0.5, j - 0.5, k - 0.5), between voxels i - 1 and i. Position
// (a, b, c), for a = -1 .. width - 1 and so on, owns the faces between
// voxel (a, b, c) and its neighbours at a + 1, b + 1 and c + 1.
class Builder {
public:
    explicit Builder(const VoxelVolume& volume) : v_(volume) {
        findOccupiedBox();
        boxOffset_ = {lower_.x - volume.region().lower.x, lower_.y - volume.region().lower.y,
                      lower_.z - volume.region().lower.z};
        rowWords_ = (size_t(width_) + 2 + 63) / 64;
        planeSide_ = size_t(width_) + 1;
        zeroRow_.assign(rowWords_, 0);
        positionMask_.assign(rowWords_, 0);
        for (int64_t bit = 0; bit <= width_; ++bit)
            positionMask_[size_t(bit / 64)] |= 1ull << (bit % 64);
        for (Layer& layer : layers_) {
            layer.bits.resize((size_t(height_) + 2) * rowWords_);
            layer.rowFilled.assign(size_t(height_) + 2, 0);
        }
    }

    // The squares, in the cubic extractor's order, and the vertices that
    // the contact split must look at.
    void run(SolidMesh& out, std::vector<uint8_t>& faceAxes, ContactCandidates& candidates) {
        // A first pass reads the voxels for each square's material, while
        // they are still in the cache, and counts the squares, so that the
        // lists are sized once; the second makes the squares.
        squareMaterials_.clear();
        for (int32_t c = 0; c <= depth_; ++c) {
            hold(c);
            hold(c - 1);
            forEachRow(c - 1, [&](int32_t b, const uint64_t* cur, const uint64_t* up,
                                  const uint64_t* front) { gatherRow(b, c - 1, cur, up, front); });
        }
        const size_t squares = squareMaterials_.size();

        out.triangles.resize(6 * squares);
        out.materials.resize(2 * squares);
        faceAxes.resize(2 * squares);
        // A closed cubic surface has about as many corners as squares.
        out.positions.reserve(squares + squares / 16 + 16);
        triangle_ = out.triangles.data();
        triangles_ = out.triangles.data();
        material_ = out.materials.data();
        faceAxis_ = faceAxes.data();
        positions_ = &out.positions;
        candidates_ = &candidates;
        for (auto& plane : candidateBits_) plane.assign((size_t(height_) + 1) * rowWords_, 0);
        nextMaterial_ = squareMaterials_.data();
        for (auto& plane : planes_) plane.assign(planeSide_ * (size_t(height_) + 1), kNoVertex);
        layerStart_.assign(size_t(depth_) + 2, 0);
        for (int32_t c = -1; c < depth_; ++c) {
            layerStart_[size_t(c + 1)] = triangleCount();
            hold(c);
            hold(c + 1);
            findCandidateCorners(c + 1);
            forEachRow(
                c, [&](int32_t b, const uint64_t* cur, const uint64_t* up, const uint64_t* front) {
                    holdPlane(c);
                    holdPlane(c + 1);
                    emitRow(b, c, cur, up, front);
                });
            // Lattice plane c has all its squares now.
            if (c >= 0) addCandidates(c);
        }
        addCandidates(depth_);
        std::sort(candidates.vertices.begin(), candidates.vertices.end());
    }

private:
    static constexpr uint32_t kNoVertex = ~0u;

    struct Faces {
        uint64_t solid, dx, dy, dz;
    };

    // Solid bits of one voxel layer: row b + 1 for b = -1 .. height, bit
    // a + 1 for a = -1 .. width; the rows and bits outside the box stay 0.
    struct Layer {
        int32_t c = INT32_MIN;  // the layer held
        bool any = false;
        std::vector<uint64_t> bits;
        std::vector<uint8_t> rowFilled;
    };

    // The box of the blocks that hold a voxel other than 0, within the volume.
    void findOccupiedBox() {
        const Region& r = v_.region();
        const Region& blocks = v_.regionInBlocks();
        const uint8_t power = v_.blockSideLengthPower();
        Vec3i lo{INT32_MAX, INT32_MAX, INT32_MAX}, hi{INT32_MIN, INT32_MIN, INT32_MIN};
        for (int32_t bz = blocks.lower.z; bz <= blocks.upper.z; ++bz)
            for (int32_t by = blocks.lower.y; by <= blocks.upper.y; ++by)
                for (int32_t bx = blocks.lower.x; bx <= blocks.upper.x; ++bx) {
                    if (v_.block(bx, by, bz).nonZeroCount() == 0) continue;
                    lo = {std::min(lo.x, bx), std::min(lo.y, by), std::min(lo.z, bz)};
                    hi = {std::max(hi.x, bx), std::max(hi.y, by), std::max(hi.z, bz)};
                }
        if (lo.x > hi.x) {  // nothing at all
            lower_ = r.lower;
            width_ = height_ = depth_ = 0;
            return;
        }
        const int64_t side = int64_t(1) << power;
        auto clip = [side](int32_t lowBlock, int32_t highBlock, int32_t low, int32_t high,
                           int32_t& start, int32_t& size) {
            start = int32_t(std::max<int64_t>(low, lowBlock * side));
            size = int32_t(std::min<int64_t>(high, highBlock * side + side - 1) - start + 1);
        };
        clip(lo.x, hi.x, r.lower.x, r.upper.x, lower_.x, width_);
        clip(lo.y, hi.y, r.lower.y, r.upper.y, lower_.y, height_);
        clip(lo.z, hi.z, r.lower.z, r.upper.z, lower_.z, depth_);
    }

    // Layer c's bits in one of two buffers (c and c + 1, or c - 1 and c, are
    // held together), read from the volume when it is not there already.
    void hold(int32_t c) {
        Layer& layer = layers_[size_t(c) & 1];
        if (layer.c == c) return;
        layer.c = c;
        layer.any = false;
        std::fill(layer.rowFilled.begin(), layer.rowFilled.end(), 0);
        if (c < 0 || c >= depth_) return;
        const uint8_t power = v_.blockSideLengthPower();
        const int32_t mask = v_.blockSideLength() - 1;
        const int32_t z = lower_.z + c;
        const int64_t xLast = int64_t(lower_.x) + width_ - 1;
        for (int32_t b = 0; b < height_; ++b) {
            const int32_t y = lower_.y + b;
            uint64_t* bits = layer.bits.data() + size_t(b + 1) * rowWords_;
            std::memset(bits, 0, rowWords_ * sizeof(uint64_t));
            const size_t rowOffset =
                size_t((y & mask) + (mask + 1) * (z & mask)) * size_t(mask + 1);
            uint64_t found = 0;
            for (int64_t x = lower_.x; x <= xLast;) {
                const int64_t segmentEnd = std::min<int64_t>(xLast, x | mask);
                const VoxelBlock& block = v_.block(int32_t(x) >> power, y >> power, z >> power);
                if (block.nonZeroCount() != 0) {
                    const Voxel* voxels = block.voxels() + rowOffset;
                    for (int64_t at = x; at <= segmentEnd; at += 32) {
                        const int32_t count = int32_t(std::min<int64_t>(32, segmentEnd - at + 1));
                        const uint64_t solid = solidBits(voxels + (int32_t(at) & mask), count);
                        if (solid == 0) continue;
                        const size_t bit = size_t(at - lower_.x + 1);
                        bits[bit / 64] |= solid << (bit % 64);
                        if (bit % 64 + size_t(count) > 64)
                            bits[bit / 64 + 1] |= solid >> (64 - bit % 64);
                        found |= solid;
                    }
                }
                x = segmentEnd + 1;
            }
            layer.rowFilled[size_t(b + 1)] = found != 0;
            layer.any |= found != 0;
        }
    }

    const uint64_t* row(int32_t b, int32_t c) const {
        const Layer& layer = layers_[size_t(c) & 1];
        return layer.any && layer.rowFilled[size_t(b + 1)]
                   ? layer.bits.data() + size_t(b + 1) * rowWords_
                   : zeroRow_.data();
    }
    bool layerFilled(int32_t c) const { return layers_[size_t(c) & 1].any; }

    // Calls f(b, row, row above, row in front) for the rows of positions of
    // layer c that may own a face, in y order.
    template <typename F>
    void forEachRow(int32_t c, F&& f) const {
        if (!layerFilled(c) && !layerFilled(c + 1)) return;
        for (int32_t b = -1; b < height_; ++b) {
            const uint64_t* cur = row(b, c);
            const uint64_t* up = row(b + 1, c);
            const uint64_t* front = row(b, c + 1);
            if (cur == zeroRow_.data() && up == zeroRow_.data() && front == zeroRow_.data())
                continue;
            f(b, cur, up, front);
        }
    }

    Faces faces(const uint64_t* cur, const uint64_t* up, const uint64_t* front, size_t w) const {
        const uint64_t s = cur[w];
        const uint64_t nextX = (s >> 1) | (w + 1 < rowWords_ ? cur[w + 1] << 63 : 0);
        return {s, (s ^ nextX) & positionMask_[w], (s ^ up[w]) & positionMask_[w],
                (s ^ front[w]) & positionMask_[w]};
    }

    uint8_t material(int32_t a, int32_t b, int32_t c) const {
        return v_.voxel(lower_.x + a, lower_.y + b, lower_.z + c).material();
    }

    uint32_t triangleCount() const { return uint32_t((triangle_ - triangles_) / 3); }

    // Corners of lattice plane k (cells of layers k - 1 and k, which are
    // held) whose squares face both ways along some axis: the only ones
    // where voxels can touch by an edge or a corner alone. Corner i of a row
    // is bit i, between the cells at bits i and i + 1 of the rows around it.
    void findCandidateCorners(int32_t k) {
        std::vector<uint64_t>& found = candidateBits_[size_t(k) & 1];
        std::fill(found.begin(), found.end(), 0);
        if (!layerFilled(k - 1) && !layerFilled(k)) return;
        auto pair = [this](const uint64_t* a, size_t w) {  // cells i and i + 1 at bit i
            return std::make_pair(a[w], (a[w] >> 1) | (w + 1 < rowWords_ ? a[w + 1] << 63 : 0));
        };
        for (int32_t j = 0; j <= height_; ++j) {
            // Rows (y, z): below and above the corner row, behind and in front.
            const uint64_t* rows[4] = {row(j - 1, k - 1), row(j, k - 1), row(j - 1, k), row(j, k)};
            if (rows[0] == zeroRow_.data() && rows[1] == zeroRow_.data() &&
                rows[2] == zeroRow_.data() && rows[3] == zeroRow_.data())
                continue;
            for (size_t w = 0; w < rowWords_; ++w) {
                // Four equal rows (inside solid or air) give no corner faces both ways.
                auto same = [&](size_t at) {
                    return rows[0][at] == rows[1][at] && rows[1][at] == rows[2][at] &&
                           rows[2][at] == rows[3][at];
                };
                if (same(w) && (w + 1 == rowWords_ || same(w + 1))) {
                    found[size_t(j) * rowWords_ + w] = 0;
                    continue;
                }
                uint64_t plusX = 0, minusX = 0, plusY = 0, minusY = 0, plusZ = 0, minusZ = 0;
                std::pair<uint64_t, uint64_t> cell[4];
                for (int r = 0; r < 4; ++r) {
                    cell[r] = pair(rows[r], w);
                    plusX |= cell[r].first & ~cell[r].second;
                    minusX |= ~cell[r].first & cell[r].second;
                }
                for (int side = 0; side < 2; ++side) {
                    const auto& [belowLeft, belowRight] = cell[2 * side];
                    const auto& [aboveLeft, aboveRight] = cell[2 * side + 1];
                    plusY |= (belowLeft & ~aboveLeft) | (belowRight & ~aboveRight);
                    minusY |= (~belowLeft & aboveLeft) | (~belowRight & aboveRight);
                    const auto& [behindLeft, behindRight] = cell[side];
                    const auto& [frontLeft, frontRight] = cell[side + 2];
                    plusZ |= (behindLeft & ~frontLeft) | (behindRight & ~frontRight);
                    minusZ |= (~behindLeft & frontLeft) | (~behindRight & frontRight);
                }
                found[size_t(j) * rowWords_ + w] =
                    ((plusX & minusX) | (plusY & minusY) | (plusZ & minusZ)) & positionMask_[w];
            }
        }
    }

    // The vertices of plane k's candidate corners, and the triangles around
    // them: those of the positions of layers k - 1 and k.
    void addCandidates(int32_t k) {
        const std::vector<uint64_t>& found = candidateBits_[size_t(k) & 1];
        const std::vector<uint32_t>& plane = planes_[size_t(k) & 1];
        bool any = false;
        for (size_t at = 0; at < found.size(); ++at)
            for (uint64_t bits = found[at]; bits; bits &= bits - 1) {
                const size_t i = 64 * (at % rowWords_) + size_t(__builtin_ctzll(bits));
                const uint32_t v = plane[at / rowWords_ * planeSide_ + i];
                if (v == kNoVertex) continue;
                candidates_->vertices.push_back(v);
                any = true;
            }
        if (!any) return;
        const uint32_t first = layerStart_[size_t(k)], end = triangleCount();
        auto& ranges = candidates_->triangleRanges;
        if (!ranges.empty() && first <= ranges.back().second)
            ranges.back().second = end;
        else
            ranges.push_back({first, end});
    }

    // Calls visit(a, solid, x, y, z) for each voxel position a of the row
    // with a square on its +x, +y or +z side; solid tells on which side the
    // voxel is. Both passes over a row visit the squares in this order.
    template <typename Visit>
    void forEachSquare(const uint64_t* cur, const uint64_t* up, const uint64_t* front,
                       Visit&& visit) const {
        for (size_t w = 0; w < rowWords_; ++w) {
            const Faces f = faces(cur, up, front, w);
            uint64_t any = f.dx | f.dy | f.dz;
            while (any) {
                const int i = __builtin_ctzll(any);
                any &= any - 1;
                visit(int32_t(64 * w) + i - 1, bool((f.solid >> i) & 1), bool((f.dx >> i) & 1),
                      bool((f.dy >> i) & 1), bool((f.dz >> i) & 1));
            }
        }
    }

    // Each square's material: the solid voxel's, on whichever side it is.
    void gatherRow(int32_t b, int32_t c, const uint64_t* cur, const uint64_t* up,
                   const uint64_t* front) {
        forEachSquare(cur, up, front, [&](int32_t a, bool solid, bool x, bool y, bool z) {
            const uint8_t own = solid ? material(a, b, c) : 0;
            if (x) squareMaterials_.push_back(solid ? own : material(a + 1, b, c));
            if (y) squareMaterials_.push_back(solid ? own : material(a, b + 1, c));
            if (z) squareMaterials_.push_back(solid ? own : material(a, b, c + 1));
        });
    }

    void emitRow(int32_t b, int32_t c, const uint64_t* cur, const uint64_t* up,
                 const uint64_t* front) {
        forEachSquare(cur, up, front, [&](int32_t a, bool solid, bool x, bool y, bool z) {
            if (x)
                square(solid ? PosX : NegX, {a + 1, b, c}, {a + 1, b, c + 1}, {a + 1, b + 1, c},
                       {a + 1, b + 1, c + 1});
            if (y)
                square(solid ? PosY : NegY, {a, b + 1, c}, {a, b + 1, c + 1}, {a + 1, b + 1, c},
                       {a + 1, b + 1, c + 1});
            if (z)
                square(solid ? PosZ : NegZ, {a, b, c + 1}, {a, b + 1, c + 1}, {a + 1, b, c + 1},
                       {a + 1, b + 1, c + 1});
        });
    }

    // Makes the numbers of lattice plane k available, all unset if new.
    void holdPlane(int32_t k) {
        const size_t n = size_t(k) & 1;
        if (planeHeld_[n] == k) return;
        std::fill(planes_[n].begin(), planes_[n].end(), kNoVertex);
        planeHeld_[n] = k;
    }

    uint32_t corner(const Vec3i& p) {
        uint32_t& slot = planes_[size_t(p.z) & 1][size_t(p.y) * planeSide_ + size_t(p.x)];
        if (slot == kNoVertex) {
            slot = uint32_t(positions_->size());
            // In the volume's units, from its lower corner.
            const Vec3i& o = boxOffset_;
            positions_->push_back(
                {float(p.x + o.x) - 0.5f, float(p.y + o.y) - 0.5f, float(p.z + o.z) - 0.5f});
        }
        return slot;
    }

    // Two triangles over corners q0..q3 (q0 and q3 diagonal), wound
    // counter-clockwise about the outward normal in the files' right-handed
    // frame (the corner order turns one way about +x, -y and +z).
    void square(Axis axis, const Vec3i& q0, const Vec3i& q1, const Vec3i& q2, const Vec3i& q3) {
        const uint32_t i0 = corner(q0), i1 = corner(q1), i2 = corner(q2), i3 = corner(q3);
        uint32_t* t = triangle_;
        if (axis == PosX || axis == NegY || axis == PosZ) {
            t[0] = i0, t[1] = i1, t[2] = i2, t[3] = i1, t[4] = i3, t[5] = i2;
        } else {
            t[0] = i0, t[1] = i2, t[2] = i1, t[3] = i1, t[4] = i2, t[5] = i3;
        }
        triangle_ += 6;
        material_[0] = material_[1] = *nextMaterial_++;
        material_ += 2;
        faceAxis_[0] = faceAxis_[1] = axis;
        faceAxis_ += 2;
    }

    const VoxelVolume& v_;
    Vec3i lower_;  // the box's lower corner
    int32_t width_ = 0, height_ = 0, depth_ = 0;
    Vec3i boxOffset_;  // from the volume's lower corner
    size_t rowWords_ = 0, planeSide_ = 0;
    Layer layers_[2];
    std::vector<uint64_t> zeroRow_;
    std::vector<uint64_t> positionMask_;
    // Vertex numbers of the corners of two lattice planes: plane k in k & 1.
    std::vector<uint32_t> planes_[2];
    int32_t planeHeld_[2] = {INT32_MIN, INT32_MIN};
    uint32_t* triangle_ = nullptr;
    uint8_t* material_ = nullptr;
    uint8_t* faceAxis_ = nullptr;
    std::vector<uint8_t> squareMaterials_;    // one per square, in order
    std::vector<uint32_t> layerStart_;        // first triangle of position layer c at c + 1
    std::vector<uint64_t> candidateBits_[2];  // of lattice plane k in k & 1
    const uint8_t* nextMaterial_ = nullptr;
    std::vector<Vec3f>* positions_ = nullptr;
    ContactCandidates* candidates_ = nullptr;
    const uint32_t* triangles_ = nullptr;
};

}  // namespace

SolidMesh cubicSolidMesh(const VoxelVolume& volume, const MeshPlacement& placement,
                         SolidMeshReport* report) {
    SolidMesh out;
    std::vector<uint8_t> faceAxes;
    ContactCandidates candidates;
    Builder(volume).run(out, faceAxes, candidates);
    const uint32_t splitVertices =
        splitContacts(out.positions, out.triangles, faceAxes, candidates).splitVertices;
    // Into the files' frame, where axes along z turn round.
    for (uint8_t& a : faceAxes) a = a >= 4 ? uint8_t(9 - a) : a;
    out.faceAxes = std::move(faceAxes);
    placePositions(out.positions, placement);
    if (report) {
        report->splitVertices = splitVertices;
        report->openEdges = countOpenEdges(out.triangles);
    }
    return out;
}

}  // namespace cubalorn::exporter

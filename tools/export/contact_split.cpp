#include "contact_split.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <unordered_map>

namespace cubalorn::exporter {

namespace {

// A corner is (triangle, 0..2) packed as 3 * triangle + k.
struct Surface {
    std::vector<Vec3f>& positions;
    std::vector<uint32_t>& triangles;
    const std::vector<uint8_t>& faceAxes;

    uint32_t vertex(uint32_t corner) const { return triangles[corner]; }
    uint32_t next(uint32_t corner) const {
        return triangles[corner - corner % 3 + (corner % 3 + 1) % 3];
    }
    uint32_t previous(uint32_t corner) const {
        return triangles[corner - corner % 3 + (corner % 3 + 2) % 3];
    }

    // The cell behind (solid) or in front of (empty) the corner's square, as an
    // octant around the corner's vertex: bit i set for the + side of axis i.
    uint8_t octant(uint32_t corner, bool emptySide) const {
        const uint32_t t = corner / 3;
        const uint8_t axis = faceAxes[t] / 2;
        const bool outwardPositive = faceAxes[t] % 2 == 0;
        const Vec3f& p = positions[vertex(corner)];
        const Vec3f& a = positions[triangles[3 * t]];
        const Vec3f& b = positions[triangles[3 * t + 1]];
        const Vec3f& c = positions[triangles[3 * t + 2]];
        const float centroid[3] = {a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z};
        const float here[3] = {3 * p.x, 3 * p.y, 3 * p.z};
        uint8_t bits = 0;
        for (uint8_t i = 0; i < 3; ++i) {
            const bool plus = i == axis ? outwardPositive == emptySide : centroid[i] > here[i];
            bits |= uint8_t(plus) << i;
        }
        return bits;
    }
};

uint64_t edgeKey(uint32_t a, uint32_t b) {
    return a < b ? (uint64_t(a) << 32 | b) : (uint64_t(b) << 32 | a);
}

// The faces around one vertex: which fan each corner belongs to.
struct Fans {
    static constexpr size_t kMaxCorners = 48;  // 8 cells, 3 squares each, 2 triangles
    uint32_t count = 0;
    std::array<uint8_t, kMaxCorners> parent{};

    uint8_t find(uint8_t i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    }
    void join(uint8_t a, uint8_t b) { parent[find(a)] = find(b); }
};

class Splitter {
public:
    Splitter(std::vector<Vec3f>& positions, std::vector<uint32_t>& triangles,
             const std::vector<uint8_t>& faceAxes)
        : s_{positions, triangles, faceAxes} {}

    ContactSplitStats run() {
        findCandidates();
        if (candidates_.empty()) return {};
        buildCornerLists();
        fanOf_.assign(s_.triangles.size(), 0);
        for (uint32_t v : candidates_)
            if (mayHaveSeveralFans(v)) findFans(v);
        // Keep the voxels apart at every four-square edge first; where the edge
        // stays shared at both ends, keep the empty cells apart instead. A flip
        // changes the fans of two vertices only, so a few rounds settle it.
        for (int round = 0; round < 4; ++round) {
            std::vector<uint32_t> changed;
            for (auto& [key, aroundEmpty] : crossed_) {
                const uint32_t a = uint32_t(key >> 32), b = uint32_t(key);
                if (separatedAt(a, b) || separatedAt(b, a)) continue;
                aroundEmpty = !aroundEmpty;
                changed.push_back(a);
                changed.push_back(b);
            }
            if (changed.empty()) break;
            for (uint32_t v : changed) findFans(v);
        }
        ContactSplitStats stats;
        for (const auto& [key, aroundEmpty] : crossed_) stats.crossedEdges += aroundEmpty;
        for (uint32_t v : candidates_)
            if (mayHaveSeveralFans(v)) stats.splitVertices += splitVertex(v);
        for (const auto& [v, p] : moved_) s_.positions[v] = p;
        return stats;
    }

private:
    // Faces around a vertex whose normals never point both ways along one
    // axis bound a solid that only grows toward one corner of the vertex's
    // eight cells: one fan. Only vertices with opposite normals can need a split.
    void findCandidates() {
        std::vector<uint8_t> axes(s_.positions.size(), 0);
        for (size_t c = 0; c < s_.triangles.size(); ++c)
            axes[s_.triangles[c]] |= uint8_t(1u << s_.faceAxes[c / 3]);
        candidateSlot_.assign(s_.positions.size(), kNotCandidate);
        for (uint32_t v = 0; v < axes.size(); ++v)
            if (axes[v] & (axes[v] >> 1) & 0x15) {
                candidateSlot_[v] = uint32_t(candidates_.size());
                candidates_.push_back(v);
            }
    }

    void buildCornerLists() {
        cornerStart_.assign(candidates_.size() + 1, 0);
        for (uint32_t v : s_.triangles)
            if (candidateSlot_[v] != kNotCandidate) ++cornerStart_[candidateSlot_[v] + 1];
        for (size_t k = 0; k < candidates_.size(); ++k) cornerStart_[k + 1] += cornerStart_[k];
        corners_.resize(cornerStart_.back());
        std::vector<uint32_t> next(cornerStart_.begin(), cornerStart_.end() - 1);
        for (uint32_t c = 0; c < s_.triangles.size(); ++c) {
            const uint32_t slot = candidateSlot_[s_.triangles[c]];
            if (slot != kNotCandidate) corners_[next[slot]++] = c;
        }
    }
    uint32_t firstCorner(uint32_t v) const { return cornerStart_[candidateSlot_[v]]; }
    uint32_t endCorner(uint32_t v) const { return cornerStart_[candidateSlot_[v] + 1]; }

    // Two fans on a closed surface take at least three triangles each.
    bool mayHaveSeveralFans(uint32_t v) const {
        const uint32_t n = endCorner(v) - firstCorner(v);
        return n >= 6 && n <= Fans::kMaxCorners;
    }

    // Groups the corners at `v` into fans: two corners join when their
    // triangles share an edge at `v`. Records each corner's fan in fanOf_.
    void findFans(uint32_t v) {
        const uint32_t first = firstCorner(v);
        const uint8_t n = uint8_t(endCorner(v) - first);
        Fans fans;
        for (uint8_t i = 0; i < n; ++i) fans.parent[i] = i;
        for (uint8_t i = 0; i < n; ++i) {
            const uint32_t ci = corners_[first + i];
            const uint32_t to = s_.next(ci);
            uint8_t match[2];
            int matches = 0;
            for (uint8_t j = 0; j < n && matches < 3; ++j)
                if (s_.previous(corners_[first + j]) == to) {
                    if (matches < 2) match[matches] = j;
                    ++matches;
                }
            if (matches == 1) {
                fans.join(i, match[0]);
            } else if (matches == 2) {
                const uint64_t key = edgeKey(v, to);
                const bool aroundEmpty = crossed_.emplace(key, false).first->second;
                const uint8_t mine = s_.octant(ci, aroundEmpty);
                const uint8_t pick = s_.octant(corners_[first + match[0]], aroundEmpty) == mine
                                         ? match[0]
                                         : match[1];
                fans.join(i, pick);
            }
        }
        uint8_t label[Fans::kMaxCorners];
        uint8_t labels = 0;
        uint8_t rootLabel[Fans::kMaxCorners];
        for (uint8_t i = 0; i < n; ++i) rootLabel[i] = 0xFF;
        for (uint8_t i = 0; i < n; ++i) {
            const uint8_t root = fans.find(i);
            if (rootLabel[root] == 0xFF) rootLabel[root] = labels++;
            label[i] = rootLabel[root];
            fanOf_[corners_[first + i]] = label[i];
        }
    }

    // Do the two triangles leaving `from` along the edge to `to` lie in
    // different fans at `from`?
    bool separatedAt(uint32_t from, uint32_t to) const {
        int fan = -1;
        if (candidateSlot_[from] == kNotCandidate) return false;
        for (uint32_t k = firstCorner(from); k < endCorner(from); ++k) {
            const uint32_t c = corners_[k];
            if (s_.next(c) != to) continue;
            if (fan >= 0) return fan != fanOf_[c];
            fan = fanOf_[c];
        }
        return false;
    }

    // Gives every fan after the first a vertex of its own and moves each copy
    // toward the cells only its fan touches. Returns whether `v` was split.
    bool splitVertex(uint32_t v) {
        const uint32_t first = firstCorner(v), end = endCorner(v);
        uint8_t fanCount = 0;
        for (uint32_t k = first; k < end; ++k)
            fanCount = std::max<uint8_t>(fanCount, fanOf_[corners_[k]] + 1);
        if (fanCount < 2) return false;
        uint8_t cells[Fans::kMaxCorners] = {};  // octant bits touched, per fan
        for (uint32_t k = first; k < end; ++k) {
            const uint32_t c = corners_[k];
            cells[fanOf_[c]] |=
                uint8_t(1u << s_.octant(c, false)) | uint8_t(1u << s_.octant(c, true));
        }
        const Vec3f origin = s_.positions[v];
        uint32_t ids[Fans::kMaxCorners];
        for (uint8_t f = 0; f < fanCount; ++f) {
            uint8_t others = 0;
            for (uint8_t g = 0; g < fanCount; ++g)
                if (g != f) others |= cells[g];
            const uint8_t own = cells[f] & uint8_t(~others);
            int sum[3] = {0, 0, 0};
            for (uint8_t o = 0; o < 8; ++o)
                if (own & (1u << o))
                    for (int i = 0; i < 3; ++i) sum[i] += (o >> i & 1) ? 1 : -1;
            auto step = [](int s) { return s > 0 ? kContactInset : s < 0 ? -kContactInset : 0.0f; };
            const Vec3f p{origin.x + step(sum[0]), origin.y + step(sum[1]),
                          origin.z + step(sum[2])};
            if (f == 0) {
                ids[f] = v;
                moved_.push_back({v, p});
            } else {
                ids[f] = uint32_t(s_.positions.size());
                s_.positions.push_back(p);
            }
        }
        for (uint32_t k = first; k < end; ++k) s_.triangles[corners_[k]] = ids[fanOf_[corners_[k]]];
        return true;
    }

    static constexpr uint32_t kNotCandidate = ~0u;
    Surface s_;
    std::vector<uint32_t> candidates_;
    std::vector<uint32_t> candidateSlot_;  // per vertex: its number among the candidates
    std::vector<uint32_t> cornerStart_;    // per candidate
    std::vector<uint32_t> corners_;
    std::vector<uint8_t> fanOf_;
    // Four-square edges; true where the pairing goes around the empty cells.
    std::unordered_map<uint64_t, bool> crossed_;
    std::vector<std::pair<uint32_t, Vec3f>> moved_;
};

}  // namespace

ContactSplitStats splitContacts(std::vector<Vec3f>& positions, std::vector<uint32_t>& triangles,
                                const std::vector<uint8_t>& faceAxes) {
    return Splitter(positions, triangles, faceAxes).run();
}

}  // namespace cubalorn::exporter

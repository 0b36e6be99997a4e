#include "welded_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cubalorn::exporter {

namespace {

struct Bits {
    uint32_t x, y, z;
};

Bits bitsOf(const Vec3f& v) {
    // Adding +0 turns -0 into +0, so both zeros weld together.
    const float xs[3] = {v.x + 0.0f, v.y + 0.0f, v.z + 0.0f};
    Bits b;
    std::memcpy(&b.x, &xs[0], 4);
    std::memcpy(&b.y, &xs[1], 4);
    std::memcpy(&b.z, &xs[2], 4);
    return b;
}

size_t hashOf(const Bits& b) {
    uint64_t h = b.x * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) ^ (b.y * 0xC2B2AE3D27D4EB4Full);
    h ^= (h >> 31) ^ (b.z * 0x165667B19E3779F9ull);
    return static_cast<size_t>(h ^ (h >> 32));
}

bool sameBits(const Bits& a, const Bits& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

}  // namespace

Vec3fNumbering::Vec3fNumbering(size_t expectedCount) {
    size_t capacity = 16;
    while (capacity < expectedCount * 2) capacity *= 2;
    slots_.assign(capacity, 0);
    mask_ = capacity - 1;
    values_.reserve(expectedCount);
}

void Vec3fNumbering::grow() {
    slots_.assign(slots_.size() * 2, 0);
    mask_ = slots_.size() - 1;
    for (uint32_t n = 0; n < values_.size(); ++n) {
        size_t slot = hashOf(bitsOf(values_[n])) & mask_;
        while (slots_[slot] != 0) slot = (slot + 1) & mask_;
        slots_[slot] = n + 1;
    }
}

uint32_t Vec3fNumbering::number(const Vec3f& v) {
    const Bits key = bitsOf(v);
    size_t slot = hashOf(key) & mask_;
    while (slots_[slot] != 0) {
        const uint32_t n = slots_[slot] - 1;
        if (sameBits(bitsOf(values_[n]), key)) return n;
        slot = (slot + 1) & mask_;
    }
    const uint32_t n = static_cast<uint32_t>(values_.size());
    values_.push_back(Vec3f{v.x + 0.0f, v.y + 0.0f, v.z + 0.0f});
    slots_[slot] = n + 1;
    if (values_.size() * 2 > slots_.size()) grow();
    return n;
}

namespace {

// Cubic corners lie on a lattice of half-integers: when the box they span is
// small enough, a dense table numbers them without hashing.
constexpr size_t kDenseLatticeLimit = size_t{1} << 25;

bool numberOnLattice(const ExtractedMesh& mesh, std::vector<uint32_t>& remap, WeldedMesh& welded) {
    if (mesh.vertices.empty()) return false;
    float lo[3] = {mesh.vertices[0].pos.x, mesh.vertices[0].pos.y, mesh.vertices[0].pos.z};
    float hi[3] = {lo[0], lo[1], lo[2]};
    for (const MeshVertex& v : mesh.vertices) {
        const float c[3] = {v.pos.x, v.pos.y, v.pos.z};
        for (int i = 0; i < 3; ++i) {
            if (c[i] - 0.5f != std::floor(c[i] - 0.5f)) return false;
            lo[i] = std::min(lo[i], c[i]);
            hi[i] = std::max(hi[i], c[i]);
        }
    }
    size_t side[3], points = 1;
    for (int i = 0; i < 3; ++i) {
        if (hi[i] - lo[i] > float(kDenseLatticeLimit)) return false;
        side[i] = size_t(hi[i] - lo[i]) + 1;
        points *= side[i];
        if (points > kDenseLatticeLimit) return false;
    }
    std::vector<uint32_t> number(points, 0);  // vertex number + 1; 0 is unseen
    welded.positions.reserve(mesh.vertices.size() / 3 + 1);
    welded.sourceVertices.reserve(mesh.vertices.size() / 3 + 1);
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        const Vec3f& p = mesh.vertices[i].pos;
        const size_t at =
            (size_t(p.z - lo[2]) * side[1] + size_t(p.y - lo[1])) * side[0] + size_t(p.x - lo[0]);
        if (number[at] == 0) {
            welded.positions.push_back({p.x + 0.0f, p.y + 0.0f, p.z + 0.0f});
            welded.sourceVertices.push_back(static_cast<uint32_t>(i));
            number[at] = static_cast<uint32_t>(welded.positions.size());
        }
        remap[i] = number[at] - 1;
    }
    return true;
}

}  // namespace

WeldedMesh weldVertices(const ExtractedMesh& mesh) {
    std::vector<uint32_t> remap(mesh.vertices.size());
    WeldedMesh welded;
    if (!numberOnLattice(mesh, remap, welded)) {
        // A closed cubic surface has about a quarter as many distinct corners as
        // extracted vertices; the table grows if the guess is short.
        Vec3fNumbering numbering(mesh.vertices.size() / 3 + 1);
        welded.sourceVertices.reserve(mesh.vertices.size() / 3 + 1);
        for (size_t i = 0; i < mesh.vertices.size(); ++i) {
            remap[i] = numbering.number(mesh.vertices[i].pos);
            if (remap[i] == welded.sourceVertices.size())
                welded.sourceVertices.push_back(static_cast<uint32_t>(i));
        }
        welded.positions = numbering.takeValues();
    }

    const size_t triangleCount = mesh.indices.size() / 3;
    welded.triangles.resize(triangleCount * 3);
    welded.sourceTriangles.resize(triangleCount);
    size_t kept = 0;
    for (size_t t = 0; t < triangleCount; ++t) {
        if (!hasValidCorners(mesh, t)) continue;
        const uint32_t a = remap[mesh.indices[3 * t]];
        const uint32_t b = remap[mesh.indices[3 * t + 1]];
        const uint32_t c = remap[mesh.indices[3 * t + 2]];
        if (a == b || b == c || a == c) continue;
        welded.triangles[3 * kept] = a;
        welded.triangles[3 * kept + 1] = b;
        welded.triangles[3 * kept + 2] = c;
        welded.sourceTriangles[kept++] = static_cast<uint32_t>(t);
    }
    welded.triangles.resize(3 * kept);
    welded.sourceTriangles.resize(kept);
    return welded;
}

}  // namespace cubalorn::exporter

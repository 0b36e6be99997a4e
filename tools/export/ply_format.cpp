// Binary PLY: colours per vertex, since that is what PLY readers show. A
// vertex shared by triangles of different colours is written once per
// colour; everything else is shared.

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "byte_buffer.h"
#include "mesh_formats.h"

namespace cubalorn::exporter {

namespace {

// The written vertices: one per (mesh vertex, colour) pair, numbered in the
// order the triangles' corners first name them. A vertex's pairs form a
// chain from its first, nearly always one or two long.
class ColouredVertices {
public:
    static constexpr uint32_t kNone = ~0u;

    explicit ColouredVertices(const SolidMesh& mesh) : first_(mesh.positions.size(), kNone) {
        vertex_.reserve(mesh.positions.size() + mesh.positions.size() / 4);
        material_.reserve(vertex_.capacity());
        next_.reserve(vertex_.capacity());
        for (size_t c = 0; c < mesh.triangles.size(); ++c)
            find(mesh.triangles[c], mesh.materials[c / 3], true);
    }

    // The number of vertex v in colour m (added when `add` and not there).
    uint32_t find(uint32_t v, uint8_t m, bool add = false) {
        uint32_t id = first_[v];
        if (id == kNone) return add ? first_[v] = append(v, m) : kNone;
        while (material_[id] != m) {
            if (next_[id] == kNone) return add ? next_[id] = append(v, m) : kNone;
            id = next_[id];
        }
        return id;
    }
    size_t size() const { return vertex_.size(); }
    uint32_t vertex(size_t id) const { return vertex_[id]; }
    uint8_t material(size_t id) const { return material_[id]; }

private:
    uint32_t append(uint32_t v, uint8_t m) {
        vertex_.push_back(v);
        material_.push_back(m);
        next_.push_back(kNone);
        return uint32_t(vertex_.size() - 1);
    }

    std::vector<uint32_t> first_;  // per mesh vertex
    std::vector<uint32_t> vertex_, next_;
    std::vector<uint8_t> material_;
};

}  // namespace

void writePly(const SolidMesh& mesh, const Palette& palette, ChunkWriter& out) {
    const size_t triangleCount = mesh.triangleCount();
    const bool withNormals = !mesh.vertexNormals.empty();
    ColouredVertices vertices(mesh);

    out.append(
        "ply\nformat binary_little_endian 1.0\ncomment Cubalorn mesh, y up\nelement vertex " +
        std::to_string(vertices.size()) +
        "\nproperty float x\nproperty float y\nproperty float z\n" +
        (withNormals ? "property float nx\nproperty float ny\nproperty float nz\n" : "") +
        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
        "element face " +
        std::to_string(triangleCount) + "\nproperty list uchar uint vertex_indices\nend_header\n");

    std::array<Rgb, 256> colours;
    for (int m = 0; m < 256; ++m) colours[m] = exportColour(palette, static_cast<float>(m));

    writeRecords(out, 0, vertices.size(), withNormals ? 27 : 15, [&](char* p, size_t i) {
        const uint32_t v = vertices.vertex(i);
        const Vec3f& pos = mesh.positions[v];
        p = putF32(putF32(putF32(p, pos.x), pos.y), pos.z);
        if (withNormals) {
            const Vec3f& n = mesh.vertexNormals[v];
            p = putF32(putF32(putF32(p, n.x), n.y), n.z);
        }
        const Rgb& c = colours[vertices.material(i)];
        *p++ = static_cast<char>(c[0]);
        *p++ = static_cast<char>(c[1]);
        *p++ = static_cast<char>(c[2]);
        return p;
    });
    writeRecords(out, 0, triangleCount, 13, [&](char* p, size_t t) {
        *p++ = 3;
        const uint8_t m = mesh.materials[t];
        for (int k = 0; k < 3; ++k) p = putU32(p, vertices.find(mesh.triangles[3 * t + k], m));
        return p;
    });
}

std::string encodePly(const SolidMesh& mesh, const Palette& palette) {
    return encodeToString([&](ChunkWriter& out) { writePly(mesh, palette, out); });
}

}  // namespace cubalorn::exporter

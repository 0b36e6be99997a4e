// Binary PLY: colours per vertex, since that is what PLY readers show. A
// vertex shared by triangles of different colours is written once per
// colour; everything else is shared.

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "byte_buffer.h"
#include "mesh_formats.h"

namespace cubalorn::exporter {

void writePly(const SolidMesh& mesh, const Palette& palette, ChunkWriter& out) {
    const size_t triangleCount = mesh.triangleCount();
    const bool withNormals = !mesh.vertexNormals.empty();

    // Numbers of (vertex, colour) pairs: the first colour of a vertex in a
    // flat table, the rare others in a map.
    constexpr uint32_t kUnseen = ~0u;
    std::vector<uint32_t> firstId(mesh.positions.size(), kUnseen);
    std::vector<uint8_t> firstMaterial(mesh.positions.size(), 0);
    std::unordered_map<uint64_t, uint32_t> otherIds;
    std::vector<uint32_t> recordVertex;  // per written vertex: the mesh vertex
    std::vector<uint8_t> recordMaterial;
    recordVertex.reserve(mesh.positions.size() + mesh.positions.size() / 8);
    recordMaterial.reserve(recordVertex.capacity());
    std::vector<uint32_t> corners(mesh.triangles.size());
    for (size_t c = 0; c < mesh.triangles.size(); ++c) {
        const uint32_t v = mesh.triangles[c];
        const uint8_t m = mesh.materials[c / 3];
        uint32_t id;
        if (firstId[v] == kUnseen) {
            id = firstId[v] = uint32_t(recordVertex.size());
            firstMaterial[v] = m;
        } else if (firstMaterial[v] == m) {
            id = firstId[v];
        } else {
            const auto [at, added] =
                otherIds.emplace(uint64_t(v) << 8 | m, uint32_t(recordVertex.size()));
            id = at->second;
            if (!added) {
                corners[c] = id;
                continue;
            }
        }
        if (id == recordVertex.size()) {
            recordVertex.push_back(v);
            recordMaterial.push_back(m);
        }
        corners[c] = id;
    }

    out.append(
        "ply\nformat binary_little_endian 1.0\ncomment Cubalorn mesh, y up\nelement vertex " +
        std::to_string(recordVertex.size()) +
        "\nproperty float x\nproperty float y\nproperty float z\n" +
        (withNormals ? "property float nx\nproperty float ny\nproperty float nz\n" : "") +
        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
        "element face " +
        std::to_string(triangleCount) + "\nproperty list uchar uint vertex_indices\nend_header\n");

    std::array<Rgb, 256> colours;
    for (int m = 0; m < 256; ++m) colours[m] = exportColour(palette, static_cast<float>(m));

    const size_t vertexBytes = withNormals ? 27 : 15;
    constexpr size_t kFaceBytes = 13;
    for (size_t i = 0; i < recordVertex.size(); ++i) {
        const uint32_t v = recordVertex[i];
        char* p = out.reserve(vertexBytes);
        const Vec3f& pos = mesh.positions[v];
        p = putF32(p, pos.x);
        p = putF32(p, pos.y);
        p = putF32(p, pos.z);
        if (withNormals) {
            const Vec3f& n = mesh.vertexNormals[v];
            p = putF32(p, n.x);
            p = putF32(p, n.y);
            p = putF32(p, n.z);
        }
        const Rgb& c = colours[recordMaterial[i]];
        *p++ = static_cast<char>(c[0]);
        *p++ = static_cast<char>(c[1]);
        *p++ = static_cast<char>(c[2]);
        out.commit(p);
    }
    for (size_t t = 0; t < triangleCount; ++t) {
        char* p = out.reserve(kFaceBytes);
        *p++ = 3;
        p = putU32(p, corners[3 * t]);
        p = putU32(p, corners[3 * t + 1]);
        p = putU32(p, corners[3 * t + 2]);
        out.commit(p);
    }
}

std::string encodePly(const SolidMesh& mesh, const Palette& palette) {
    return encodeToString([&](ChunkWriter& out) { writePly(mesh, palette, out); });
}

}  // namespace cubalorn::exporter

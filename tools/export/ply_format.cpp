// Binary PLY: one record per extracted vertex (position, normal, colour) and
// one per triangle, so other tools see the colours as the window shows them.

#include <array>
#include <string>

#include "byte_buffer.h"
#include "mesh_formats.h"
#include "welded_mesh.h"

namespace cubalorn::exporter {

void writePly(const ExtractedMesh& mesh, const Palette& palette, float scale, ChunkWriter& out) {
    const size_t triangleCount = mesh.indices.size() / 3;
    size_t validTriangles = 0;
    for (size_t t = 0; t < triangleCount; ++t) validTriangles += hasValidCorners(mesh, t);

    out.append("ply\nformat binary_little_endian 1.0\ncomment Cubalorn mesh\nelement vertex " +
               std::to_string(mesh.vertices.size()) +
               "\nproperty float x\nproperty float y\nproperty float z\n"
               "property float nx\nproperty float ny\nproperty float nz\n"
               "property uchar red\nproperty uchar green\nproperty uchar blue\n"
               "element face " +
               std::to_string(validTriangles) +
               "\nproperty list uchar uint vertex_indices\nend_header\n");

    std::array<Rgb, 256> colours;
    for (int m = 0; m < 256; ++m) colours[m] = exportColour(palette, static_cast<float>(m));

    constexpr size_t kVertexBytes = 27, kFaceBytes = 13;
    for (const MeshVertex& v : mesh.vertices) {
        char* p = out.reserve(kVertexBytes);
        p = putF32(p, v.pos.x * scale);
        p = putF32(p, v.pos.y * scale);
        p = putF32(p, v.pos.z * scale);
        p = putF32(p, v.normal.x);
        p = putF32(p, v.normal.y);
        p = putF32(p, v.normal.z);
        const Rgb& c = colours[static_cast<int32_t>(v.material) & 0xFF];
        *p++ = static_cast<char>(c[0]);
        *p++ = static_cast<char>(c[1]);
        *p++ = static_cast<char>(c[2]);
        out.commit(p);
    }
    for (size_t t = 0; t < triangleCount; ++t) {
        if (!hasValidCorners(mesh, t)) continue;
        char* p = out.reserve(kFaceBytes);
        *p++ = 3;
        p = putU32(p, mesh.indices[3 * t]);
        p = putU32(p, mesh.indices[3 * t + 1]);
        p = putU32(p, mesh.indices[3 * t + 2]);
        out.commit(p);
    }
}

std::string encodePly(const ExtractedMesh& mesh, const Palette& palette, float scale) {
    return encodeToString([&](ChunkWriter& out) { writePly(mesh, palette, scale, out); });
}

}  // namespace cubalorn::exporter

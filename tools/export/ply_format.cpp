// Binary PLY: one record per extracted vertex (position, normal, colour) and
// one per triangle, so other tools see the colours as the window shows them.

#include <string>
#include <vector>

#include "byte_buffer.h"
#include "mesh_formats.h"
#include "welded_mesh.h"

namespace cubalorn::exporter {

std::string encodePly(const ExtractedMesh& mesh, const Palette& palette, float scale) {
    std::vector<uint32_t> triangles;
    const size_t triangleCount = mesh.indices.size() / 3;
    triangles.reserve(triangleCount);
    for (size_t t = 0; t < triangleCount; ++t)
        if (hasValidCorners(mesh, t)) triangles.push_back(static_cast<uint32_t>(t));

    const std::string header =
        "ply\n"
        "format binary_little_endian 1.0\n"
        "comment Cubalorn mesh\n"
        "element vertex " +
        std::to_string(mesh.vertices.size()) +
        "\n"
        "property float x\n"
        "property float y\n"
        "property float z\n"
        "property float nx\n"
        "property float ny\n"
        "property float nz\n"
        "property uchar red\n"
        "property uchar green\n"
        "property uchar blue\n"
        "element face " +
        std::to_string(triangles.size()) +
        "\n"
        "property list uchar uint vertex_indices\n"
        "end_header\n";

    ByteBuffer out;
    out.reserve(header.size() + mesh.vertices.size() * 27 + triangles.size() * 13);
    out.text(header);
    for (const MeshVertex& v : mesh.vertices) {
        out.f32(v.pos.x * scale);
        out.f32(v.pos.y * scale);
        out.f32(v.pos.z * scale);
        out.f32(v.normal.x);
        out.f32(v.normal.y);
        out.f32(v.normal.z);
        const Rgb c = exportColour(palette, v.material);
        out.u8(c[0]);
        out.u8(c[1]);
        out.u8(c[2]);
    }
    for (uint32_t t : triangles) {
        out.u8(3);
        out.u32(mesh.indices[3 * t]);
        out.u32(mesh.indices[3 * t + 1]);
        out.u32(mesh.indices[3 * t + 2]);
    }
    return out.take();
}

}  // namespace cubalorn::exporter

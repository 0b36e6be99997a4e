// Binary STL for printing: welded, so that a closed sculpture is one closed
// surface, and turned z up.

#include <cmath>
#include <cstring>
#include <string>

#include "byte_buffer.h"
#include "mesh_formats.h"
#include "welded_mesh.h"

namespace cubalorn::exporter {

namespace {

// The volume's y is up; printers take z as up. A quarter turn about x.
Vec3f zUp(const Vec3f& p, float scale) {
    return {p.x * scale, -p.z * scale, p.y * scale};
}

}  // namespace

std::string encodeStl(const ExtractedMesh& mesh, float scale) {
    const WeldedMesh welded = weldVertices(mesh);
    const size_t triangleCount = welded.sourceTriangles.size();

    ByteBuffer out;
    out.reserve(84 + triangleCount * 50);
    // Readers take a file starting with "solid" for text STL: this one does not.
    char header[80];
    std::memset(header, ' ', sizeof header);
    const char title[] = "Cubalorn binary STL, z up";
    std::memcpy(header, title, sizeof title - 1);
    out.text(std::string_view(header, sizeof header));
    out.u32(static_cast<uint32_t>(triangleCount));
    for (size_t t = 0; t < triangleCount; ++t) {
        const Vec3f a = zUp(welded.positions[welded.triangles[3 * t]], scale);
        const Vec3f b = zUp(welded.positions[welded.triangles[3 * t + 1]], scale);
        const Vec3f c = zUp(welded.positions[welded.triangles[3 * t + 2]], scale);
        const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
        const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
        double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (length > 0) nx /= length, ny /= length, nz /= length;
        out.f32(static_cast<float>(nx));
        out.f32(static_cast<float>(ny));
        out.f32(static_cast<float>(nz));
        for (const Vec3f& p : {a, b, c}) {
            out.f32(p.x);
            out.f32(p.y);
            out.f32(p.z);
        }
        out.u16(0);
    }
    return out.take();
}

}  // namespace cubalorn::exporter

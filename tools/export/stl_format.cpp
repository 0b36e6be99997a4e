// Binary STL for printing, z up.

#include <cmath>
#include <cstring>
#include <string>

#include "byte_buffer.h"
#include "mesh_formats.h"

namespace cubalorn::exporter {

namespace {

// The unit normal that the winding gives, (b - a) x (c - a) normalised; zero
// for a facet without area.
void facetNormal(const Vec3f& a, const Vec3f& b, const Vec3f& c, float n[3]) {
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    // Squares of cubes face along an axis: the normal is that axis, no root needed.
    const int zeros = (nx == 0) + (ny == 0) + (nz == 0);
    if (zeros == 2) {
        n[0] = nx > 0 ? 1.0f : nx < 0 ? -1.0f : 0.0f;
        n[1] = ny > 0 ? 1.0f : ny < 0 ? -1.0f : 0.0f;
        n[2] = nz > 0 ? 1.0f : nz < 0 ? -1.0f : 0.0f;
        return;
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    const double inverse = length > 0 ? 1.0 / length : 0.0;
    n[0] = static_cast<float>(nx * inverse);
    n[1] = static_cast<float>(ny * inverse);
    n[2] = static_cast<float>(nz * inverse);
}

}  // namespace

void writeStl(const SolidMesh& mesh, ChunkWriter& out) {
    const size_t triangleCount = mesh.triangleCount();
    // Readers take a file starting with "solid" for text STL: this one does not.
    char header[84] = "Cubalorn binary STL, z up";
    putU32(header + 80, static_cast<uint32_t>(triangleCount));
    out.append(std::string_view(header, sizeof header));

    constexpr size_t kFacetBytes = 50;
    for (size_t t = 0; t < triangleCount; ++t) {
        const Vec3f a = zUpFromYUp(mesh.positions[mesh.triangles[3 * t]]);
        const Vec3f b = zUpFromYUp(mesh.positions[mesh.triangles[3 * t + 1]]);
        const Vec3f c = zUpFromYUp(mesh.positions[mesh.triangles[3 * t + 2]]);
        float n[3];
        facetNormal(a, b, c, n);
        char* p = out.reserve(kFacetBytes);
        p = putF32(p, n[0]);
        p = putF32(p, n[1]);
        p = putF32(p, n[2]);
        for (const Vec3f* corner : {&a, &b, &c}) {
            p = putF32(p, corner->x);
            p = putF32(p, corner->y);
            p = putF32(p, corner->z);
        }
        p = putU16(p, 0);
        out.commit(p);
    }
}

std::string encodeStl(const SolidMesh& mesh) {
    return encodeToString([&](ChunkWriter& out) { writeStl(mesh, out); });
}

}  // namespace cubalorn::exporter

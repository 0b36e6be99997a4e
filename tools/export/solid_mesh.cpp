#include "solid_mesh.h"

#include <algorithm>
#include <limits>

#include "contact_split.h"
#include "mesh_formats.h"
#include "welded_mesh.h"

namespace cubalorn::exporter {

namespace {

// 0..5 for +x, -x, +y, -y, +z, -z: the axis a cubic normal points along.
uint8_t axisOf(const Vec3f& n) {
    if (n.x != 0) return n.x > 0 ? 0 : 1;
    if (n.y != 0) return n.y > 0 ? 2 : 3;
    return n.z > 0 ? 4 : 5;
}

void place(SolidMesh& out, const MeshPlacement& placement) {
    const float s = placement.scale;
    for (Vec3f& p : out.positions) {
        const Vec3f q = yUpFromVolume(p);
        p = {q.x * s, q.y * s, q.z * s};
    }
    if (placement.origin == Origin::Plate && !out.positions.empty()) {
        float lo[3], hi[3];
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::numeric_limits<float>::infinity();
            hi[i] = -lo[i];
        }
        for (const Vec3f& p : out.positions) {
            const float c[3] = {p.x, p.y, p.z};
            for (int i = 0; i < 3; ++i) {
                lo[i] = std::min(lo[i], c[i]);
                hi[i] = std::max(hi[i], c[i]);
            }
        }
        const float dx = -(lo[0] + hi[0]) / 2, dy = -lo[1], dz = -(lo[2] + hi[2]) / 2;
        for (Vec3f& p : out.positions) p = {p.x + dx + 0.0f, p.y + dy + 0.0f, p.z + dz + 0.0f};
    }
    // The frame change is a mirror of the numbers: windings turn the other way.
    for (size_t t = 0; t < out.triangles.size(); t += 3)
        std::swap(out.triangles[t + 1], out.triangles[t + 2]);
    for (Vec3f& n : out.faceNormals) n = yUpFromVolume(n);
    for (Vec3f& n : out.vertexNormals) n = yUpFromVolume(n);
}

}  // namespace

SolidMesh buildSolidMesh(const ExtractedMesh& mesh, Surface surface, const MeshPlacement& placement,
                         SolidMeshReport* report) {
    WeldedMesh welded = weldVertices(mesh);
    SolidMesh out;
    const size_t triangleCount = welded.sourceTriangles.size();
    out.materials.resize(triangleCount);
    for (size_t t = 0; t < triangleCount; ++t)
        out.materials[t] = triangleMaterial(mesh, welded.sourceTriangles[t]);

    uint32_t splitVertices = 0;
    if (surface == Surface::Cubic) {
        std::vector<uint8_t> axes(triangleCount);
        out.faceNormals.resize(triangleCount);
        for (size_t t = 0; t < triangleCount; ++t) {
            const Vec3f& n = mesh.vertices[mesh.indices[3 * welded.sourceTriangles[t]]].normal;
            axes[t] = axisOf(n);
            out.faceNormals[t] = n;
        }
        splitVertices = splitContacts(welded.positions, welded.triangles, axes).splitVertices;
    } else {
        out.vertexNormals.resize(welded.positions.size());
        for (size_t v = 0; v < welded.positions.size(); ++v)
            out.vertexNormals[v] = mesh.vertices[welded.sourceVertices[v]].normal;
    }
    out.positions = std::move(welded.positions);
    out.triangles = std::move(welded.triangles);
    place(out, placement);
    if (report) {
        report->splitVertices = splitVertices;
        report->openEdges = countOpenEdges(out.triangles);
    }
    return out;
}

SolidMesh solidMeshOfVolume(const VoxelVolume& volume, Surface surface,
                            const MeshPlacement& placement, SolidMeshReport* report) {
    ExtractedMesh mesh;
    extractForExport(volume, surface, mesh);
    return buildSolidMesh(mesh, surface, placement, report);
}

uint32_t countOpenEdges(const std::vector<uint32_t>& triangles) {
    std::vector<uint64_t> edges;
    edges.reserve(triangles.size());
    for (size_t t = 0; t < triangles.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            const uint64_t a = triangles[t + k], b = triangles[t + (k + 1) % 3];
            edges.push_back(a < b ? (a << 32 | b) : (b << 32 | a));
        }
    std::sort(edges.begin(), edges.end());
    uint32_t open = 0;
    for (size_t i = 0; i < edges.size();) {
        size_t j = i;
        while (j < edges.size() && edges[j] == edges[i]) ++j;
        open += (j - i) != 2;
        i = j;
    }
    return open;
}

}  // namespace cubalorn::exporter

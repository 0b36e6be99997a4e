#include "solid_mesh.h"

#include <algorithm>

#include "contact_split.h"
#include "cubic_surface.h"
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
    placePositions(out.positions, placement);
    // The frame change is a mirror of the numbers: windings turn the other way.
    for (size_t t = 0; t < out.triangles.size(); t += 3)
        std::swap(out.triangles[t + 1], out.triangles[t + 2]);
    // Face axes along z turn round.
    for (uint8_t& a : out.faceAxes) a = a >= 4 ? uint8_t(9 - a) : a;
    for (Vec3f& n : out.vertexNormals) n = yUpFromVolume(n);
}

}  // namespace

void placePositions(std::vector<Vec3f>& positions, const MeshPlacement& placement) {
    const float s = placement.scale;
    auto inFrame = [s](const Vec3f& p) {
        const Vec3f q = yUpFromVolume(p);
        return Vec3f{q.x * s, q.y * s, q.z * s};
    };
    if (placement.origin != Origin::Plate || positions.empty()) {
        for (Vec3f& p : positions) p = inFrame(p);
        return;
    }
    Vec3f lo = inFrame(positions[0]), hi = lo;
    for (const Vec3f& p : positions) {
        const Vec3f q = inFrame(p);
        lo = {std::min(lo.x, q.x), std::min(lo.y, q.y), std::min(lo.z, q.z)};
        hi = {std::max(hi.x, q.x), std::max(hi.y, q.y), std::max(hi.z, q.z)};
    }
    const float dx = -(lo.x + hi.x) / 2, dy = -lo.y, dz = -(lo.z + hi.z) / 2;
    for (Vec3f& p : positions) {
        const Vec3f q = inFrame(p);
        p = {q.x + dx + 0.0f, q.y + dy + 0.0f, q.z + dz + 0.0f};
    }
}

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
        out.faceAxes.resize(triangleCount);
        for (size_t t = 0; t < triangleCount; ++t)
            out.faceAxes[t] =
                axisOf(mesh.vertices[mesh.indices[3 * welded.sourceTriangles[t]]].normal);
        splitVertices =
            splitContacts(welded.positions, welded.triangles, out.faceAxes).splitVertices;
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
    if (surface == Surface::Cubic) return cubicSolidMesh(volume, placement, report);
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

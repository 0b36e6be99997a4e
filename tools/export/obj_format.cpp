// OBJ and its material library, and what the mesh formats share.

#include <array>
#include <charconv>
#include <cstdio>
#include <vector>

#include "mesh_formats.h"
#include "welded_mesh.h"

namespace cubalorn::exporter {

namespace {

// The shortest text that reads back as the same float.
void appendFloat(std::string& out, float v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v + 0.0f);
    out.append(buffer, result.ptr);
}

void appendUint(std::string& out, uint32_t v) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, result.ptr);
}

void appendTriple(std::string& out, const char* keyword, float a, float b, float c) {
    out += keyword;
    out += ' ';
    appendFloat(out, a);
    out += ' ';
    appendFloat(out, b);
    out += ' ';
    appendFloat(out, c);
    out += '\n';
}

uint8_t lowByte(float material) {
    return static_cast<uint8_t>(static_cast<int32_t>(material) & 0xFF);
}

}  // namespace

Rgb exportColour(const Palette& palette, float material) {
    const PaletteEntry& e = palette.entry(lowByte(material));
    return {static_cast<uint8_t>(e.red), static_cast<uint8_t>(e.green),
            static_cast<uint8_t>(e.blue)};
}

uint8_t triangleMaterial(const ExtractedMesh& mesh, size_t triangle) {
    const uint8_t a = lowByte(mesh.vertices[mesh.indices[3 * triangle]].material);
    const uint8_t b = lowByte(mesh.vertices[mesh.indices[3 * triangle + 1]].material);
    const uint8_t c = lowByte(mesh.vertices[mesh.indices[3 * triangle + 2]].material);
    return (a != b && b == c) ? b : a;
}

std::string materialName(uint8_t material) {
    return "m" + std::to_string(material);
}

std::string mtlPathFor(const std::string& objPath) {
    const size_t slash = objPath.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = objPath.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return objPath + ".mtl";
    return objPath.substr(0, dot) + ".mtl";
}

std::array<bool, 256> usedMaterials(const SolidMesh& mesh) {
    std::array<bool, 256> used{};
    for (uint8_t m : mesh.materials) used[m] = true;
    return used;
}

std::string encodeObj(const SolidMesh& mesh, const std::string& mtlFileName) {
    const size_t triangleCount = mesh.triangleCount();
    const bool perFace = !mesh.faceNormals.empty();

    // Normals by value: a cubic surface has six.
    Vec3fNumbering normals(perFace ? 64 : 16);
    std::vector<uint32_t> faceNormal;
    if (perFace) {
        faceNormal.resize(triangleCount);
        for (size_t t = 0; t < triangleCount; ++t)
            faceNormal[t] = normals.number(mesh.faceNormals[t]);
    }

    // Faces by material, in mesh order within each material.
    std::array<uint32_t, 257> start{};
    for (uint8_t m : mesh.materials) ++start[m + 1];
    for (int m = 0; m < 256; ++m) start[m + 1] += start[m];
    std::vector<uint32_t> order(triangleCount);
    {
        std::array<uint32_t, 257> next = start;
        for (size_t t = 0; t < triangleCount; ++t)
            order[next[mesh.materials[t]]++] = static_cast<uint32_t>(t);
    }

    std::string out;
    out.reserve(mesh.positions.size() * (perFace ? 30 : 60) + triangleCount * 40 + 256);
    out += "# Cubalorn mesh, y up: ";
    appendUint(out, static_cast<uint32_t>(mesh.positions.size()));
    out += " vertices, ";
    appendUint(out, static_cast<uint32_t>(triangleCount));
    out += " triangles\n";
    out += "mtllib " + mtlFileName + "\n";
    for (const Vec3f& p : mesh.positions) appendTriple(out, "v", p.x, p.y, p.z);
    if (perFace)
        for (const Vec3f& n : normals.values()) appendTriple(out, "vn", n.x, n.y, n.z);
    else
        for (const Vec3f& n : mesh.vertexNormals) appendTriple(out, "vn", n.x, n.y, n.z);

    int current = -1;
    for (uint32_t t : order) {
        if (mesh.materials[t] != current) {
            current = mesh.materials[t];
            out += "usemtl " + materialName(mesh.materials[t]) + "\n";
        }
        out += 'f';
        for (int corner = 0; corner < 3; ++corner) {
            const uint32_t v = mesh.triangles[3 * t + corner];
            out += ' ';
            appendUint(out, v + 1);  // OBJ counts from 1
            out += "//";
            appendUint(out, (perFace ? faceNormal[t] : v) + 1);
        }
        out += '\n';
    }
    return out;
}

std::string encodeMtl(const SolidMesh& mesh, const Palette& palette) {
    const std::array<bool, 256> used = usedMaterials(mesh);
    std::string out = "# Cubalorn palette colours\n";
    for (int m = 0; m < 256; ++m) {
        if (!used[m]) continue;
        const Rgb c = exportColour(palette, static_cast<float>(m));
        char line[128];
        std::snprintf(line, sizeof line,
                      "\nnewmtl %s\nKa 0 0 0\nKd %.6g %.6g %.6g\nKs 0 0 0\nd 1\nillum 1\n",
                      materialName(static_cast<uint8_t>(m)).c_str(), c[0] / 255.0, c[1] / 255.0,
                      c[2] / 255.0);
        out += line;
    }
    return out;
}

}  // namespace cubalorn::exporter

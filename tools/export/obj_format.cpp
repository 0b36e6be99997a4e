// OBJ and its material library, and what the mesh formats share.

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "mesh_formats.h"
#include "number_text.h"

namespace cubalorn::exporter {

namespace {

void appendUint(std::string& out, uint32_t v) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, result.ptr);
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

void writeObj(const SolidMesh& mesh, const std::string& mtlFileName, ChunkWriter& out) {
    const size_t triangleCount = mesh.triangleCount();
    const bool perFace = !mesh.faceAxes.empty();

    // A cubic surface's normals (at most six), numbered in order of first use.
    std::vector<Vec3f> normals;
    std::array<uint8_t, 6> normalOfAxis{};
    if (perFace) {
        std::array<bool, 6> seen{};
        for (uint8_t a : mesh.faceAxes) {
            if (seen[a]) continue;
            seen[a] = true;
            normalOfAxis[a] = uint8_t(normals.size());
            normals.push_back(axisNormal(a));
        }
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

    std::string head = "# Cubalorn mesh, y up: ";
    appendUint(head, static_cast<uint32_t>(mesh.positions.size()));
    head += " vertices, ";
    appendUint(head, static_cast<uint32_t>(triangleCount));
    head += " triangles\nmtllib " + mtlFileName + "\n";
    out.append(head);
    CoordinateTexts coordinate;
    auto triples = [&](const char* keyword, const std::vector<Vec3f>& values) {
        const size_t keywordSize = std::strlen(keyword);
        writeRecords(out, 0, values.size(), keywordSize + 3 * (kMaxFloatText + 1) + 8,
                     [&](char* p, size_t i) {
                         const Vec3f& v = values[i];
                         std::memcpy(p, keyword, keywordSize);
                         p += keywordSize;
                         *p++ = ' ';
                         p = coordinate.put(p, v.x);
                         *p++ = ' ';
                         p = coordinate.put(p, v.y);
                         *p++ = ' ';
                         p = coordinate.put(p, v.z);
                         *p++ = '\n';
                         return p;
                     });
    };
    triples("v", mesh.positions);
    triples("vn", perFace ? normals : mesh.vertexNormals);

    // Each vertex number is written about six times: its text is made once.
    const UintTexts vertexText(1, mesh.positions.size());  // OBJ counts from 1
    for (int m = 0; m < 256; ++m) {
        if (start[m] == start[m + 1]) continue;
        out.append("usemtl " + materialName(uint8_t(m)) + "\n");
        writeRecords(out, start[m], start[m + 1], 1 + 3 * (3 + 2 * kMaxUintText) + 2,
                     [&](char* p, size_t k) {
                         const uint32_t t = order[k];
                         *p++ = 'f';
                         for (int corner = 0; corner < 3; ++corner) {
                             const uint32_t v = mesh.triangles[3 * t + corner];
                             *p++ = ' ';
                             p = vertexText.put(p, v + 1);
                             *p++ = '/';
                             *p++ = '/';
                             if (perFace)
                                 *p++ = char('1' + normalOfAxis[mesh.faceAxes[t]]);
                             else
                                 p = vertexText.put(p, v + 1);
                         }
                         *p++ = '\n';
                         return p;
                     });
    }
}

std::string encodeObj(const SolidMesh& mesh, const std::string& mtlFileName) {
    return encodeToString([&](ChunkWriter& out) { writeObj(mesh, mtlFileName, out); });
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

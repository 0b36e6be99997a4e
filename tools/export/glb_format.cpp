#include "glb_format.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "byte_buffer.h"
#include "mesh_formats.h"

namespace cubalorn::exporter {

namespace {

constexpr uint32_t kArrayBuffer = 34962, kElementArrayBuffer = 34963;
constexpr uint32_t kFloat = 5126, kUnsignedInt = 5125;

struct Primitive {
    uint8_t material;
    uint32_t firstVertex, vertexCount;
    uint32_t firstIndex, indexCount;
    float lo[3], hi[3];
};

// What the file holds, gathered before any byte is written: the GLB header
// needs every length first.
struct Layout {
    std::vector<Vec3f> positions;
    std::vector<Vec3f> normals;
    std::vector<uint32_t> indices;  // relative to their primitive's first vertex
    std::vector<Primitive> primitives;
};

Vec3f unit(const Vec3f& n) {
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(length > 0)) return {0, 1, 0};
    return {n.x / length, n.y / length, n.z / length};
}

// 0..5 for the six axis normals of a cubic surface.
uint32_t axisOf(const Vec3f& n) {
    if (n.x != 0) return n.x > 0 ? 0 : 1;
    if (n.y != 0) return n.y > 0 ? 2 : 3;
    return n.z > 0 ? 4 : 5;
}

Layout layOut(const SolidMesh& mesh) {
    Layout l;
    const size_t triangleCount = mesh.triangleCount();
    const bool perFace = !mesh.faceNormals.empty();
    // Triangles by material.
    std::array<uint32_t, 257> start{};
    for (uint8_t m : mesh.materials) ++start[m + 1];
    for (int m = 0; m < 256; ++m) start[m + 1] += start[m];
    std::vector<uint32_t> order(triangleCount);
    {
        std::array<uint32_t, 257> next = start;
        for (size_t t = 0; t < triangleCount; ++t) order[next[mesh.materials[t]]++] = uint32_t(t);
    }
    // A vertex of the file is a mesh vertex with one normal, in one primitive.
    const uint32_t keys = perFace ? 6 : 1;
    std::vector<uint32_t> slot(mesh.positions.size() * keys);
    std::vector<uint16_t> slotPrimitive(slot.size(), 0);  // primitive number + 1 owning the slot
    l.positions.reserve(mesh.positions.size());
    l.indices.reserve(mesh.triangles.size());
    for (int m = 0; m < 256; ++m) {
        if (start[m] == start[m + 1]) continue;
        Primitive p{uint8_t(m), uint32_t(l.positions.size()), 0, uint32_t(l.indices.size()), 0, {},
                    {}};
        const uint16_t stamp = uint16_t(l.primitives.size() + 1);
        for (int i = 0; i < 3; ++i) {
            p.lo[i] = std::numeric_limits<float>::infinity();
            p.hi[i] = -p.lo[i];
        }
        for (uint32_t k = start[m]; k < start[m + 1]; ++k) {
            const uint32_t t = order[k];
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = mesh.triangles[3 * t + c];
                const size_t key = size_t(v) * keys + (perFace ? axisOf(mesh.faceNormals[t]) : 0);
                if (slotPrimitive[key] != stamp) {
                    slotPrimitive[key] = stamp;
                    slot[key] = uint32_t(l.positions.size()) - p.firstVertex;
                    const Vec3f& pos = mesh.positions[v];
                    l.positions.push_back(pos);
                    l.normals.push_back(
                        unit(perFace ? mesh.faceNormals[t] : mesh.vertexNormals[v]));
                    const float xyz[3] = {pos.x, pos.y, pos.z};
                    for (int i = 0; i < 3; ++i) {
                        p.lo[i] = std::min(p.lo[i], xyz[i]);
                        p.hi[i] = std::max(p.hi[i], xyz[i]);
                    }
                }
                l.indices.push_back(slot[key]);
            }
        }
        p.vertexCount = uint32_t(l.positions.size()) - p.firstVertex;
        p.indexCount = uint32_t(l.indices.size()) - p.firstIndex;
        l.primitives.push_back(p);
    }
    return l;
}

void appendNumber(std::string& out, double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", v + 0.0);
    out += buffer;
}

std::string jsonOf(const Layout& l, const Palette& palette, uint32_t binaryLength) {
    std::string j = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Cubalorn\"},\"scene\":0,";
    if (l.primitives.empty()) return j + "\"scenes\":[{\"name\":\"empty\"}]}";
    j += "\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0,\"name\":\"sculpture\"}],";
    const size_t positionBytes = l.positions.size() * 12;
    const size_t indexBytes = l.indices.size() * 4;
    j += "\"buffers\":[{\"byteLength\":" + std::to_string(binaryLength) + "}],";
    j += "\"bufferViews\":[";
    // Each primitive's accessors start inside the shared views: the stride must be given.
    j += "{\"buffer\":0,\"byteOffset\":0,\"byteLength\":" + std::to_string(positionBytes) +
         ",\"byteStride\":12,\"target\":" + std::to_string(kArrayBuffer) + "},";
    j += "{\"buffer\":0,\"byteOffset\":" + std::to_string(positionBytes) +
         ",\"byteLength\":" + std::to_string(positionBytes) +
         ",\"byteStride\":12,\"target\":" + std::to_string(kArrayBuffer) + "},";
    j += "{\"buffer\":0,\"byteOffset\":" + std::to_string(2 * positionBytes) +
         ",\"byteLength\":" + std::to_string(indexBytes) +
         ",\"target\":" + std::to_string(kElementArrayBuffer) + "}],";
    std::string accessors = "\"accessors\":[", primitives = "\"meshes\":[{\"primitives\":[",
                materials = "\"materials\":[";
    for (size_t k = 0; k < l.primitives.size(); ++k) {
        const Primitive& p = l.primitives[k];
        const std::string sep = k ? "," : "";
        const std::string vertexOffset = std::to_string(size_t(p.firstVertex) * 12);
        accessors += sep + "{\"bufferView\":0,\"byteOffset\":" + vertexOffset +
                     ",\"componentType\":" + std::to_string(kFloat) +
                     ",\"count\":" + std::to_string(p.vertexCount) + ",\"type\":\"VEC3\",\"min\":[";
        for (int i = 0; i < 3; ++i) {
            if (i) accessors += ",";
            appendNumber(accessors, p.lo[i]);
        }
        accessors += "],\"max\":[";
        for (int i = 0; i < 3; ++i) {
            if (i) accessors += ",";
            appendNumber(accessors, p.hi[i]);
        }
        accessors += "]},{\"bufferView\":1,\"byteOffset\":" + vertexOffset +
                     ",\"componentType\":" + std::to_string(kFloat) +
                     ",\"count\":" + std::to_string(p.vertexCount) + ",\"type\":\"VEC3\"}";
        accessors +=
            ",{\"bufferView\":2,\"byteOffset\":" + std::to_string(size_t(p.firstIndex) * 4) +
            ",\"componentType\":" + std::to_string(kUnsignedInt) +
            ",\"count\":" + std::to_string(p.indexCount) + ",\"type\":\"SCALAR\"}";
        const std::string a = std::to_string(3 * k);
        primitives += sep + "{\"attributes\":{\"POSITION\":" + a +
                      ",\"NORMAL\":" + std::to_string(3 * k + 1) +
                      "},\"indices\":" + std::to_string(3 * k + 2) +
                      ",\"material\":" + std::to_string(k) + ",\"mode\":4}";
        const Rgb c = exportColour(palette, float(p.material));
        materials += sep + "{\"name\":\"" + materialName(p.material) +
                     "\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[";
        for (int i = 0; i < 3; ++i) {
            appendNumber(materials, linearFromSrgb(c[i]));
            materials += ",";
        }
        materials += "1],\"metallicFactor\":0,\"roughnessFactor\":1}}";
    }
    j += accessors + "]," + primitives + "]}]," + materials + "]}";
    return j;
}

}  // namespace

float linearFromSrgb(uint8_t channel) {
    const double c = channel / 255.0;
    return float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

void writeGlb(const SolidMesh& mesh, const Palette& palette, ChunkWriter& out) {
    const Layout l = layOut(mesh);
    const uint32_t binaryLength = uint32_t(l.positions.size() * 24 + l.indices.size() * 4);
    std::string json = jsonOf(l, palette, binaryLength);
    json.append((4 - json.size() % 4) % 4, ' ');  // chunks are 4-byte aligned
    const bool hasBinary = binaryLength > 0;
    const uint32_t total = 12 + 8 + uint32_t(json.size()) + (hasBinary ? 8 + binaryLength : 0);

    char header[20];
    char* p = putU32(header, 0x46546C67);  // "glTF"
    p = putU32(p, 2);
    p = putU32(p, total);
    p = putU32(p, uint32_t(json.size()));
    putU32(p, 0x4E4F534A);  // "JSON"
    out.append(std::string_view(header, sizeof header));
    out.append(json);
    if (!hasBinary) return;
    char binaryHeader[8];
    putU32(putU32(binaryHeader, binaryLength), 0x004E4942);  // "BIN\0"
    out.append(std::string_view(binaryHeader, sizeof binaryHeader));
    for (const std::vector<Vec3f>* list : {&l.positions, &l.normals})
        for (const Vec3f& v : *list) {
            char* w = out.reserve(12);
            w = putF32(w, v.x);
            w = putF32(w, v.y);
            w = putF32(w, v.z);
            out.commit(w);
        }
    for (uint32_t i : l.indices) out.commit(putU32(out.reserve(4), i));
}

std::string encodeGlb(const SolidMesh& mesh, const Palette& palette) {
    return encodeToString([&](ChunkWriter& out) { writeGlb(mesh, palette, out); });
}

}  // namespace cubalorn::exporter

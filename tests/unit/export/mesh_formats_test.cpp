// OBJ, MTL, PLY and STL read back by the test's own readers and compared
// with the extracted mesh and the palette they came from.

#include "export/mesh_formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "export/export_mesh.h"
#include "readers.h"
#include "test_volumes.h"
#include "voxel/random.h"

namespace cubalorn::export_test {
namespace {

using exporter::Surface;

// A triangle as three corners, for comparing files with meshes regardless of
// how vertices were numbered. Rotated so the smallest corner comes first
// (winding kept).
using Corners = std::array<Float3, 3>;

Corners canonical(Corners c) {
    const size_t first = std::min_element(c.begin(), c.end()) - c.begin();
    std::rotate(c.begin(), c.begin() + first, c.end());
    return c;
}

struct Tagged {
    Corners corners;
    std::string tag;  // material or normal, as text
    bool operator<(const Tagged& o) const {
        if (corners != o.corners) return corners < o.corners;
        return tag < o.tag;
    }
    bool operator==(const Tagged& o) const { return corners == o.corners && tag == o.tag; }
};

Float3 scaled(const Vec3f& p, float s) {
    return {p.x * s, p.y * s, p.z * s};
}

struct Sculpture {
    const char* name;
    std::vector<Cell> cells;
    Surface surface;
    float scale;
};

void PrintTo(const Sculpture& s, std::ostream* os) {
    *os << s.name;
}

const Sculpture kSculptures[] = {
    {"OneVoxel", box(3, 4, 5, 1, 1, 1, 3), Surface::Cubic, 1.0f},
    {"TwoMaterialsHalfScale", join(box(2, 2, 2, 2, 2, 2, 9), box(4, 2, 2, 2, 3, 2, 40)),
     Surface::Cubic, 0.5f},
    {"BallScaled", ball(8, 8, 8, 4, 21), Surface::Cubic, 2.5f},
    {"RandomColourMaterial", box(1, 1, 1, 2, 1, 1, 255), Surface::Cubic, 1.0f},
    {"SmoothBall", ball(8, 8, 8, 4, 21), Surface::Smooth, 1.0f},
    {"SmoothMaterials", join(box(5, 5, 5, 2, 2, 2, 3), box(7, 5, 5, 2, 2, 2, 9)), Surface::Smooth,
     3.0f},
};

class MeshFormats : public ::testing::TestWithParam<Sculpture> {
protected:
    void SetUp() override {
        draw(volume, GetParam().cells);
        palette.initPalette(random);
        // Only the low byte of a channel counts.
        palette.setPaletteEntry(9, 256 + 10, 20, 30);
        exporter::extractForExport(volume, GetParam().surface, mesh);
        ASSERT_FALSE(mesh.indices.empty());
    }
    // The extracted triangles, each tagged by `tagOf` (vertex index -> text).
    template <typename Tag>
    std::vector<Tagged> meshTriangles(float scale, Tag tagOf) const {
        std::vector<Tagged> out;
        for (size_t i = 0; i < mesh.indices.size(); i += 3) {
            Corners c;
            for (int k = 0; k < 3; ++k)
                c[k] = scaled(mesh.vertices[mesh.indices[i + k]].pos, scale);
            out.push_back({canonical(c), tagOf(i)});
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    VoxelVolume volume{Region{{0, 0, 0}, {16, 16, 16}}, 32};
    Random random;
    Palette palette;
    ExtractedMesh mesh;
};

std::string rgbText(const uint8_t* c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
}

TEST_P(MeshFormats, ObjHoldsEveryTriangleWithItsMaterial) {
    const float scale = GetParam().scale;
    const ObjFile obj = readObj(exporter::encodeObj(mesh, "sculpture.mtl", scale));
    ASSERT_TRUE(obj.ok);
    EXPECT_EQ(obj.mtllib, "sculpture.mtl");

    // Positions are welded: no two alike.
    std::vector<Float3> sorted = obj.positions;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());

    std::vector<Tagged> fromFile;
    for (const ObjFace& f : obj.faces) {
        Corners c;
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(f.position[k], 1);
            ASSERT_LE(size_t(f.position[k]), obj.positions.size());
            c[k] = obj.positions[f.position[k] - 1];
        }
        fromFile.push_back({canonical(c), f.material});
    }
    std::sort(fromFile.begin(), fromFile.end());
    const auto expected = meshTriangles(scale, [&](size_t i) {
        return exporter::materialName(exporter::triangleMaterial(mesh, i / 3));
    });
    EXPECT_EQ(fromFile, expected);
}

TEST_P(MeshFormats, ObjNormalsAreTheMeshNormals) {
    const ObjFile obj = readObj(exporter::encodeObj(mesh, "m.mtl", 1.0f));
    ASSERT_EQ(obj.faces.size() * 3, mesh.indices.size());
    std::vector<std::array<Float3, 3>> fileNormals, meshNormals;
    for (const ObjFace& f : obj.faces) {
        std::array<Float3, 3> n;
        for (int k = 0; k < 3; ++k) {
            ASSERT_LE(size_t(f.normal[k]), obj.normals.size());
            n[k] = obj.normals[f.normal[k] - 1];
        }
        fileNormals.push_back(n);
    }
    for (size_t i = 0; i < mesh.indices.size(); i += 3) {
        std::array<Float3, 3> n;
        for (int k = 0; k < 3; ++k) n[k] = scaled(mesh.vertices[mesh.indices[i + k]].normal, 1);
        meshNormals.push_back(n);
    }
    std::sort(fileNormals.begin(), fileNormals.end());
    std::sort(meshNormals.begin(), meshNormals.end());
    EXPECT_EQ(fileNormals, meshNormals);
}

TEST_P(MeshFormats, MtlGivesEachUsedMaterialItsPaletteColour) {
    const auto colours = readMtlColours(exporter::encodeMtl(mesh, palette));
    std::set<std::string> used;
    for (size_t t = 0; t < mesh.indices.size() / 3; ++t)
        used.insert(exporter::materialName(exporter::triangleMaterial(mesh, t)));
    ASSERT_EQ(colours.size(), used.size());
    for (const auto& [name, kd] : colours) {
        ASSERT_TRUE(used.count(name)) << name;
        const PaletteEntry& e = palette.entry(static_cast<uint8_t>(std::stoi(name.substr(1))));
        EXPECT_EQ(std::lround(kd.x * 255), e.red & 0xFF) << name;
        EXPECT_EQ(std::lround(kd.y * 255), e.green & 0xFF) << name;
        EXPECT_EQ(std::lround(kd.z * 255), e.blue & 0xFF) << name;
    }
}

TEST_P(MeshFormats, PlyKeepsEveryVertexWithItsColour) {
    const float scale = GetParam().scale;
    const PlyFile ply = readPly(exporter::encodePly(mesh, palette, scale));
    ASSERT_TRUE(ply.ok);
    ASSERT_EQ(ply.vertices.size(), mesh.vertices.size());
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        const MeshVertex& v = mesh.vertices[i];
        EXPECT_EQ(ply.vertices[i].pos, scaled(v.pos, scale)) << i;
        EXPECT_EQ(ply.vertices[i].normal, scaled(v.normal, 1)) << i;
        const PaletteEntry& e = palette.entry(static_cast<uint8_t>(v.material));
        const uint8_t expected[3] = {uint8_t(e.red), uint8_t(e.green), uint8_t(e.blue)};
        ASSERT_EQ(rgbText(ply.vertices[i].rgb), rgbText(expected)) << i;
    }
    ASSERT_EQ(ply.faces.size() * 3, mesh.indices.size());
    for (size_t f = 0; f < ply.faces.size(); ++f) {
        const std::vector<uint32_t> expected(mesh.indices.begin() + 3 * f,
                                             mesh.indices.begin() + 3 * f + 3);
        ASSERT_EQ(ply.faces[f], expected) << f;
    }
}

TEST_P(MeshFormats, StlIsTheWeldedMeshStandingZUp) {
    const float scale = GetParam().scale;
    const StlFile stl = readStl(exporter::encodeStl(mesh, scale));
    ASSERT_TRUE(stl.ok);
    EXPECT_NE(stl.header.rfind("solid", 0), 0u);
    std::vector<Tagged> fromFile;
    for (const StlFacet& f : stl.facets) {
        Corners c;
        for (int k = 0; k < 3; ++k) c[k] = f.corner[k];
        // The facet normal is a unit vector that agrees with the winding.
        const double ux = c[1].x - c[0].x, uy = c[1].y - c[0].y, uz = c[1].z - c[0].z;
        const double vx = c[2].x - c[0].x, vy = c[2].y - c[0].y, vz = c[2].z - c[0].z;
        const double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
        const double length = std::sqrt(cx * cx + cy * cy + cz * cz);
        ASSERT_GT(length, 0);
        EXPECT_NEAR(f.normal.x, cx / length, 1e-5);
        EXPECT_NEAR(f.normal.y, cy / length, 1e-5);
        EXPECT_NEAR(f.normal.z, cz / length, 1e-5);
        fromFile.push_back({canonical(c), ""});
    }
    std::sort(fromFile.begin(), fromFile.end());
    // The volume's y is the file's z; its z runs along the file's -y.
    std::vector<Tagged> expected;
    for (size_t i = 0; i < mesh.indices.size(); i += 3) {
        Corners c;
        for (int k = 0; k < 3; ++k) {
            const Vec3f& p = mesh.vertices[mesh.indices[i + k]].pos;
            c[k] = {p.x * scale, -p.z * scale + 0.0f, p.y * scale};
        }
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;  // collapsed by welding
        expected.push_back({canonical(c), ""});
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(fromFile, expected);
    // Cubes turned upright: the facet normals of a cubic mesh are the mesh's
    // own normals turned the same way.
    if (GetParam().surface == Surface::Cubic) {
        std::vector<Float3> normals, turned;
        for (const StlFacet& f : stl.facets) normals.push_back(f.normal);
        for (size_t i = 0; i < mesh.indices.size(); i += 3) {
            const Vec3f& n = mesh.vertices[mesh.indices[i]].normal;
            turned.push_back({n.x, -n.z + 0.0f, n.y});
        }
        for (Float3& n : normals) n = {n.x + 0.0f, n.y + 0.0f, n.z + 0.0f};
        std::sort(normals.begin(), normals.end());
        std::sort(turned.begin(), turned.end());
        EXPECT_EQ(normals, turned);
    }
}

INSTANTIATE_TEST_SUITE_P(Sculptures, MeshFormats, ::testing::ValuesIn(kSculptures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MeshFormats, EmptyMeshGivesValidEmptyFiles) {
    ExtractedMesh mesh;
    Random random;
    Palette palette;
    palette.initPalette(random);
    const PlyFile ply = readPly(exporter::encodePly(mesh, palette, 1));
    EXPECT_TRUE(ply.ok);
    EXPECT_TRUE(ply.vertices.empty());
    const StlFile stl = readStl(exporter::encodeStl(mesh, 1));
    EXPECT_TRUE(stl.ok);
    EXPECT_TRUE(stl.facets.empty());
    const ObjFile obj = readObj(exporter::encodeObj(mesh, "e.mtl", 1));
    EXPECT_TRUE(obj.ok);
    EXPECT_TRUE(obj.faces.empty());
    EXPECT_TRUE(readMtlColours(exporter::encodeMtl(mesh, palette)).empty());
}

TEST(MeshFormats, ColourOfAFractionalMaterialIsItsWholePart) {
    Random random;
    Palette palette;
    palette.initPalette(random);
    const struct {
        float material;
        exporter::Rgb colour;
    } cases[] = {
        {3.9f, {183, 183, 183}}, {9.0f, {255, 0, 0}}, {64.5f, {255, 0, 255}}, {65.0f, {0, 0, 0}}};
    for (const auto& c : cases)
        EXPECT_EQ(exporter::exportColour(palette, c.material), c.colour) << c.material;
    // Material 255 exports its stored entry, the same colour every time.
    const PaletteEntry& e = palette.entry(255);
    EXPECT_EQ(exporter::exportColour(palette, 255.0f),
              (exporter::Rgb{uint8_t(e.red), uint8_t(e.green), uint8_t(e.blue)}));
}

TEST(MeshFormats, MaterialLibraryNameFollowsTheObjName) {
    const struct {
        const char* obj;
        const char* mtl;
    } cases[] = {
        {"statue.obj", "statue.mtl"},
        {"out/statue.obj", "out/statue.mtl"},
        {"statue", "statue.mtl"},
        {"dir.v2/statue", "dir.v2/statue.mtl"},
        {"a.b.obj", "a.b.mtl"},
        {"out/.obj", "out/.obj.mtl"},
        {"/abs/path/x.OBJ", "/abs/path/x.mtl"},
    };
    for (const auto& c : cases) EXPECT_EQ(exporter::mtlPathFor(c.obj), c.mtl) << c.obj;
}

}  // namespace
}  // namespace cubalorn::export_test

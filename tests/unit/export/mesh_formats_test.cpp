// Every mesh format read back by the test's own readers: the same triangles
// as the surface they came from, in the format's frame, with their colours,
// manifold as a slicer welds it, wound outward, and the handedness the window
// shows.

#include "export/mesh_formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "export/glb_format.h"
#include "export/threemf_format.h"
#include "export/vox_format.h"
#include "mesh_check.h"
#include "package_readers.h"
#include "readers.h"
#include "test_volumes.h"
#include "voxel/random.h"

namespace cubalorn::export_test {
namespace {

using exporter::MeshPlacement;
using exporter::Origin;
using exporter::SolidMesh;
using exporter::Surface;
using Rgb = std::array<uint8_t, 3>;

enum class Format { Obj, Ply, Stl, ThreeMf, Glb };
const Format kFormats[] = {Format::Obj, Format::Ply, Format::Stl, Format::ThreeMf, Format::Glb};
const char* nameOf(Format f) {
    const char* names[] = {"OBJ", "PLY", "STL", "3MF", "GLB"};
    return names[int(f)];
}
bool zUp(Format f) {
    return f == Format::Stl || f == Format::ThreeMf;
}

// A file read back: triangles over positions, a colour per triangle (none
// for STL), and the normals the file gives per triangle corner, if any.
struct FileMesh {
    std::string error;
    TriangleSoup soup;
    std::vector<Rgb> colours;
    std::vector<Float3> cornerNormals;
};

FileMesh failed(std::string why) {
    FileMesh f;
    f.error = std::move(why);
    return f;
}

FileMesh readBack(Format format, const SolidMesh& mesh, const Palette& palette) {
    FileMesh f;
    switch (format) {
        case Format::Obj: {
            const ObjFile obj = readObj(exporter::encodeObj(mesh, "m.mtl"));
            const auto kd = readMtlColours(exporter::encodeMtl(mesh, palette));
            if (!obj.ok || obj.mtllib != "m.mtl") f.error = "OBJ";
            f.soup.positions = obj.positions;
            for (const ObjFace& face : obj.faces) {
                for (int k = 0; k < 3; ++k) {
                    if (face.position[k] < 1 || size_t(face.position[k]) > obj.positions.size() ||
                        face.normal[k] < 1 || size_t(face.normal[k]) > obj.normals.size())
                        return failed("OBJ index out of range");
                    f.soup.triangles.push_back(uint32_t(face.position[k] - 1));
                    f.cornerNormals.push_back(obj.normals[face.normal[k] - 1]);
                }
                if (!kd.count(face.material)) return failed("OBJ material without colour");
                const Float3 c = kd.at(face.material);
                f.colours.push_back({uint8_t(std::lround(c.x * 255)),
                                     uint8_t(std::lround(c.y * 255)),
                                     uint8_t(std::lround(c.z * 255))});
            }
            break;
        }
        case Format::Ply: {
            const PlyFile ply = readPly(exporter::encodePly(mesh, palette));
            if (!ply.ok) return failed("PLY");
            // Written once per (position, colour): no two records alike.
            std::set<std::pair<Float3, Rgb>> records;
            for (const PlyVertex& v : ply.vertices) {
                f.soup.positions.push_back(v.pos);
                if (!records.insert({v.pos, {v.rgb[0], v.rgb[1], v.rgb[2]}}).second)
                    return failed("PLY vertex written twice");
            }
            for (const auto& face : ply.faces) {
                if (face.size() != 3) return failed("PLY face not a triangle");
                const PlyVertex& first = ply.vertices.at(face[0]);
                for (uint32_t v : face) {
                    const PlyVertex& corner = ply.vertices.at(v);
                    if (!std::equal(corner.rgb, corner.rgb + 3, first.rgb))
                        return failed("PLY triangle of several colours");
                    f.soup.triangles.push_back(v);
                    if (ply.hasNormals) f.cornerNormals.push_back(corner.normal);
                }
                f.colours.push_back({first.rgb[0], first.rgb[1], first.rgb[2]});
            }
            break;
        }
        case Format::Stl: {
            const StlFile stl = readStl(exporter::encodeStl(mesh));
            if (!stl.ok || stl.header.rfind("solid", 0) == 0) return failed("STL");
            for (const StlFacet& facet : stl.facets) {
                f.soup.add(facet.corner[0], facet.corner[1], facet.corner[2]);
                // The facet normal is the winding's, of unit length.
                const Float3* c = facet.corner;
                const double ux = c[1].x - c[0].x, uy = c[1].y - c[0].y, uz = c[1].z - c[0].z;
                const double vx = c[2].x - c[0].x, vy = c[2].y - c[0].y, vz = c[2].z - c[0].z;
                const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
                const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
                if (!(length > 0) || std::fabs(facet.normal.x - nx / length) > 1e-5 ||
                    std::fabs(facet.normal.y - ny / length) > 1e-5 ||
                    std::fabs(facet.normal.z - nz / length) > 1e-5)
                    return failed("STL facet normal disagrees with its winding");
            }
            break;
        }
        case Format::ThreeMf: {
            std::string bytes, error;
            if (!exporter::encode3mf(mesh, palette, bytes, error)) return failed(error);
            const ThreeMfPackage package = unzip3mf(bytes);
            if (!package.ok) return failed(package.error);
            if (package.names != std::vector<std::string>{"[Content_Types].xml", "_rels/.rels",
                                                          "3D/3dmodel.model"} ||
                package.relationships.find("Target=\"/3D/3dmodel.model\"") == std::string::npos ||
                package.model.find("unit=\"millimeter\"") == std::string::npos)
                return failed("3MF package layout");
            const ColouredMesh m = read3mfModel(package.model);
            if (!m.ok) return failed(m.error);
            f.soup.positions = m.positions;
            f.soup.triangles = m.triangles;
            f.colours = m.triangleColours;
            break;
        }
        case Format::Glb: {
            const ColouredMesh m = readGlb(exporter::encodeGlb(mesh, palette));
            if (!m.ok) return failed(m.error);
            f.soup.positions = m.positions;
            f.soup.triangles = m.triangles;
            f.colours = m.triangleColours;
            for (uint32_t v : m.triangles) f.cornerNormals.push_back(m.normals.at(v));
            break;
        }
    }
    return f;
}

Float3 inFrame(Format format, const Vec3f& yUp) {
    const Vec3f p = zUp(format) ? exporter::zUpFromYUp(yUp) : yUp;
    return {p.x, p.y, p.z};
}

// A triangle as its corners, turned so the smallest comes first (winding kept),
// with its colour: comparable whatever the vertex numbering.
using Triangle = std::pair<std::array<Float3, 3>, Rgb>;

Triangle canonical(std::array<Float3, 3> c, Rgb colour) {
    const size_t first = std::min_element(c.begin(), c.end()) - c.begin();
    std::rotate(c.begin(), c.begin() + first, c.end());
    return {c, colour};
}

struct Sculpture {
    const char* name;
    std::vector<Cell> cells;
    Surface surface;
    MeshPlacement placement;
};

void PrintTo(const Sculpture& s, std::ostream* os) {
    *os << s.name;
}

const Sculpture kSculptures[] = {
    {"OneVoxel", box(3, 4, 5, 1, 1, 1, 3), Surface::Cubic, {1, Origin::Plate}},
    {"TwoMaterialsHalfScale",
     join(box(2, 2, 2, 2, 2, 2, 9), box(4, 2, 2, 2, 3, 2, 40)),
     Surface::Cubic,
     {0.5f, Origin::Plate}},
    {"BallAtVolumeOrigin", ball(8, 8, 8, 4, 21), Surface::Cubic, {2.5f, Origin::Volume}},
    {"RandomColourMaterial", box(1, 1, 1, 2, 1, 1, 255), Surface::Cubic, {1, Origin::Plate}},
    {"EdgeAndCornerContacts",
     join(join(box(2, 2, 2, 1, 1, 1, 5), box(3, 3, 2, 1, 1, 1, 6)), box(4, 4, 3, 1, 1, 1, 7)),
     Surface::Cubic,
     {1, Origin::Plate}},
    {"SmoothBall", ball(8, 8, 8, 4, 21), Surface::Smooth, {1, Origin::Plate}},
    {"SmoothMaterials",
     join(box(5, 5, 5, 2, 2, 2, 3), box(7, 5, 5, 2, 2, 2, 9)),
     Surface::Smooth,
     {3, Origin::Volume}},
};

class MeshFormats : public ::testing::TestWithParam<Sculpture> {
protected:
    void SetUp() override {
        draw(volume, GetParam().cells);
        palette.initPalette(random);
        palette.setPaletteEntry(9, 256 + 10, 20, 30);  // only the low byte of a channel counts
        mesh = exporter::solidMeshOfVolume(volume, GetParam().surface, GetParam().placement);
        ASSERT_FALSE(mesh.empty());
    }
    Rgb colourOf(uint8_t material) const {
        const PaletteEntry& e = palette.entry(material);
        return {uint8_t(e.red), uint8_t(e.green), uint8_t(e.blue)};
    }

    VoxelVolume volume{Region{{0, 0, 0}, {16, 16, 16}}, 32};
    Random random;
    Palette palette;
    SolidMesh mesh;
};

TEST_P(MeshFormats, EveryFormatHoldsTheSurfaceManifoldAndOutward) {
    for (const Format format : kFormats) {
        SCOPED_TRACE(nameOf(format));
        const FileMesh file = readBack(format, mesh, palette);
        ASSERT_EQ(file.error, "");

        std::vector<Triangle> expected, found;
        for (size_t t = 0; t < mesh.triangleCount(); ++t) {
            std::array<Float3, 3> c;
            for (int k = 0; k < 3; ++k)
                c[k] = inFrame(format, mesh.positions[mesh.triangles[3 * t + k]]);
            expected.push_back(
                canonical(c, format == Format::Stl ? Rgb{} : colourOf(mesh.materials[t])));
        }
        for (size_t t = 0; t < file.soup.triangles.size() / 3; ++t) {
            std::array<Float3, 3> c;
            for (int k = 0; k < 3; ++k)
                c[k] = file.soup.positions.at(file.soup.triangles[3 * t + k]);
            found.push_back(canonical(c, file.colours.empty() ? Rgb{} : file.colours[t]));
        }
        std::sort(expected.begin(), expected.end());
        std::sort(found.begin(), found.end());
        EXPECT_TRUE(found == expected) << found.size() << " triangles for " << expected.size();

        const ManifoldCheck check = checkManifold(file.soup);
        EXPECT_TRUE(check.manifold()) << check.firstProblem;
        const double s = GetParam().placement.scale;
        const double solid = double(solidCells(volume).size()) * s * s * s;
        EXPECT_GT(check.volume, 0.5 * solid) << "wound inward";
        if (GetParam().surface == Surface::Cubic) {  // split corners move a 64th of a voxel
            EXPECT_NEAR(check.volume, solid, 0.002 * solid + 0.1 * s * s * s);
        }

        // Normals point the way the winding does and are of unit length.
        for (size_t c = 0; c < file.cornerNormals.size(); c += 3) {
            const Float3& a = file.soup.positions[file.soup.triangles[c]];
            const Float3& b = file.soup.positions[file.soup.triangles[c + 1]];
            const Float3& d = file.soup.positions[file.soup.triangles[c + 2]];
            const double nx = (b.y - a.y) * (d.z - a.z) - (b.z - a.z) * (d.y - a.y);
            const double ny = (b.z - a.z) * (d.x - a.x) - (b.x - a.x) * (d.z - a.z);
            const double nz = (b.x - a.x) * (d.y - a.y) - (b.y - a.y) * (d.x - a.x);
            for (int k = 0; k < 3; ++k) {
                const Float3& n = file.cornerNormals[c + k];
                ASSERT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0, 1e-4) << c;
                ASSERT_GT(n.x * nx + n.y * ny + n.z * nz, 0)
                    << "normal against the winding at " << c;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sculptures, MeshFormats, ::testing::ValuesIn(kSculptures),
                         [](const auto& info) { return std::string(info.param.name); });

// Arms of 3, 4 and 5 voxels along the volume's +x, +y and +z, read back from
// every file: the triple product of the arms must match the window's.
TEST(MeshFormats, EveryFileKeepsTheHandednessTheWindowShows) {
    VoxelVolume volume(Region{{0, 0, 0}, {12, 12, 12}}, 32);
    draw(volume,
         join(join(box(2, 2, 2, 4, 1, 1, 9), box(2, 2, 2, 1, 5, 1, 9)), box(2, 2, 2, 1, 1, 6, 9)));
    Random random;
    Palette palette;
    palette.initPalette(random);
    const float arms[3] = {3, 4, 5};
    for (const Surface surface : {Surface::Cubic, Surface::Smooth}) {
        const SolidMesh mesh = exporter::solidMeshOfVolume(volume, surface, {1.5f});
        for (const Format format : kFormats) {
            const FileMesh file = readBack(format, mesh, palette);
            ASSERT_EQ(file.error, "") << nameOf(format);
            if (surface == Surface::Cubic) {  // rounded smooth arms have no exact lengths
                EXPECT_EQ(armsHandedness(file.soup.positions, arms, 1.5f), windowHandedness())
                    << nameOf(format);
            }
        }
    }
    std::vector<Float3> voxels;
    for (const VoxWorldVoxel& v : voxWorld(readVox(exporter::encodeVox(volume, palette))))
        voxels.push_back({float(v.x), float(v.y), float(v.z)});
    for (Float3 v : std::vector<Float3>(voxels))  // voxel centres span one less than the cubes
        voxels.push_back({v.x + 1, v.y + 1, v.z + 1});
    EXPECT_EQ(armsHandedness(voxels, arms, 1.0f), windowHandedness()) << ".vox";
}

TEST(MeshFormats, EmptySurfaceGivesValidEmptyFiles) {
    VoxelVolume volume(Region{{0, 0, 0}, {4, 4, 4}}, 32);
    Random random;
    Palette palette;
    palette.initPalette(random);
    const SolidMesh mesh = exporter::solidMeshOfVolume(volume, Surface::Cubic, {});
    ASSERT_TRUE(mesh.empty());
    for (const Format format : kFormats) {
        const FileMesh file = readBack(format, mesh, palette);
        EXPECT_EQ(file.error, "") << nameOf(format);
        EXPECT_TRUE(file.soup.triangles.empty()) << nameOf(format);
    }
    EXPECT_TRUE(readMtlColours(exporter::encodeMtl(mesh, palette)).empty());
}

TEST(MeshFormats, PlyWritesOneVertexPerPositionAndColour) {
    const struct {
        const char* name;
        std::vector<Cell> cells;
        size_t vertices;
    } cases[] = {
        {"OneColourCube", box(2, 2, 2, 2, 2, 2, 5), 26},  // a 3x3x3 lattice less its centre
        {"TwoColours", join(box(2, 2, 2, 1, 1, 1, 5), box(3, 2, 2, 1, 1, 1, 6)), 12 + 4},
        {"EdgeContact", join(box(2, 2, 2, 1, 1, 1, 5), box(3, 3, 2, 1, 1, 1, 5)), 16},
    };
    Random random;
    Palette palette;
    palette.initPalette(random);
    for (const auto& c : cases) {
        VoxelVolume volume(Region{{0, 0, 0}, {8, 8, 8}}, 32);
        draw(volume, c.cells);
        const PlyFile ply = readPly(
            exporter::encodePly(exporter::solidMeshOfVolume(volume, Surface::Cubic, {}), palette));
        ASSERT_TRUE(ply.ok) << c.name;
        EXPECT_FALSE(ply.hasNormals) << c.name;
        EXPECT_EQ(ply.vertices.size(), c.vertices) << c.name;
    }
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

TEST(MeshFormats, GltfColoursAreLinear) {
    const struct {
        uint8_t srgb;
        float linear;
    } cases[] = {{0, 0.0f}, {10, 0.003035f}, {128, 0.215861f}, {255, 1.0f}};
    for (const auto& c : cases)
        EXPECT_NEAR(exporter::linearFromSrgb(c.srgb), c.linear, 1e-6) << int(c.srgb);
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

TEST(MeshFormats, ThreeMfPackageIsTheSameBytesEveryTime) {
    VoxelVolume volume(Region{{0, 0, 0}, {8, 8, 8}}, 32);
    draw(volume, box(1, 1, 1, 3, 2, 1, 4));
    Random random;
    Palette palette;
    palette.initPalette(random);
    const SolidMesh mesh = exporter::solidMeshOfVolume(volume, Surface::Cubic, {});
    std::string first, second, error;
    ASSERT_TRUE(exporter::encode3mf(mesh, palette, first, error)) << error;
    ASSERT_TRUE(exporter::encode3mf(mesh, palette, second, error)) << error;
    EXPECT_TRUE(first == second);
}

}  // namespace
}  // namespace cubalorn::export_test

#include "app/mesh_presentation.h"

#include <gtest/gtest.h>

#include <vector>

#include "null_device.h"

namespace cubalorn {
namespace {

using testing::nullDevice;

MeshVertex vertex(Vec3f pos, Vec3f normal, float material) {
    return MeshVertex{pos, normal, material};
}

TEST(TextureCoordinates, FollowTheDominantAxis) {
    const Vec3f p{1, 2, 3};
    const struct {
        Vec3f normal;
        float u, v;
    } cases[] = {
        {{1, 0, 0}, 2, 3},           {{-1, 0, 0}, 2, 3},      {{0, 1, 0}, 1, 3},
        {{0, -1, 0}, 1, 3},          {{0, 0, 1}, 1, 2},       {{0, 0, -1}, 1, 2},
        {{0.7f, 0.7f, 0}, 1, 2},  // tie: last case
        {{0.7f, 0, -0.7f}, 1, 2},    {{0, 0.6f, 0.6f}, 1, 2}, {{0.9f, 0.3f, 0.3f}, 2, 3},
        {{0.2f, -0.9f, 0.3f}, 1, 3}, {{0, 0, 0}, 1, 2},
    };
    for (const auto& c : cases) {
        const irr::core::vector2df uv = textureCoordinates(p, c.normal);
        EXPECT_EQ(uv.X, c.u) << c.normal.x << " " << c.normal.y << " " << c.normal.z;
        EXPECT_EQ(uv.Y, c.v) << c.normal.x << " " << c.normal.y << " " << c.normal.z;
    }
}

TEST(MaterialIndex, TruncatesAndKeepsLowByte) {
    const struct {
        float material;
        int index;
    } cases[] = {{0.0f, 0},   {3.9f, 3},   {255.0f, 255},          {255.99f, 255},
                 {256.0f, 0}, {257.5f, 1}, {-1.0f, 255},           {-0.5f, 0},
                 {1e20f, 0},  {-1e20f, 0}, {__builtin_nanf(""), 0}};
    for (const auto& c : cases) EXPECT_EQ(materialIndex(c.material), c.index) << c.material;
}

class RebuildTest : public ::testing::Test {
protected:
    void SetUp() override { buffer = createVoxelMeshBuffer(); }
    void TearDown() override { buffer->drop(); }
    irr::scene::CDynamicMeshBuffer* buffer = nullptr;
};

// A palette stand-in: index i gives (i, 2i, 3i), and every lookup is counted.
struct CountingPalette {
    std::vector<int>* asked;
    irr::video::SColor operator()(uint8_t index) const {
        asked->push_back(index);
        return irr::video::SColor(255, index, (index * 2) & 0xFF, (index * 3) & 0xFF);
    }
};

TEST_F(RebuildTest, CopiesVerticesColoursAndIndices) {
    ExtractedMesh mesh;
    mesh.addVertex(vertex({1, 2, 3}, {1, 0, 0}, 3.9f));
    mesh.addVertex(vertex({4, 5, 6}, {0, -1, 0}, 10.0f));
    mesh.addVertex(vertex({7, 8, 9}, {0, 0, 1}, 255.0f));
    mesh.addVertex(vertex({-1, 0, 2}, {0.7f, 0.7f, 0}, 300.0f));
    mesh.addTriangle(0, 1, 2);
    mesh.addTriangle(2, 3, 0);
    std::vector<int> asked;
    irr::scene::CDynamicMeshBuffer& result =
        rebuildMeshBuffer(*buffer, mesh, CountingPalette{&asked});
    EXPECT_EQ(&result, buffer);
    ASSERT_EQ(buffer->getVertexCount(), 4u);
    ASSERT_EQ(buffer->getIndexCount(), 6u);
    EXPECT_EQ(buffer->getIndexType(), irr::video::EIT_32BIT);
    EXPECT_EQ(asked, (std::vector<int>{3, 10, 255, 44}));

    const irr::video::S3DVertex* v =
        static_cast<const irr::video::S3DVertex*>(buffer->getVertices());
    EXPECT_EQ(v[0].Pos, irr::core::vector3df(1, 2, 3));
    EXPECT_EQ(v[0].Normal, irr::core::vector3df(1, 0, 0));
    EXPECT_EQ(v[0].TCoords, irr::core::vector2df(2, 3));
    EXPECT_EQ(v[0].Color, irr::video::SColor(255, 3, 6, 9));
    EXPECT_EQ(v[1].TCoords, irr::core::vector2df(4, 6));
    EXPECT_EQ(v[2].TCoords, irr::core::vector2df(7, 8));
    EXPECT_EQ(v[3].TCoords, irr::core::vector2df(-1, 0));
    EXPECT_EQ(v[3].Color, irr::video::SColor(255, 44, 88, 132));

    const irr::u32* idx = static_cast<const irr::u32*>(buffer->getIndexBuffer().pointer());
    EXPECT_EQ(std::vector<irr::u32>(idx, idx + 6), mesh.indices);

    const irr::core::aabbox3df box = buffer->getBoundingBox();
    EXPECT_EQ(box.MinEdge, irr::core::vector3df(-1, 0, 2));
    EXPECT_EQ(box.MaxEdge, irr::core::vector3df(7, 8, 9));
}

TEST_F(RebuildTest, OcclusionDarkensCornersOnlyWhenAsked) {
    ExtractedMesh mesh;
    const float occlusion[4] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f};
    for (float o : occlusion) {
        MeshVertex v = vertex({0, 0, 0}, {0, 1, 0}, 100);
        v.occlusion = o;
        mesh.addVertex(v);
    }
    const struct {
        float darkening;
        irr::u32 red[4], green[4];  // of (100, 200, 44) at each occlusion
    } cases[] = {
        {0.0f, {100, 100, 100, 100}, {200, 200, 200, 200}},
        {kOcclusionDarkening, {100, 83, 67, 50}, {200, 167, 133, 100}},
        {1.0f, {100, 67, 33, 0}, {200, 133, 67, 0}},
    };
    for (const auto& c : cases) {
        rebuildMeshBuffer(
            *buffer, mesh, [](uint8_t) { return irr::video::SColor(200, 100, 200, 44); },
            c.darkening);
        const irr::video::S3DVertex* v =
            static_cast<const irr::video::S3DVertex*>(buffer->getVertices());
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(v[k].Color.getRed(), c.red[k]) << c.darkening << ", corner " << k;
            EXPECT_EQ(v[k].Color.getGreen(), c.green[k]) << c.darkening << ", corner " << k;
            EXPECT_EQ(v[k].Color.getAlpha(), 200u) << "alpha stays";
        }
    }
}

TEST_F(RebuildTest, RefillsInPlaceAndShrinks) {
    ExtractedMesh big;
    for (int i = 0; i < 300; ++i) big.addVertex(vertex({float(i), 0, 0}, {0, 0, 1}, 1));
    for (uint32_t i = 0; i + 2 < 300; i += 3) big.addTriangle(i, i + 1, i + 2);
    std::vector<int> asked;
    rebuildMeshBuffer(*buffer, big, CountingPalette{&asked});
    // Indices past 65535 must survive: the buffer holds 32-bit indices.
    ExtractedMesh small;
    small.addVertex(vertex({5, 5, 5}, {0, 1, 0}, 2));
    small.indices = {0, 70000, 0};
    rebuildMeshBuffer(*buffer, small, CountingPalette{&asked});
    EXPECT_EQ(buffer->getVertexCount(), 1u);
    ASSERT_EQ(buffer->getIndexCount(), 3u);
    EXPECT_EQ(static_cast<const irr::u32*>(buffer->getIndexBuffer().pointer())[1], 70000u);
    EXPECT_EQ(buffer->getBoundingBox().MinEdge, irr::core::vector3df(5, 5, 5));

    rebuildMeshBuffer(*buffer, ExtractedMesh{}, CountingPalette{&asked});
    EXPECT_EQ(buffer->getVertexCount(), 0u);
    EXPECT_EQ(buffer->getIndexCount(), 0u);
}

TEST_F(RebuildTest, ColourIsAskedPerVertexSoRandomEntriesDiffer) {
    ExtractedMesh mesh;
    for (int i = 0; i < 3; ++i) mesh.addVertex(vertex({0, 0, 0}, {0, 0, 1}, 255));
    int counter = 0;
    rebuildMeshBuffer(*buffer, mesh, [&](uint8_t) {
        ++counter;
        return irr::video::SColor(255, counter, 0, 0);
    });
    const irr::video::S3DVertex* v =
        static_cast<const irr::video::S3DVertex*>(buffer->getVertices());
    EXPECT_EQ(v[0].Color.getRed(), 1u);
    EXPECT_EQ(v[2].Color.getRed(), 3u);
}

// A mesh node as the shell builds it, on the null device's scene.
struct NodeUnderTest {
    NodeUnderTest() {
        buffer = createVoxelMeshBuffer();
        mesh = new irr::scene::SMesh();
        mesh->addMeshBuffer(buffer);
        node = nullDevice().getSceneManager()->addMeshSceneNode(mesh);
    }
    ~NodeUnderTest() {
        node->remove();
        mesh->drop();
        buffer->drop();
    }
    irr::scene::CDynamicMeshBuffer* buffer = nullptr;
    irr::scene::SMesh* mesh = nullptr;
    irr::scene::IMeshSceneNode* node = nullptr;
};

irr::video::IVideoDriver& driver() {
    return *nullDevice().getVideoDriver();
}

TEST(MeshNode, ConfiguresMaterialTransformAndRotation) {
    const struct {
        bool useEffects, cubic;
    } cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "effects " << c.useEffects << " cubic " << c.cubic);
        NodeUnderTest n;
        ASSERT_NE(n.node, nullptr);
        configureMeshNode(*n.node, driver(), c.useEffects, c.cubic);
        ASSERT_EQ(n.node->getMaterialCount(), 1u);
        const irr::video::SMaterial& m = n.node->getMaterial(0);
        EXPECT_EQ(m.Lighting, !c.useEffects);
        EXPECT_EQ(m.ColorMaterial, irr::video::ECM_DIFFUSE_AND_AMBIENT)
            << "faces in shade keep their colour";
        EXPECT_EQ(m.MaterialType, irr::video::EMT_SOLID);
        EXPECT_EQ(m.getTexture(0) != nullptr, c.cubic) << "the shipped voxel texture loads";
        // The texture matrix works on (u, v, 1): a half turn, then half a
        // texture along each axis, gives u' = 0.5 - u and v' = 0.5 - v.
        irr::core::matrix4 t = m.getTextureMatrix(0);
        irr::core::vector3df uv(0.25f, 0.1f, 1.0f);
        t.transformVect(uv);
        EXPECT_NEAR(uv.X, 0.25f, 1e-6);
        EXPECT_NEAR(uv.Y, 0.4f, 1e-6);
        EXPECT_EQ(n.node->getRotation(), irr::core::vector3df(0, 180, 0));
    }
}

TEST(MeshNode, KeysSwitchTextureAndWireframe) {
    NodeUnderTest n;
    irr::scene::IMeshSceneNode& node = *n.node;
    configureMeshNode(node, driver(), true, false);
    setVoxelTexture(node, driver(), true);
    EXPECT_NE(node.getMaterial(0).getTexture(0), nullptr);
    setVoxelTexture(node, driver(), false);
    EXPECT_EQ(node.getMaterial(0).getTexture(0), nullptr);

    node.setMaterialFlag(irr::video::EMF_POINTCLOUD, true);
    toggleWireframe(node);
    EXPECT_TRUE(node.getMaterial(0).Wireframe);
    EXPECT_FALSE(node.getMaterial(0).PointCloud);
    toggleWireframe(node);
    EXPECT_FALSE(node.getMaterial(0).Wireframe);
}

}  // namespace
}  // namespace cubalorn

// Streaming must not change a single byte, whatever the chunk size, and a
// failed delivery must stop the stream.

#include "export/chunk_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "export/mesh_formats.h"
#include "export/solid_mesh.h"
#include "test_volumes.h"
#include "voxel/random.h"

namespace cubalorn::export_test {
namespace {

TEST(ChunkWriter, EveryChunkSizeGivesTheSameFiles) {
    VoxelVolume volume(Region{{0, 0, 0}, {20, 20, 20}}, 32);
    draw(volume, join(ball(10, 10, 10, 5, 12), box(0, 0, 0, 3, 1, 2, 40)));
    Random random;
    Palette palette;
    palette.initPalette(random);
    const exporter::SolidMesh mesh =
        exporter::solidMeshOfVolume(volume, exporter::Surface::Cubic, {1.5f});

    auto stream = [&](size_t chunk, bool ply, size_t& deliveries) {
        std::string bytes;
        deliveries = 0;
        exporter::ChunkWriter writer(
            [&](const char* data, size_t size) {
                EXPECT_LE(size, std::max<size_t>(chunk, 50));
                bytes.append(data, size);
                ++deliveries;
                return true;
            },
            chunk);
        if (ply)
            exporter::writePly(mesh, palette, writer);
        else
            exporter::writeStl(mesh, writer);
        writer.flush();
        return bytes;
    };
    for (const bool ply : {true, false}) {
        size_t deliveries = 0;
        const std::string whole = stream(size_t{1} << 24, ply, deliveries);
        EXPECT_EQ(deliveries, 1u);
        // Chunks smaller than one record, odd sizes, and a record's size.
        for (size_t chunk :
             {size_t(1), size_t(7), size_t(13), size_t(27), size_t(50), size_t(4093)}) {
            const std::string pieces = stream(chunk, ply, deliveries);
            EXPECT_EQ(pieces.size(), whole.size()) << chunk;
            EXPECT_TRUE(pieces == whole) << "chunk " << chunk << (ply ? " ply" : " stl");
            EXPECT_GT(deliveries, whole.size() / std::max<size_t>(chunk, 50) / 2) << chunk;
        }
    }
}

TEST(ChunkWriter, StopsDeliveringAfterAFailure) {
    int calls = 0;
    exporter::ChunkWriter writer(
        [&](const char*, size_t) {
            ++calls;
            return calls < 2;
        },
        4);
    writer.append("0123456789abcdef");
    EXPECT_TRUE(writer.failed());
    EXPECT_FALSE(writer.flush());
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace cubalorn::export_test

// The block store in large worlds, as ratios of this one run:
// - a one-voxel SETVOXEL line in a 1024 x 256 x 1024 volume holding a
//   1024 x 100 x 1024 slab and a sphere, from the end of the line to the
//   updated engine buffers, against a whole extraction and a whole buffer
//   rebuild of the same volume (what every line cost before);
// - the memory of one SPHERE 3 in a 4096 x 256 x 4096 volume;
// - the memory of the terrain example scaled to 1024 x 256 x 1024, against
//   the same volume stored densely;
// - UNDO in a 512 x 256 x 512 volume, and what a one-voxel line's step holds.
// Times are CPU times, as in the extraction benchmark.
//
//   bench_store_bench [benchmark flags]

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/chunk_buffers.h"
#include "app/mesh_presentation.h"
#include "bench/result_reporter.h"
#include "extract/chunk_meshes.h"
#include "extract/cubic_extractor.h"
#include "interp/interpreter.h"
#include "interp/output.h"
#include "interp/recording_host.h"
#include "voxel/shapes.h"
#include "voxel/undo_history.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn {
namespace {

// A world with an interpreter, the chunk meshes and the engine buffers the
// window would hold, built once per scene.
struct Scene {
    explicit Scene(const Region& region)
        : volume(region, 32), world(volume), interpreter(world, host, out) {}

    void line(const std::string& text) {
        interpreter.assignProgram(text);
        interpreter.lineFinished = false;
        interpreter.runLine();
    }
    void present() {
        if (!chunks) {
            chunks = std::make_unique<ChunkMeshes>(volume, SurfaceKind::Cubic);
            buffers = std::make_unique<ChunkBuffers>(chunks->chunkCount());
        }
        chunks->update([&](uint32_t chunk, const ExtractedMesh& mesh) {
            buffers->present(chunk, mesh, [&](uint8_t index) { return colourOf(index); });
        });
        buffers->finish(nullptr);
    }
    irr::video::SColor colourOf(uint8_t index) {
        uint32_t argb = 0xFF000000u;
        world.palette.materialColour(index, argb, world.random);
        return irr::video::SColor(argb);
    }

    StringOutput out;
    RecordingHost host;
    VoxelVolume volume;
    World world;
    Interpreter interpreter;
    std::unique_ptr<ChunkMeshes> chunks;
    std::unique_ptr<ChunkBuffers> buffers;
};

// The slab and a ball resting on it, meshed once.
Scene& slabScene() {
    static std::unique_ptr<Scene> scene;
    if (!scene) {
        scene = std::make_unique<Scene>(Region{{0, 0, 0}, {1023, 255, 1023}});
        VoxelVolume& v = scene->volume;
        for (int z = 0; z < 1024; ++z)
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 1024; ++x) v.setVoxel(x, y, z, Voxel::make(22, 255));
        scene->line("penup goto 512 150 512 pendown pencolor 9 sphere 40");
        scene->present();
    }
    return *scene;
}

void oneVoxelEdit(benchmark::State& state) {
    Scene& s = slabScene();
    int k = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A voxel on the slab's top, a different one each time.
        s.line("penup goto " + std::to_string(100 + 7 * (k % 100)) + " 100 " +
               std::to_string(300 + 5 * (k / 100 % 50)) + " pendown pencolor " +
               std::to_string(1 + k % 60) + " setvoxel");
        ++k;
        state.ResumeTiming();
        s.present();
    }
    state.counters["vertices"] = double(s.buffers->vertexCount());
    state.counters["buffers"] = double(s.buffers->bufferCount());
}

// What every line cost before: the whole volume extracted into one mesh and
// one buffer refilled.
void wholeRebuild(benchmark::State& state) {
    Scene& s = slabScene();
    ExtractedMesh mesh;
    irr::scene::CDynamicMeshBuffer* buffer = createVoxelMeshBuffer();
    for (auto _ : state) {
        CubicExtractor(s.volume, s.volume.region(), mesh).execute();
        rebuildMeshBuffer(*buffer, mesh, [&](uint8_t index) { return s.colourOf(index); });
    }
    state.counters["vertices"] = double(mesh.vertices.size());
    buffer->drop();
}

double mib(uint64_t bytes) {
    return double(bytes) / double(1 << 20);
}

// One ball in a very large volume: the index and the few blocks it touches.
void sparseMemory(benchmark::State& state) {
    uint64_t bytes = 0;
    for (auto _ : state) {
        Scene s(Region{{0, 0, 0}, {4095, 255, 4095}});
        s.line("sphere 3");
        std::vector<ChangedBlock> changes;
        s.volume.takeChanges(changes);
        bytes = s.volume.memoryBytes();
    }
    state.counters["volume_MiB"] = mib(bytes);
    state.counters["dense_MiB"] = mib(uint64_t(4096) * 256 * 4096 * 2);
}

// examples/terrain.logo scaled from a 65 x 65 map to 1024 x 1024 columns,
// four times as high, with the same colour bands.
const char* const kScaledTerrain =
    "randomize 7 dsinit 1024 1.1 dsset 512 512 0.8 dsset 0 0 -0.4 dsset 1024 1024 -0.4 "
    "diamondsquare make \"x 0 make \"z 0 make \"h 0 "
    "for \"x 0 1023 1 [ for \"z 0 1023 1 [ "
    "\"h = dsget :x :z \"h = :h * 100 + 40 pencolor 22 "
    "if :h < 40 pencolor 14 endif if :h < 32 pencolor 30 \"h = 32 endif "
    "if :h > 80 pencolor 59 endif if :h > 108 pencolor 1 endif "
    "penup goto :x 0 :z pendown cube 1 :h 1 ] ]";

void terrainMemory(benchmark::State& state) {
    uint64_t bytes = 0, dense = 0;
    for (auto _ : state) {
        Scene s(Region{{0, 0, 0}, {1023, 255, 1023}});
        s.line(kScaledTerrain);
        std::vector<ChangedBlock> changes;
        s.volume.takeChanges(changes);
        bytes = s.volume.memoryBytes();
        dense = uint64_t(s.volume.blockCount()) * s.volume.blockBytes();
        state.counters["private_blocks"] = double(s.volume.privateBlockCount());
    }
    state.counters["volume_MiB"] = mib(bytes);
    state.counters["dense_MiB"] = mib(dense);
    state.counters["ratio"] = double(bytes) / double(dense);
}

// A 512 x 256 x 512 volume with a large sculpture and its meshes; `line`
// is drawn, then undone and redone over and over (each pass re-meshes what
// changed, as the window does).
struct UndoScene {
    explicit UndoScene(const std::string& line) : scene(Region{{0, 0, 0}, {511, 255, 511}}) {
        scene.line(
            "pencolor 5 sphere 120 penup goto 100 20 100 pendown pencolor 7 cube 300 40 300");
        history = std::make_unique<UndoHistory>(scene.world);
        scene.present();
        history->beginLine();
        scene.line(line);
        history->endLine();
        scene.present();
    }
    Scene scene;
    std::unique_ptr<UndoHistory> history;
};

// `remesh`: the time runs on until the window's meshes are up to date;
// otherwise it covers UNDO alone (the history and the volume).
void undoLine(benchmark::State& state, const std::string& line, bool remesh) {
    static std::map<std::string, std::unique_ptr<UndoScene>> scenes;
    auto& slot = scenes[line];
    if (!slot) slot = std::make_unique<UndoScene>(line);
    UndoScene& u = *slot;
    const uint64_t stepBytes = u.history->bytes();
    for (auto _ : state) {
        u.history->undo();
        if (!remesh) state.PauseTiming();
        u.scene.present();
        if (remesh) state.PauseTiming();
        u.history->redo();
        u.scene.present();
        state.ResumeTiming();
    }
    state.counters["step_KiB"] = double(stepBytes) / 1024;
    state.counters["step_blocks"] =
        double(stepBytes) / double(u.scene.volume.blockAllocationBytes());
}

// Prints the goals once every run has finished.
class GoalReporter : public bench::ResultReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf(
            "\nGoals, as ratios of this run (CPU time, so that other load on the machine does "
            "not count):\n");
        const Result* edit = find("one_voxel_edit");
        const Result* whole = find("whole_rebuild");
        if (edit && whole)
            std::printf(
                "  one-voxel edit:   %.3f ms, %.0f times faster than a whole rebuild of %.1f ms "
                "(goals: under 5 ms, 50 times)\n",
                edit->ms, whole->ms / edit->ms, whole->ms);
        if (const Result* sparse = find("sparse_memory"))
            std::printf(
                "  sparse memory:    %.2f MiB for SPHERE 3 in 4096 x 256 x 4096 (goal: 64 MB)\n",
                sparse->counters.at("volume_MiB"));
        if (const Result* terrain = find("terrain_memory"))
            std::printf(
                "  terrain memory:   %.0f MiB of %.0f MiB dense = %.3f (goal: at most 0.3)\n",
                terrain->counters.at("volume_MiB"), terrain->counters.at("dense_MiB"),
                terrain->counters.at("ratio"));
        for (const char* name : {"setvoxel", "sphere_30", "clear"}) {
            const Result* alone = find(std::string("undo/") + name);
            const Result* meshed = find(std::string("undo_and_remesh/") + name);
            if (alone && meshed)
                std::printf(
                    "  UNDO of %-9s %.2f ms (goal: under 50 ms), %.2f ms with the meshes up to "
                    "date; the step holds %.1f blocks\n",
                    (std::string(name) + ":").c_str(), alone->ms, meshed->ms,
                    alone->counters.at("step_blocks"));
        }
    }
};

void registerAll() {
    benchmark::RegisterBenchmark("one_voxel_edit", oneVoxelEdit)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("whole_rebuild", wholeRebuild)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("sparse_memory", sparseMemory)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark("terrain_memory", terrainMemory)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    const std::pair<const char*, const char*> undoLines[] = {
        {"setvoxel", "penup goto 256 60 256 pendown pencolor 3 setvoxel"},
        {"sphere_30", "penup goto 300 120 300 pendown pencolor 4 sphere 30"},
        {"clear", "clear"},
    };
    for (const auto& [name, line] : undoLines)
        for (const bool remesh : {false, true})
            benchmark::RegisterBenchmark(
                (std::string(remesh ? "undo_and_remesh/" : "undo/") + name).c_str(), undoLine,
                std::string(line), remesh)
                ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace cubalorn

int main(int argc, char** argv) {
    cubalorn::registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    cubalorn::GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// Exporting a large terrain: writing it as binary PLY and STL should take no
// longer than extracting it twice. All figures come from one run, so the
// ratio cancels the machine's speed.

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "export/atomic_file.h"
#include "export/export_mesh.h"
#include "export/mesh_formats.h"
#include "voxel/random.h"
#include "voxel/volume.h"

namespace {

using namespace cubalorn;

// 256 x 128 x 256 voxels, about half solid: rolling hills around y = 64,
// coloured in bands by height.
const VoxelVolume& terrain() {
    static const std::unique_ptr<VoxelVolume> volume = [] {
        auto v = std::make_unique<VoxelVolume>(Region{{0, 0, 0}, {255, 127, 255}}, 32);
        for (int32_t z = 0; z < 256; ++z)
            for (int32_t x = 0; x < 256; ++x) {
                const double h = 64 + 20 * std::sin(x * 0.05) * std::cos(z * 0.07) +
                                 8 * std::sin((x + 2 * z) * 0.13);
                for (int32_t y = 0; y < h && y < 128; ++y)
                    v->setVoxel(x, y, z, Voxel::make(static_cast<uint8_t>(20 + y / 8), 255));
            }
        return v;
    }();
    return *volume;
}

const Palette& palette() {
    static const Palette p = [] {
        Palette palette;
        Random random;
        palette.initPalette(random);
        return palette;
    }();
    return p;
}

const ExtractedMesh& terrainMesh() {
    static const ExtractedMesh mesh = [] {
        ExtractedMesh m;
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, m);
        return m;
    }();
    return mesh;
}

std::string scratchPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/cubalorn_export_bench_" +
           std::to_string(getpid()) + "_" + name;
}

void setQuadCounter(benchmark::State& state) {
    state.counters["quads"] = static_cast<double>(terrainMesh().indices.size() / 6);
}

void BM_ExtractTerrain(benchmark::State& state) {
    ExtractedMesh mesh;
    for (auto _ : state) {
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        benchmark::DoNotOptimize(mesh.indices.data());
    }
    setQuadCounter(state);
}
BENCHMARK(BM_ExtractTerrain)->Unit(benchmark::kMillisecond);

void BM_EncodePly(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(exporter::encodePly(terrainMesh(), palette(), 1));
    setQuadCounter(state);
}
BENCHMARK(BM_EncodePly)->Unit(benchmark::kMillisecond);

void BM_EncodeStl(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(exporter::encodeStl(terrainMesh(), 1));
    setQuadCounter(state);
}
BENCHMARK(BM_EncodeStl)->Unit(benchmark::kMillisecond);

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

void BM_EncodePlyAndStlVsTwoExtractions(benchmark::State& state) {
    ExtractedMesh mesh;
    double extractSeconds = 0, encodeSeconds = 0;
    for (auto _ : state) {
        const double t0 = threadSeconds();
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        const double t1 = threadSeconds();
        // Into a chunk that is handed nowhere: the formats' own work.
        exporter::ChunkWriter sink([](const char*, size_t) { return true; });
        exporter::writePly(mesh, palette(), 1, sink);
        exporter::writeStl(mesh, 1, sink);
        sink.flush();
        const double t2 = threadSeconds();
        extractSeconds += t1 - t0;
        encodeSeconds += t2 - t1;
    }
    state.counters["two_extractions_cpu_ms"] = 1000 * extractSeconds / state.iterations();
    state.counters["ply_and_stl_cpu_ms"] = 1000 * encodeSeconds / state.iterations();
    state.counters["ratio"] = encodeSeconds / extractSeconds;
}
BENCHMARK(BM_EncodePlyAndStlVsTwoExtractions)->Unit(benchmark::kMillisecond)->Iterations(8);

// Encoding and writing both files (temporary file, flush to disk, rename),
// timed against two extractions in the same iterations: processor time of
// this thread, and wall time, which adds the wait for the disk.
void BM_PlyAndStlFilesVsTwoExtractions(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::string ply = scratchPath("terrain.ply");
    const std::string stl = scratchPath("terrain.stl");
    ExtractedMesh mesh;
    double extractSeconds = 0, exportSeconds = 0, extractCpu = 0, exportCpu = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double c0 = threadSeconds();
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        const auto t1 = Clock::now();
        const double c1 = threadSeconds();
        std::string error;
        const bool written =
            exporter::writeFileAtomically(
                ply, [&](exporter::ChunkWriter& w) { exporter::writePly(mesh, palette(), 1, w); },
                error) &&
            exporter::writeFileAtomically(
                stl, [&](exporter::ChunkWriter& w) { exporter::writeStl(mesh, 1, w); }, error);
        if (!written) {
            state.SkipWithError(error.c_str());
            break;
        }
        const auto t2 = Clock::now();
        const double c2 = threadSeconds();
        extractCpu += c1 - c0;
        exportCpu += c2 - c1;
        extractSeconds += std::chrono::duration<double>(t1 - t0).count();
        exportSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    std::remove(ply.c_str());
    std::remove(stl.c_str());
    if (extractSeconds > 0) {
        state.counters["cpu_ratio"] = exportCpu / extractCpu;
        state.counters["wall_ratio"] = exportSeconds / extractSeconds;
        state.counters["files_wall_ms"] = 1000 * exportSeconds / state.iterations();
    }
}
BENCHMARK(BM_PlyAndStlFilesVsTwoExtractions)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();

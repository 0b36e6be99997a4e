// Exporting a large terrain: each format's export should take no more than
// one and a half times two extractions of it. All figures come from one run,
// so the ratio cancels the machine's speed.

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
#include "export/glb_format.h"
#include "export/mesh_formats.h"
#include "export/solid_mesh.h"
#include "export/threemf_format.h"
#include "export/vox_format.h"
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

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
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

// Welding, splitting contacts and placing: the work every mesh format shares.
void BM_BuildSolidMesh(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            exporter::buildSolidMesh(terrainMesh(), exporter::Surface::Cubic, {}).positions.data());
    setQuadCounter(state);
}
BENCHMARK(BM_BuildSolidMesh)->Unit(benchmark::kMillisecond);

// Each format's whole export from the extracted mesh (the shared surface built
// again, then the format encoded into memory, compression included), as a
// ratio to two extractions timed in the same iterations.
using Encoder = void (*)(const exporter::SolidMesh&, exporter::ChunkWriter&);
const struct {
    const char* name;
    Encoder encode;
} kFormats[] = {
    {"obj",
     [](const exporter::SolidMesh& m, exporter::ChunkWriter& w) {
         w.append(exporter::encodeObj(m, "t.mtl"));
         w.append(exporter::encodeMtl(m, palette()));
     }},
    {"ply", [](const exporter::SolidMesh& m,
               exporter::ChunkWriter& w) { exporter::writePly(m, palette(), w); }},
    {"stl",
     [](const exporter::SolidMesh& m, exporter::ChunkWriter& w) { exporter::writeStl(m, w); }},
    {"3mf",
     [](const exporter::SolidMesh& m, exporter::ChunkWriter& w) {
         std::string bytes, error;
         exporter::encode3mf(m, palette(), bytes, error);
         w.append(bytes);
     }},
    {"glb", [](const exporter::SolidMesh& m,
               exporter::ChunkWriter& w) { exporter::writeGlb(m, palette(), w); }},
};

void BM_ExportVsTwoExtractions(benchmark::State& state) {
    const auto& format = kFormats[state.range(0)];
    state.SetLabel(format.name);
    ExtractedMesh mesh;
    double extractSeconds = 0, exportSeconds = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        const double t0 = threadSeconds();
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        const double t1 = threadSeconds();
        // Into chunks that are handed nowhere: the export's own work.
        bytes = 0;
        exporter::ChunkWriter sink([&bytes](const char*, size_t size) {
            bytes += size;
            return true;
        });
        format.encode(exporter::buildSolidMesh(mesh, exporter::Surface::Cubic, {}), sink);
        sink.flush();
        const double t2 = threadSeconds();
        extractSeconds += t1 - t0;
        exportSeconds += t2 - t1;
    }
    state.counters["two_extractions_cpu_ms"] = 1000 * extractSeconds / state.iterations();
    state.counters["export_cpu_ms"] = 1000 * exportSeconds / state.iterations();
    state.counters["ratio"] = exportSeconds / extractSeconds;
    state.counters["MB"] = bytes / 1e6;
}
BENCHMARK(BM_ExportVsTwoExtractions)
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_VoxVsTwoExtractions(benchmark::State& state) {
    ExtractedMesh mesh;
    double extractSeconds = 0, exportSeconds = 0;
    for (auto _ : state) {
        const double t0 = threadSeconds();
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        exporter::extractForExport(terrain(), exporter::Surface::Cubic, mesh);
        const double t1 = threadSeconds();
        benchmark::DoNotOptimize(exporter::encodeVox(terrain(), palette()).data());
        const double t2 = threadSeconds();
        extractSeconds += t1 - t0;
        exportSeconds += t2 - t1;
    }
    state.counters["ratio"] = exportSeconds / extractSeconds;
}
BENCHMARK(BM_VoxVsTwoExtractions)->Unit(benchmark::kMillisecond)->Iterations(5);

// Encoding and writing PLY and STL files (temporary file, flush to disk,
// rename), timed against two extractions in the same iterations: processor
// time of this thread, and wall time, which adds the wait for the disk.
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
        const exporter::SolidMesh solid =
            exporter::buildSolidMesh(mesh, exporter::Surface::Cubic, {});
        std::string error;
        const bool written =
            exporter::writeFileAtomically(
                ply, [&](exporter::ChunkWriter& w) { exporter::writePly(solid, palette(), w); },
                error) &&
            exporter::writeFileAtomically(
                stl, [&](exporter::ChunkWriter& w) { exporter::writeStl(solid, w); }, error);
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

// Extraction speed on the volumes a user builds: an empty 512 x 256 x 512
// volume, a turtle-drawn sculpture of about 1% solid voxels, a terrain about
// half solid and a single SPHERE 120. Every extractor run reports the time per voxel
// of the volume and per emitted quad or triangle (CPU time); a memcpy of the volume's
// voxel memory and the straightforward reference extractors run alongside,
// and the closing summary prints the goals as ratios of this one run.
//
//   bench_extract_bench [benchmark flags]
//   bench_extract_bench --dump-density <scene> <file>   8-bit density field,
//       x fastest, then y, then z; prints "dims <w> <h> <d>"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/result_reporter.h"
#include "extract/cubic_extractor.h"
#include "extract/smooth_extractor.h"
#include "unit/extract/reference_extractors.h"
#include "voxel/random.h"
#include "voxel/shapes.h"
#include "voxel/terrain.h"
#include "voxel/turtle.h"
#include "voxel/volume.h"

namespace cubalorn {
namespace {

constexpr Region kVolumeRegion{{0, 0, 0}, {511, 255, 511}};
constexpr uint16_t kBlockSide = 32;
constexpr int kSphereRadius = 120;

std::unique_ptr<VoxelVolume> newVolume() {
    return std::make_unique<VoxelVolume>(kVolumeRegion, kBlockSide);
}

// A random walk of thick turtle strokes kept to the middle of the volume,
// drawn until about 1% of all voxels are set.
void drawSculpture(VoxelVolume& volume) {
    Turtle turtle;
    turtle.resetTurtle(volume);
    Random random(2024);
    const int64_t target = int64_t(volume.width()) * volume.height() * volume.depth() / 100;
    auto filled = [&] {
        int64_t n = 0;
        for (int bz = 0; bz < volume.depthInBlocks(); ++bz)
            for (int by = 0; by < volume.heightInBlocks(); ++by)
                for (int bx = 0; bx < volume.widthInBlocks(); ++bx)
                    n += volume.block(bx, by, bz).nonZeroCount();
        return n;
    };
    auto around = [&](int size) { return size / 4 + random.next() % (size / 2); };
    for (int stroke = 0; filled() < target; ++stroke) {
        turtle.penColour = 1 + stroke % 200;
        turtle.penSize = 3 + random.next() % 5;
        for (int k = 0; k < 8; ++k)
            turtle.goTo(around(volume.width()), around(volume.height()), around(volume.depth()));
    }
}

// Diamond-square heights over the x-z plane, every column filled from the
// floor to its height.
void drawTerrain(VoxelVolume& volume) {
    HeightGrid grid;
    grid.init(512, 1.0f);
    Random random(77);
    grid.diamondSquare(random);
    for (int z = 0; z < volume.depth(); ++z)
        for (int x = 0; x < volume.width(); ++x) {
            float h = 0;
            grid.get(x, z, h);
            const int top = std::clamp(int(128 + h * 160), 0, volume.height() - 1);
            for (int y = 0; y <= top; ++y)
                volume.setVoxel(x, y, z, Voxel::make(uint8_t(1 + y / 16), 255));
        }
}

void drawOneSphere(VoxelVolume& volume) {
    Turtle turtle;
    turtle.resetTurtle(volume);  // centred, pen down
    drawSphere(turtle, kSphereRadius);
}

struct Scene {
    const char* name;
    void (*draw)(VoxelVolume&);
};
const Scene kScenes[] = {
    {"empty", [](VoxelVolume&) {}},
    {"sculpture", drawSculpture},
    {"terrain", drawTerrain},
    {"sphere", drawOneSphere},
};

// Volumes are built on first use and kept: building the terrain takes longer
// than extracting it.
VoxelVolume& sceneVolume(const std::string& name) {
    static std::map<std::string, std::unique_ptr<VoxelVolume>> built;
    auto& slot = built[name];
    if (!slot) {
        slot = newVolume();
        for (const Scene& s : kScenes)
            if (name == s.name) s.draw(*slot);
    }
    return *slot;
}

int64_t voxelCount(const VoxelVolume& v) {
    return int64_t(v.width()) * v.height() * v.depth();
}

int64_t solidCount(const VoxelVolume& v) {
    int64_t n = 0;
    for (uint32_t b = 0; b < v.blockCount(); ++b) {
        const int bx = int(b % v.widthInBlocks()),
                  by = int(b / v.widthInBlocks() % v.heightInBlocks()),
                  bz = int(b / (uint32_t(v.widthInBlocks()) * v.heightInBlocks()));
        n += v.block(bx, by, bz).nonZeroCount();
    }
    return n;
}

// Inverted rates: the counters read as time per voxel and per face (CPU
// time, like every figure here, so that other load on the machine does not
// count against the extractors).
const auto kTimePerItem =
    benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;

void setCounters(benchmark::State& state, const VoxelVolume& v, const ExtractedMesh& mesh,
                 int indicesPerFace) {
    const double faces = double(mesh.indices.size() / indicesPerFace);
    state.counters["time_per_voxel"] = benchmark::Counter(double(voxelCount(v)), kTimePerItem);
    state.counters["time_per_face"] = benchmark::Counter(std::max(faces, 1.0), kTimePerItem);
    state.counters["faces"] = faces;
    state.counters["vertices"] = double(mesh.vertices.size());
    state.counters["solid_fraction"] = double(solidCount(v)) / double(voxelCount(v));
}

void memcpyVolume(benchmark::State& state) {
    const VoxelVolume& v = sceneVolume("sculpture");
    const size_t blockBytes = size_t(kBlockSide) * kBlockSide * kBlockSide * sizeof(Voxel);
    std::vector<uint8_t> copy(blockBytes * v.blockCount());
    for (auto _ : state) {
        uint8_t* out = copy.data();
        for (int bz = 0; bz < v.depthInBlocks(); ++bz)
            for (int by = 0; by < v.heightInBlocks(); ++by)
                for (int bx = 0; bx < v.widthInBlocks(); ++bx, out += blockBytes)
                    std::memcpy(out, v.block(bx, by, bz).voxels(), blockBytes);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.counters["time_per_voxel"] = benchmark::Counter(double(voxelCount(v)), kTimePerItem);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(copy.size()));
}

void cubic(benchmark::State& state, const std::string& scene) {
    const VoxelVolume& v = sceneVolume(scene);
    ExtractedMesh mesh;
    CubicExtractor extractor(v, v.region(), mesh);
    for (auto _ : state) extractor.execute();
    setCounters(state, v, mesh, 6);
}

// The cubic extractor without the corners' ambient occlusion: the baseline
// its cost is measured against.
void cubicWithoutOcclusion(benchmark::State& state, const std::string& scene) {
    const VoxelVolume& v = sceneVolume(scene);
    ExtractedMesh mesh;
    CubicExtractor extractor(v, v.region(), mesh);
    extractor.setAmbientOcclusion(false);
    for (auto _ : state) extractor.execute();
    setCounters(state, v, mesh, 6);
}

void cubicReference(benchmark::State& state, const std::string& scene) {
    const VoxelVolume& v = sceneVolume(scene);
    ExtractedMesh mesh;
    for (auto _ : state) reference::cubic(v, v.region(), mesh);
    setCounters(state, v, mesh, 6);
}

void smooth(benchmark::State& state, const std::string& scene) {
    const VoxelVolume& v = sceneVolume(scene);
    ExtractedMesh mesh;
    SmoothExtractor extractor(v, v.region(), mesh, 127);
    for (auto _ : state) extractor.execute();
    setCounters(state, v, mesh, 3);
}

void smoothReference(benchmark::State& state, const std::string& scene) {
    const VoxelVolume& v = sceneVolume(scene);
    ExtractedMesh mesh;
    for (auto _ : state) reference::Smooth(v, v.region(), mesh, 127).execute();
    setCounters(state, v, mesh, 3);
}

// Prints the goals once every run has finished.
class GoalReporter : public bench::ResultReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nGoals, as ratios of this run (CPU time):\n");
        const Result* copy = find("memcpy");
        const Result* cubicEmpty = find("cubic/empty");
        if (copy && cubicEmpty)
            std::printf("  cubic, empty volume:      %.4f%% of the memcpy (goal: under 1%%)\n",
                        100 * cubicEmpty->ms / copy->ms);
        const Result* sculpture = find("cubic/sculpture");
        const Result* sculptureRef = find("cubic_reference/sculpture");
        if (sculpture && sculptureRef)
            std::printf(
                "  cubic, sculpture:         %.1f times faster than the reference (goal: 20)\n",
                sculptureRef->ms / sculpture->ms);
        const Result* terrain = find("cubic/terrain");
        if (copy && terrain) {
            const double budget = 3 * copy->ms + 20e-6 * terrain->counter("faces");
            std::printf(
                "  cubic, terrain:           %.1f ms for %.0f quads = %.2f of the budget "
                "3 x memcpy + 20 ns per quad = %.1f ms (goal: at most 1)\n",
                terrain->ms, terrain->counter("faces"), terrain->ms / budget, budget);
        }
        const Result* sphere = find("cubic/sphere");
        if (sphere) {
            const double expected = 6 * 3.14159265358979 * kSphereRadius * kSphereRadius;
            std::printf("  cubic, SPHERE %d:         %.0f quads = %.3f of 6 pi r^2\n",
                        kSphereRadius, sphere->counter("faces"),
                        sphere->counter("faces") / expected);
        }
        for (const Scene& s : kScenes) {
            const Result* withAo = find(std::string("cubic/") + s.name);
            const Result* without = find(std::string("cubic_without_occlusion/") + s.name);
            if (withAo && without && std::string(s.name) != "empty")
                std::printf("  cubic occlusion, %-10s %+.1f%% time (goal: at most +25%%)\n",
                            (std::string(s.name) + ":").c_str(),
                            100 * (withAo->ms / without->ms - 1));
        }
        for (const Scene& s : kScenes) {
            const Result* fast = find(std::string("smooth/") + s.name);
            const Result* ref = find(std::string("smooth_reference/") + s.name);
            if (fast && ref)
                std::printf("  smooth, %-10s        %.1f times faster than the reference\n",
                            (std::string(s.name) + ":").c_str(), ref->ms / fast->ms);
        }
        std::printf("  (the smooth goal against vtkFlyingEdges3D: bench/compare-vtk.py)\n");
    }
};

int dumpDensity(const std::string& scene, const char* path) {
    bool known = false;
    for (const Scene& s : kScenes) known = known || scene == s.name;
    if (!known) {
        std::fprintf(stderr, "unknown scene %s\n", scene.c_str());
        return 2;
    }
    const VoxelVolume& v = sceneVolume(scene);
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 2;
    }
    const Region& r = v.region();
    std::vector<uint8_t> row(size_t(v.width()));
    bool ok = true;
    for (int z = r.lower.z; z <= r.upper.z && ok; ++z)
        for (int y = r.lower.y; y <= r.upper.y && ok; ++y) {
            for (int x = r.lower.x; x <= r.upper.x; ++x)
                row[size_t(x - r.lower.x)] = v.voxel(x, y, z).density();
            ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
        }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "failed writing %s\n", path);
        return 2;
    }
    std::printf("dims %d %d %d\n", v.width(), v.height(), v.depth());
    return 0;
}

void registerAll() {
    benchmark::RegisterBenchmark("memcpy", memcpyVolume)->Unit(benchmark::kMillisecond);
    for (const Scene& s : kScenes) {
        const std::string name = s.name;
        benchmark::RegisterBenchmark(("cubic/" + name).c_str(), cubic, name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("cubic_without_occlusion/" + name).c_str(),
                                     cubicWithoutOcclusion, name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("cubic_reference/" + name).c_str(), cubicReference, name)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("smooth/" + name).c_str(), smooth, name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("smooth_reference/" + name).c_str(), smoothReference, name)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
}

}  // namespace
}  // namespace cubalorn

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--dump-density") == 0)
        return cubalorn::dumpDensity(argv[2], argv[3]);
    cubalorn::registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    cubalorn::GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

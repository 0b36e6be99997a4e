#pragma once
// Reading the volume back the way a program would: walk to a cell with the
// pen up and print GETVOXEL there.

#include <string>
#include <vector>

#include "harness.h"

namespace cubalorn::testing {

struct Probe {
    int x, y, z;
    int material;  // what GETVOXEL reports there
};

inline std::string probeWithLogo(ProgramRun& run, const std::vector<Probe>& probes) {
    std::vector<std::string> lines = {"make \"probe 0", "penup"};
    for (const Probe& p : probes)
        lines.push_back("goto " + std::to_string(p.x) + " " + std::to_string(p.y) + " " +
                        std::to_string(p.z) + " \"probe = getvoxel print :probe");
    return run.console(lines);
}

// What probeWithLogo prints when every probe holds its material.
inline std::string expectedProbes(const std::vector<Probe>& probes) {
    std::string text;
    for (const Probe& p : probes) text += std::to_string(p.material) + "\n";
    return text;
}

inline size_t countVoxels(const VoxelVolume& volume) {
    size_t n = 0;
    for (int z = 0; z < volume.depth(); ++z)
        for (int y = 0; y < volume.height(); ++y)
            for (int x = 0; x < volume.width(); ++x) n += volume.voxel(x, y, z).raw != 0;
    return n;
}

inline Vec3i turtleCell(const Turtle& t) {
    return {int(t.x), int(t.y), int(t.z)};
}

}  // namespace cubalorn::testing

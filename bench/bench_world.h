#pragma once
// A whole interpreter over a volume of the shipped size, for benchmarks
// that run Logo lines as the console would.

#include <string>

#include "interp/interpreter.h"
#include "interp/output.h"
#include "interp/recording_host.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn::bench {

struct BenchWorld {
    BenchWorld()
        : volume(Region{{0, 0, 0}, {100, 60, 100}}, 32),
          world(volume),
          interpreter(world, host, out) {}

    // Runs one console line; returns what it printed.
    const std::string& line(const std::string& text) {
        out.clear();
        interpreter.assignProgram(text);
        interpreter.lineFinished = false;
        interpreter.runLine();
        return out.text();
    }

    StringOutput out;
    RecordingHost host;
    VoxelVolume volume;
    World world;
    Interpreter interpreter;
};

}  // namespace cubalorn::bench

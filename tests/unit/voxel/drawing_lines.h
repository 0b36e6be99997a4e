#pragma once
// A world with its interpreter for tests that run Logo lines as the console
// does, and random drawing lines over it from a seeded generator: shapes,
// strokes, pen and palette changes, CSV layers, terrain columns, CLEAR and
// lines that change nothing.

#include <random>
#include <string>

#include "interp/interpreter.h"
#include "interp/output.h"
#include "interp/recording_host.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn::testing {

struct LogoWorld {
    explicit LogoWorld(const Region& region, uint16_t blockSide = 32,
                       uint64_t memoryLimit = defaultBlockMemoryLimit())
        : volume(region, blockSide, memoryLimit), world(volume), interpreter(world, host, out) {}

    // Runs one console line.
    void line(const std::string& text) {
        interpreter.assignProgram(text);
        interpreter.lineFinished = false;
        interpreter.runLine();
    }

    StringOutput out;
    RecordingHost host;
    VoxelVolume volume;
    World world;
    Interpreter interpreter;
};

// One random line for a volume whose upper corner is `max`; CSV lines read
// examples/sprite.csv from the working directory (the project folder).
inline std::string randomDrawingLine(std::mt19937& rng, const Vec3i& max) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto n = [](int v) { return std::to_string(v); };
    // Turtle places a little beyond the faces too: they are clamped.
    auto place = [&] {
        return n(pick(-3, max.x + 3)) + " " + n(pick(-3, max.y + 3)) + " " + n(pick(-3, max.z + 3));
    };
    const std::string jump = "penup goto " + place() + " pendown ";
    const std::string colour = "pencolor " + n(pick(0, 260)) + " ";
    const std::string pen = "pensize " + n(pick(1, 4)) + " ";
    switch (pick(0, 19)) {
        case 0:
        case 1:
        case 2:
            return jump + colour + pen + "sphere " + n(pick(0, 9));
        case 3:
        case 4:
            return jump + colour + "cube " + n(pick(1, 20)) + " " + n(pick(1, 20)) + " " +
                   n(pick(1, 20));
        case 5:
        case 6:
            return colour + pen + "goto " + place();
        case 7:
        case 8:
            return pen + "left " + n(pick(-180, 180)) + " up " + n(pick(-90, 90)) + " forward " +
                   n(pick(1, 40));
        case 9:
            return colour + pen + "setvoxel";
        case 10:
            return "setrgb " + n(pick(1, 64)) + " " + n(pick(0, 255)) + " " + n(pick(0, 255)) +
                   " " + n(pick(0, 255));
        case 11:
        case 12:
            return jump + pen + "loadcsv \"examples/sprite.csv " + n(90 * pick(0, 3));
        case 13: {
            // A few terrain columns from a fresh height map, as the terrain
            // example draws them.
            const std::string x0 = n(pick(0, max.x)), z0 = n(pick(0, max.z));
            return "make \"i 0 make \"j 0 make \"h 0 make \"gx 0 make \"gz 0 dsinit 8 1.1 "
                   "diamondsquare for \"i 0 8 1 [ for \"j 0 8 1 [ \"h = dsget :i :j \"h = :h * 8 "
                   "+ 6 \"gx = :i + " +
                   x0 + " \"gz = :j + " + z0 +
                   " pencolor :h penup goto :gx 0 :gz pendown cube 1 :h 1 ] ]";
        }
        case 14:
            return "clear";
        case 15:
            return "print 1";
        case 16:
            return "penup forward " + n(pick(1, 30)) + " pendown";
        case 17:
            return "make \"q " + n(pick(0, 9));
        default:
            return jump + colour + pen + "forward " + n(pick(1, 30));
    }
}

}  // namespace cubalorn::testing

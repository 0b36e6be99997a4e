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
    auto n = [&](int lo, int hi) {
        return std::to_string(std::uniform_int_distribution<int>(lo, hi)(rng));
    };
    // Places a little beyond the faces too: they are clamped.
    auto place = [&] {
        return n(-3, max.x + 3) + " " + n(-3, max.y + 3) + " " + n(-3, max.z + 3) + " ";
    };
    const std::string jump = "penup goto " + place() + "pendown ";
    const std::string pen = "pencolor " + n(0, 260) + " pensize " + n(1, 4) + " ";
    const std::string terrain =
        "make \"i 0 make \"j 0 make \"h 0 make \"gx 0 make \"gz 0 dsinit 8 1.1 diamondsquare "
        "for \"i 0 8 1 [ for \"j 0 8 1 [ \"h = dsget :i :j \"h = :h * 8 + 6 \"gx = :i + " +
        n(0, max.x) + " \"gz = :j + " + n(0, max.z) +
        " pencolor :h penup goto :gx 0 :gz pendown cube 1 :h 1 ] ]";
    const std::string lines[] = {
        jump + pen + "sphere " + n(0, 9),
        jump + pen + "cube " + n(1, 20) + " " + n(1, 20) + " " + n(1, 20),
        pen + "goto " + place(),
        pen + "left " + n(-180, 180) + " up " + n(-90, 90) + " forward " + n(1, 40),
        pen + "setvoxel",
        "setrgb " + n(1, 64) + " " + n(0, 255) + " " + n(0, 255) + " " + n(0, 255),
        jump + pen + "loadcsv \"examples/sprite.csv " + std::to_string(90 * (rng() % 4)),
        terrain,
        "clear",
        "print 1",
        "penup forward " + n(1, 30) + " pendown",
    };
    // Each drawing line (the first eight) 2 times in 20, CLEAR 2, the two
    // that draw nothing 1 each.
    const unsigned pick = rng() % 20;
    return lines[pick < 16 ? pick / 2 : 8 + (pick - 16) % 3];
}

}  // namespace cubalorn::testing

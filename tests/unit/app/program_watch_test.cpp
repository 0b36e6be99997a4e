#include "app/program_watch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "interp/interpreter.h"
#include "interp/large_stack.h"
#include "interp/recording_host.h"
#include "voxel/world.h"

namespace cubalorn {
namespace {

// Leaves something behind in every kind of state a program has.
const char* const kProgram =
    "make \"size 4\n"
    "make \"pts {3}\n"
    "to \"box :s cube :s :s :s end\n"
    "setrgb 1 10 20 30 pensize 2 pencolor 1 pendensity 90\n"
    "dsinit 8 1 dsset 0 0 5\n"
    "left 30 up 10 forward 12 go \"box :size\n";

struct ProgramRun {
    StringOutput out;
    RecordingHost host;
    VoxelVolume volume{Region{{0, 0, 0}, {40, 30, 40}}, 32};
    World world{volume};
    Interpreter interpreter{world, host, out};

    void program(const std::string& text) {
        runWithLargeStack([&] {
            interpreter.assignProgram(text, TextOrigin{"prog.logo"});
            interpreter.prescanProgram();
            interpreter.lineFinished = false;
            interpreter.runLine();
        });
    }
    std::string line(const std::string& text) {
        const size_t start = out.text().size();
        runWithLargeStack([&] {
            interpreter.assignProgram(text);
            interpreter.lineFinished = false;
            interpreter.runLine();
        });
        return out.text().substr(start);
    }
};

size_t solidVoxels(const VoxelVolume& v) {
    const Region& r = v.region();
    size_t count = 0;
    for (int z = r.lower.z; z <= r.upper.z; ++z)
        for (int y = r.lower.y; y <= r.upper.y; ++y)
            for (int x = r.lower.x; x <= r.upper.x; ++x) count += v.voxel(x, y, z).raw != 0;
    return count;
}

bool sameVoxels(const VoxelVolume& a, const VoxelVolume& b) {
    const Region& r = a.region();
    for (int z = r.lower.z; z <= r.upper.z; ++z)
        for (int y = r.lower.y; y <= r.upper.y; ++y)
            for (int x = r.lower.x; x <= r.upper.x; ++x)
                if (a.voxel(x, y, z).raw != b.voxel(x, y, z).raw) return false;
    return true;
}

// After a save, the program finds the world and the interpreter as a fresh
// start gives them: running it then draws the same voxels, and nothing the
// first run made is left to read.
TEST(ProgramWatch, RunningAgainStartsFromScratch) {
    ProgramRun fresh;
    fresh.program(kProgram);
    ASSERT_GT(solidVoxels(fresh.volume), 0u);

    ProgramRun again;
    again.program(kProgram);
    again.program("pencolor 5 sphere 6 goto 1 1 1");  // more state on top
    again.interpreter.file = std::tmpfile();          // as OPENFILE leaves it
    startWorldAfresh(again.world);
    again.interpreter.forgetProgram();
    EXPECT_EQ(solidVoxels(again.volume), 0u);
    EXPECT_FALSE(again.world.heightGrid.initialised());
    EXPECT_EQ(again.world.turtle.penSize, 1);
    EXPECT_EQ(again.world.turtle.penColour, 1);
    EXPECT_EQ(again.world.palette.entry(1).red, kInitialPalette[1].red);
    EXPECT_EQ(again.interpreter.file, nullptr);

    // Nothing of the first run can be read any more.
    EXPECT_EQ(again.line("print :size"),
              "ERROR - vec_getvarstring: no variable found to get value, token size\n0\n");
    EXPECT_EQ(again.line("go \"box 2"), "ERROR - syntax error - GO: no procedure found, token 2\n");
    EXPECT_EQ(again.line("print item 0 \"pts"),
              "ERROR - vec_getitem: no variable found to get value, token pts\n0\n");
    EXPECT_EQ(again.line("\"h = dsget 0 0"),
              "ERROR - DSGET: no height grid yet, run DSINIT first, token 0\n"
              "ERROR - vec_setvar: no variable found to set value, token 0\n");

    again.program(kProgram);
    EXPECT_TRUE(sameVoxels(again.volume, fresh.volume));
    EXPECT_EQ(again.world.palette.entry(1).red, 10);
}

}  // namespace
}  // namespace cubalorn

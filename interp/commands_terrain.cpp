// Diamond-square terrain: DSINIT, DSSET, DIAMONDSQUARE and the DSGET
// reporter over the world's height grid. Programs draw the heights
// themselves; nothing here writes voxels.

#include <string>

#include "interp/commands.h"
#include "interp/interpreter.h"
#include "voxel/world.h"

namespace cubalorn {

namespace {

HeightGrid& gridOf(Interpreter& in) {
    return in.world().heightGrid;
}

// Why a point cannot be read or written: no grid yet, or outside it.
void reportMissingPoint(Interpreter& in, const char* command) {
    if (!gridOf(in).initialised()) {
        in.reportError(std::string(command) + ": no height grid yet, run DSINIT first");
    } else {
        in.reportError(std::string(command) + ": the point is outside the height grid 0 to " +
                       std::to_string(gridOf(in).gridSize()));
    }
}

}  // namespace

void handleDsinit(Interpreter& in) {
    in.expectToken(kDsinit);
    const int n = in.integerArgument();
    const float roughness = in.numberorvalue();
    if (n >= 0 && n <= HeightGrid::kMaxGridSize) in.countSteps(uint64_t(n + 1) * uint64_t(n + 1));
    if (gridOf(in).init(n, roughness) != HeightGrid::InitResult::Done)
        in.reportError("DSINIT: the grid size should be 0 to " +
                       std::to_string(HeightGrid::kMaxGridSize));
}

void handleDsset(Interpreter& in) {
    in.expectToken(kDsset);
    const int x = in.integerArgument();
    const int y = in.integerArgument();
    const float value = in.numberorvalue();
    if (!gridOf(in).set(x, y, value)) reportMissingPoint(in, "DSSET");
}

void handleDiamondsquare(Interpreter& in) {
    in.expectToken(kDiamondsquare);
    const uint64_t side = static_cast<uint64_t>(gridOf(in).side());
    if (gridOf(in).initialised()) in.countSteps(side * side);
    if (!gridOf(in).diamondSquare(in.world().random))
        in.reportError("DIAMONDSQUARE: no height grid yet, run DSINIT first");
}

float evaluateDsget(Interpreter& in) {
    const int x = in.integerArgument();
    const int y = in.integerArgument();
    float value = 0.0f;
    if (!gridOf(in).get(x, y, value)) reportMissingPoint(in, "DSGET");
    return value;
}

}  // namespace cubalorn

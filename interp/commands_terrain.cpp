// Diamond-square terrain: DSINIT, DSSET, DIAMONDSQUARE and the DSGET
// reporter, over the World's height grid, which is not built yet: until then
// each command says so in the interpreter's error form.

#include "interp/commands.h"
#include "interp/interpreter.h"
#include "voxel/world.h"

namespace cubalorn {

namespace {

void notAvailable(Interpreter& in, TokenCode keyword, const char* name) {
    in.expectToken(keyword);
    in.reportError(std::string(name) + ": not available yet");
}

}  // namespace

void handleDsinit(Interpreter& in) { notAvailable(in, kDsinit, "DSINIT"); }
void handleDsset(Interpreter& in) { notAvailable(in, kDsset, "DSSET"); }
void handleDiamondsquare(Interpreter& in) { notAvailable(in, kDiamondsquare, "DIAMONDSQUARE"); }

float evaluateDsget(Interpreter& in) {
    in.reportError("DSGET: not available yet");
    return 0.0f;
}

}  // namespace cubalorn

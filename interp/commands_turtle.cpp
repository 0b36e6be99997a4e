// Turtle, pen, shapes and palette commands. They act on the World's turtle,
// volume and palette, which are not built yet: until then each handler says
// so in the interpreter's error form instead of pretending to draw.

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

void handleForward(Interpreter& in) { notAvailable(in, kForward, "FORWARD"); }
void handleBack(Interpreter& in) { notAvailable(in, kBack, "BACK"); }
void handleLeft(Interpreter& in) { notAvailable(in, kLeft, "LEFT"); }
void handleRight(Interpreter& in) { notAvailable(in, kRight, "RIGHT"); }
void handleUp(Interpreter& in) { notAvailable(in, kUp, "UP"); }
void handleDown(Interpreter& in) { notAvailable(in, kDown, "DOWN"); }
void handlePenup(Interpreter& in) { notAvailable(in, kPenup, "PENUP"); }
void handlePendown(Interpreter& in) { notAvailable(in, kPendown, "PENDOWN"); }
void handleHome(Interpreter& in) { notAvailable(in, kHome, "HOME"); }
void handleGoto(Interpreter& in) { notAvailable(in, kGoto, "GOTO"); }
void handlePensize(Interpreter& in) { notAvailable(in, kPensize, "PENSIZE"); }
void handlePendensity(Interpreter& in) { notAvailable(in, kPendensity, "PENDENSITY"); }
void handlePencolor(Interpreter& in) { notAvailable(in, kPencolor, "PENCOLOR"); }
void handleSetrgb(Interpreter& in) { notAvailable(in, kSetrgb, "SETRGB"); }
void handleSphere(Interpreter& in) { notAvailable(in, kSphere, "SPHERE"); }
void handleCube(Interpreter& in) { notAvailable(in, kCube, "CUBE"); }
void handleSetvoxel(Interpreter& in) { notAvailable(in, kSetvoxel, "SETVOXEL"); }
void handleSetvoxelcubic(Interpreter& in) { notAvailable(in, kSetvoxelcubic, "SETVOXELCUBIC"); }
void handleClear(Interpreter& in) { notAvailable(in, kClear, "CLEAR"); }

float evaluateGetvoxel(Interpreter& in) {
    in.reportError("GETVOXEL: not available yet");
    return 0.0f;
}

}  // namespace cubalorn

// Turtle, pen, shapes and palette commands: each reads its arguments in the
// order written and acts on the world's turtle, volume and palette.

#include "interp/commands.h"
#include "interp/interpreter.h"
#include "voxel/shapes.h"
#include "voxel/world.h"

namespace cubalorn {

namespace {

Turtle& turtleOf(Interpreter& in) {
    return in.world().turtle;
}

}  // namespace

void handleForward(Interpreter& in) {
    in.expectToken(kForward);
    turtleOf(in).moveForward(in.numberorvalue());
}

void handleBack(Interpreter& in) {
    in.expectToken(kBack);
    turtleOf(in).moveForward(-in.numberorvalue());
}

void handleLeft(Interpreter& in) {
    in.expectToken(kLeft);
    turtleOf(in).left(in.numberorvalue());
}

void handleRight(Interpreter& in) {
    in.expectToken(kRight);
    turtleOf(in).right(in.numberorvalue());
}

void handleUp(Interpreter& in) {
    in.expectToken(kUp);
    turtleOf(in).up(in.numberorvalue());
}

void handleDown(Interpreter& in) {
    in.expectToken(kDown);
    turtleOf(in).down(in.numberorvalue());
}

void handlePenup(Interpreter& in) {
    in.expectToken(kPenup);
    turtleOf(in).penUp = true;
}

void handlePendown(Interpreter& in) {
    in.expectToken(kPendown);
    turtleOf(in).penUp = false;
}

void handleHome(Interpreter& in) {
    in.expectToken(kHome);
    turtleOf(in).home();
}

void handleGoto(Interpreter& in) {
    in.expectToken(kGoto);
    const int x = in.integerArgument();
    const int y = in.integerArgument();
    const int z = in.integerArgument();
    turtleOf(in).goTo(x, y, z);
}

void handlePensize(Interpreter& in) {
    in.expectToken(kPensize);
    turtleOf(in).penSize = in.integerArgument();
}

void handlePendensity(Interpreter& in) {
    in.expectToken(kPendensity);
    turtleOf(in).penDensity = in.integerArgument();
}

void handlePencolor(Interpreter& in) {
    in.expectToken(kPencolor);
    turtleOf(in).penColour = in.integerArgument();
}

void handleSetrgb(Interpreter& in) {
    in.expectToken(kSetrgb);
    const int index = in.integerArgument();
    const int red = in.integerArgument();
    const int green = in.integerArgument();
    const int blue = in.integerArgument();
    // The table has 256 entries; anything else would write past it.
    if (!in.world().palette.setPaletteEntry(index, red, green, blue))
        in.reportError("SETRGB: the colour index should be 0 to 255");
}

void handleSphere(Interpreter& in) {
    in.expectToken(kSphere);
    drawSphere(turtleOf(in), in.integerArgument());
}

void handleCube(Interpreter& in) {
    in.expectToken(kCube);
    // Written depth (z), height (y), width (x).
    const int depth = in.integerArgument();
    const int height = in.integerArgument();
    const int width = in.integerArgument();
    drawCuboid(turtleOf(in), width, height, depth);
}

void handleSetvoxel(Interpreter& in) {
    in.expectToken(kSetvoxel);
    turtleOf(in).stampPen();
}

void handleSetvoxelcubic(Interpreter& in) {
    in.expectToken(kSetvoxelcubic);
    in.host().setCubicMode(in.integerArgument() == 1);
}

void handleClear(Interpreter& in) {
    in.expectToken(kClear);
    clearVolume(in.world().volume);
}

float evaluateGetvoxel(Interpreter& in) {
    return static_cast<float>(voxelUnderTurtle(in.world().turtle));
}

}  // namespace cubalorn

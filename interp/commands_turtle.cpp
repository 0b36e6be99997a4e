// Turtle, pen, shapes and palette commands: each reads its arguments in the
// order written and acts on the world's turtle, volume and palette.

#include <cmath>

#include "interp/commands.h"
#include "interp/interpreter.h"
#include "interp/number_text.h"
#include "voxel/shapes.h"
#include "voxel/world.h"

namespace cubalorn {

namespace {

Turtle& turtleOf(Interpreter& in) {
    return in.world().turtle;
}

// A number argument of a drawing command. An infinity or a NaN draws
// nothing a learner expects, and neither does a variable that holds the text
// inf or nan (a division by zero stored it), which counts as the sum of its
// letters' codes, 317: either is pointed out on the diagnostics channel, and
// the command goes on with the value as it always has.
float drawingNumber(Interpreter& in, TokenCode command) {
    const float value = in.numberorvalue();
    if (!std::isfinite(value) || value == kInfOrNanTextValue) in.noteNotFinite(command, value);
    return value;
}

// The same truncated toward zero, as integerArgument does.
int drawingInteger(Interpreter& in, TokenCode command) {
    return truncateToInt(drawingNumber(in, command));
}

}  // namespace

void handleForward(Interpreter& in) {
    in.expectToken(kForward);
    turtleOf(in).moveForward(drawingNumber(in, kForward));
}

void handleBack(Interpreter& in) {
    in.expectToken(kBack);
    turtleOf(in).moveForward(-drawingNumber(in, kBack));
}

void handleLeft(Interpreter& in) {
    in.expectToken(kLeft);
    turtleOf(in).left(drawingNumber(in, kLeft));
}

void handleRight(Interpreter& in) {
    in.expectToken(kRight);
    turtleOf(in).right(drawingNumber(in, kRight));
}

void handleUp(Interpreter& in) {
    in.expectToken(kUp);
    turtleOf(in).up(drawingNumber(in, kUp));
}

void handleDown(Interpreter& in) {
    in.expectToken(kDown);
    turtleOf(in).down(drawingNumber(in, kDown));
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
    const int x = drawingInteger(in, kGoto);
    const int y = drawingInteger(in, kGoto);
    const int z = drawingInteger(in, kGoto);
    turtleOf(in).goTo(x, y, z);
}

void handlePensize(Interpreter& in) {
    in.expectToken(kPensize);
    turtleOf(in).penSize = drawingInteger(in, kPensize);
}

void handlePendensity(Interpreter& in) {
    in.expectToken(kPendensity);
    turtleOf(in).penDensity = drawingInteger(in, kPendensity);
}

void handlePencolor(Interpreter& in) {
    in.expectToken(kPencolor);
    turtleOf(in).penColour = drawingInteger(in, kPencolor);
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
    drawSphere(turtleOf(in), drawingInteger(in, kSphere));
}

void handleCube(Interpreter& in) {
    in.expectToken(kCube);
    // Written depth (z), height (y), width (x).
    const int depth = drawingInteger(in, kCube);
    const int height = drawingInteger(in, kCube);
    const int width = drawingInteger(in, kCube);
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

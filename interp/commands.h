#pragma once
// Statement handlers, one per keyword, and the table that dispatches on the
// token code. Each handler starts at its keyword (which it consumes) and
// reads its own arguments. The reporters that expressions and assignments
// call live with the command group they belong to.

#include <string>

#include "interp/token_code.h"

namespace cubalorn {

class Interpreter;

using StatementHandler = void (*)(Interpreter&);

// The handler of a statement keyword, or null for a token that cannot start
// a statement. REFRESHALL's handler is its form inside a body.
StatementHandler statementHandler(TokenCode code);

// Control flow and output (commands_control.cpp).
void handleRepeat(Interpreter&);
void handleIf(Interpreter&);
void handleFor(Interpreter&);
void handleJump(Interpreter&);
void handlePrint(Interpreter&);
void handleCalc(Interpreter&);
void handleRandomize(Interpreter&);
void handleComment(Interpreter&);
void handleLabel(Interpreter&);
void handleQuotedWord(Interpreter&);
void handleRefreshallInBody(Interpreter&);

// Variables and lists (commands_variables.cpp).
void handleMake(Interpreter&);
void handlePop(Interpreter&);
void handleSetitem(Interpreter&);

// Procedures (procedures.cpp).
void handleTo(Interpreter&);
void handleGo(Interpreter&);
void handleOutput(Interpreter&);

// Text files (commands_files.cpp).
void handleOpenfile(Interpreter&);
void handleClosefile(Interpreter&);
void handleWritelinefile(Interpreter&);
// READCHARFILE: the next character of the open file into `target`.
void reportReadcharfile(Interpreter&, const std::string& target);

// The window: cameras, light, fonts, screen texts (commands_host.cpp).
void handleBackground(Interpreter&);
void handleCamerapos(Interpreter&);
void handleLightpos(Interpreter&);
void handleChangecamera(Interpreter&);
void handleGetfont(Interpreter&);
void handleGettexture(Interpreter&);
void handlePrintscreen(Interpreter&);
// ISKEYDOWN k and MOUSELEFTBUTTONDOWN: "true" or "false" into `target`.
void reportIskeydown(Interpreter&, const std::string& target);
void reportMouseleftbuttondown(Interpreter&, const std::string& target);

// Turtle, pen, shapes and palette (commands_turtle.cpp).
void handleForward(Interpreter&);
void handleBack(Interpreter&);
void handleLeft(Interpreter&);
void handleRight(Interpreter&);
void handleUp(Interpreter&);
void handleDown(Interpreter&);
void handlePenup(Interpreter&);
void handlePendown(Interpreter&);
void handleHome(Interpreter&);
void handleGoto(Interpreter&);
void handlePensize(Interpreter&);
void handlePendensity(Interpreter&);
void handlePencolor(Interpreter&);
void handleSetrgb(Interpreter&);
void handleSphere(Interpreter&);
void handleCube(Interpreter&);
void handleSetvoxel(Interpreter&);
void handleSetvoxelcubic(Interpreter&);
void handleClear(Interpreter&);
// GETVOXEL in an expression; called after its keyword has been consumed.
float evaluateGetvoxel(Interpreter&);

// Terrain (commands_terrain.cpp).
void handleDsinit(Interpreter&);
void handleDsset(Interpreter&);
void handleDiamondsquare(Interpreter&);
// DSGET x y in an expression; called after its keyword has been consumed.
float evaluateDsget(Interpreter&);

// CSV layers (commands_csv.cpp).
void handleLoadcsv(Interpreter&);

}  // namespace cubalorn

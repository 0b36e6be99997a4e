#pragma once
// The console side of the main loop: banner, help, the prompt and the
// commands HELP, UNDO, REDO, FREECAM and QUIT; every other line is a
// program line.

#include <string>

#include "app/console_input.h"
#include "interp/output.h"

namespace cubalorn {

enum ConsoleState : int {
    kNoLineRun = 0,   // no program line has run yet
    kQuit = 1,        // QUIT (or the end of standard input): the loop ends
    kLinesRun = 2,    // at least one program line has run
    kFreeCamera = 3,  // FREECAM: the console is no longer read
};

void printBanner(Output& out);
void printHelp(Output& out);

// What the dialogue asks of the window.
class ConsoleActions {
public:
    virtual ~ConsoleActions() = default;
    // Run one line through the interpreter (the caller marks the mesh out of date).
    virtual void runProgramLine(const std::string& line) = 0;
    // UNDO and REDO: take back the last line that changed the drawing, or
    // put back the last one taken back (the caller redraws as after a line).
    virtual void undoLine() = 0;
    virtual void redoLine() = 0;
    // FREECAM: clear the fixed-camera flag (the active camera stays) and hide the cursor.
    virtual void enterFreeCamera() = 0;
};

class ConsoleDialogue {
public:
    ConsoleDialogue(ConsoleInput& input, Output& out, ConsoleActions& actions)
        : input_(input), out_(out), actions_(actions) {}

    // One dialogue: prompt and read until a line ends it. Before the first
    // program line, an empty line, HELP or a refused line prompts again at
    // once; afterwards each of them ends the dialogue so a frame is drawn.
    void hold();

    int state() const { return state_; }

private:
    ConsoleInput& input_;
    Output& out_;
    ConsoleActions& actions_;
    int state_ = kNoLineRun;
};

}  // namespace cubalorn

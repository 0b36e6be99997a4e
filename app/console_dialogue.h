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
    kFreeCamera = 3,  // FREECAM: the console is not read until the window gives it back
};

void printBanner(Output& out);
// The four command lines, then the window's keys.
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
    // FREECAM: the free camera flies with the keys and the mouse.
    virtual void enterFreeCamera() = 0;
};

class ConsoleDialogue {
public:
    ConsoleDialogue(ConsoleInput& input, Output& out, ConsoleActions& actions)
        : input_(input), out_(out), actions_(actions) {}

    // One pass of the main loop: when no line is awaited, prompts and asks
    // the console for one; otherwise handles the line that has come, if any
    // (at most one per pass). Returns whether it handled a line. Nothing
    // happens after QUIT or while the free camera flies.
    bool step();
    // What a line read at the prompt does.
    void handle(ConsoleRead read, const std::string& line);
    // A prompt is shown and its line has not been handled yet.
    bool awaitingLine() const { return awaiting_; }
    // The window gives the console back after FREECAM; the next pass prompts.
    void returnFromFreeCamera();
    // Ends the dialogue as QUIT does.
    void quit() { state_ = kQuit; }

    int state() const { return state_; }

private:
    ConsoleInput& input_;
    Output& out_;
    ConsoleActions& actions_;
    int state_ = kNoLineRun;
    int stateBeforeFreeCamera_ = kNoLineRun;
    bool awaiting_ = false;
};

}  // namespace cubalorn

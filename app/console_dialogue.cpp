#include "app/console_dialogue.h"

#include <cctype>

#include "voxel/undo_history.h"

namespace cubalorn {

namespace {

bool equalsIgnoringCase(const std::string& line, const char* command) {
    size_t i = 0;
    for (; command[i] != '\0'; ++i) {
        if (i >= line.size()) return false;
        if (std::toupper(static_cast<unsigned char>(line[i])) != command[i]) return false;
    }
    return i == line.size();
}

}  // namespace

void printBanner(Output& out) {
    out.print("------------------------------------------------\n");
    out.print("Cubalorn - powered by Irrlicht.\n");
}

void printHelp(Output& out) {
    out.print("HELP > Show this help\n");
    out.print("programline > Start a programline, example> repeat 4 [ forward 20 left 90]\n");
    out.print("FREECAM > Quit interpreter to fly with freecam\n");
    out.print("QUIT > Quit program\n");
    out.print("Window: left-drag orbit, right-drag or wheel zoom, middle-drag pan, F frame\n");
    out.print("Window: T turtle, G grid, O wireframe, M cubes or smooth, Escape end\n");
    out.print("Window: after FREECAM, W S A D Space and the mouse fly, Enter back to console\n");
    out.print("Ctrl+C stops a running line; at the prompt it ends the program\n");
    out.write(kUndoHelpLines);
}

bool ConsoleDialogue::step() {
    if (state_ == kQuit || state_ == kFreeCamera) return false;
    if (!awaiting_) {
        out_.print("> ");
        input_.request();
        awaiting_ = true;
        return false;
    }
    ConsoleRead read = ConsoleRead::EndOfInput;
    std::string line;
    if (!input_.take(read, line)) return false;
    handle(read, line);
    return true;
}

void ConsoleDialogue::handle(ConsoleRead read, const std::string& line) {
    awaiting_ = false;
    if (read == ConsoleRead::EndOfInput) {
        // Nothing more can be typed: end as QUIT does.
        state_ = kQuit;
        return;
    }
    if (read != ConsoleRead::Line) return;
    if (equalsIgnoringCase(line, "FREECAM")) {
        stateBeforeFreeCamera_ = state_;
        state_ = kFreeCamera;
        actions_.enterFreeCamera();
    } else if (equalsIgnoringCase(line, "QUIT")) {
        state_ = kQuit;
    } else if (equalsIgnoringCase(line, "HELP")) {
        printHelp(out_);
    } else if (equalsIgnoringCase(line, "UNDO")) {
        actions_.undoLine();
        state_ = kLinesRun;
    } else if (equalsIgnoringCase(line, "REDO")) {
        actions_.redoLine();
        state_ = kLinesRun;
    } else if (!line.empty()) {
        actions_.runProgramLine(line);
        state_ = kLinesRun;
    }
}

void ConsoleDialogue::returnFromFreeCamera() {
    if (state_ == kFreeCamera) state_ = stateBeforeFreeCamera_;
}

}  // namespace cubalorn

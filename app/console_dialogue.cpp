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
    out.write(kUndoHelpLines);
}

void ConsoleDialogue::hold() {
    const int stateOnEntry = state_;
    std::string line;
    for (;;) {
        out_.print("> ");
        const ConsoleRead read = input_.readLine(line);
        if (read == ConsoleRead::EndOfInput) {
            // Nothing more can be typed: end as QUIT does.
            state_ = kQuit;
            return;
        }
        if (read == ConsoleRead::Line) {
            if (equalsIgnoringCase(line, "FREECAM")) {
                actions_.enterFreeCamera();
                state_ = kFreeCamera;
                return;
            }
            if (equalsIgnoringCase(line, "QUIT")) {
                state_ = kQuit;
                return;
            }
            const bool undo = equalsIgnoringCase(line, "UNDO");
            if (undo || equalsIgnoringCase(line, "REDO")) {
                if (undo)
                    actions_.undoLine();
                else
                    actions_.redoLine();
                state_ = kLinesRun;
                return;
            }
            if (equalsIgnoringCase(line, "HELP")) {
                printHelp(out_);
            } else if (!line.empty()) {
                actions_.runProgramLine(line);
                state_ = kLinesRun;
                return;
            }
        }
        if (stateOnEntry != kNoLineRun) return;
    }
}

}  // namespace cubalorn

// Any bytes as the console's standard input: the dialogue reads bounded
// lines (HELP, UNDO, REDO, FREECAM, QUIT, program lines, too-long lines, a
// last line without its newline, the end of input) and READLIST reads from
// the same stream, as in the window program, whose undo history records
// every program line.

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/console_dialogue.h"
#include "app/console_input.h"
#include "fuzz_support.h"
#include "voxel/undo_history.h"

using namespace cubalorn;

namespace {

// READLIST through the console's bounded reader.
class ConsoleHost : public RecordingHost {
public:
    explicit ConsoleHost(ConsoleInput& input) : input_(input) {}
    bool readConsoleLine(std::string& line) override {
        return input_.readLine(line) != ConsoleRead::EndOfInput;
    }

private:
    ConsoleInput& input_;
};

class RunLines : public ConsoleActions {
public:
    RunLines(Interpreter& in, UndoHistory& history) : in_(in), history_(history) {}
    void runProgramLine(const std::string& line) override {
        if (line.size() > ConsoleInput::kMaxLineLength)
            fuzz::fail("the dialogue passed on a line longer than the console takes", line);
        history_.beginLine();
        in_.assignProgram(line);
        in_.lineFinished = false;
        in_.runLine();
        history_.endLine();
    }
    void undoLine() override { history_.undo(); }
    void redoLine() override { history_.redo(); }
    void enterFreeCamera() override {}

private:
    Interpreter& in_;
    UndoHistory& history_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzz::startWithLargeStack(*argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // READLIST hands any line to the program, so no '/' at all.
    if (std::string_view(reinterpret_cast<const char*>(data), size).find('/') !=
        std::string_view::npos)
        return 0;
    fuzz::InScratchDirectory scratch;
    // fmemopen refuses an empty buffer; an empty input is a closed one.
    std::FILE* input = size == 0 ? std::fopen("/dev/null", "rb")
                                 : fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!input) fuzz::fail("cannot open the input as a stream");
    fuzz::onLargeStack([&] {
        StringOutput out;
        ConsoleInput console(input, out);
        ConsoleHost host(console);
        VoxelVolume volume(Region{{0, 0, 0}, {20, 12, 20}}, 32);
        World world(volume);
        Interpreter interpreter(world, host, out);
        interpreter.setExecutionBudget(ExecutionBudget{fuzz::kFuzzSteps, 0.0});
        UndoHistory history(world);
        RunLines lines(interpreter, history);
        ConsoleDialogue dialogue(console, out, lines);
        // Lines as the prompt takes them (read here rather than by the
        // window's reader thread, which only hands them over). Each pass
        // reads a line or ends the loop, so the input bounds the passes; the
        // cap guards against a dialogue that stops ending.
        for (size_t pass = 0; pass <= size + 1; ++pass) {
            std::string line;
            const ConsoleRead read = console.readLine(line);
            dialogue.handle(read, line);
            if (dialogue.state() == kQuit || dialogue.state() == kFreeCamera) return;
        }
        fuzz::fail("the dialogue never ended although the input did");
    });
    std::fclose(input);
    return 0;
}

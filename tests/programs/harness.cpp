#include "harness.h"

#include "interp/large_stack.h"

namespace cubalorn::testing {

ProgramRun::ProgramRun(Vec3i volumeMax)
    : volume(Region{{0, 0, 0}, volumeMax}, 32), world(volume), interpreter(world, host, out) {}

std::string ProgramRun::console(const std::vector<std::string>& lines) {
    const size_t start = out.text().size();
    // Deep nesting needs the stack the real programs run with.
    runWithLargeStack([&] {
        for (const std::string& line : lines) {
            interpreter.assignProgram(line);
            interpreter.lineFinished = false;
            interpreter.runLine();
        }
    });
    return out.text().substr(start);
}

std::string ProgramRun::programFile(const std::string& text, int maxResumes) {
    const size_t start = out.text().size();
    resumes = 0;
    runWithLargeStack([&] {
        interpreter.assignProgram(text, TextOrigin{fileName});
        interpreter.prescanProgram();
        interpreter.lineFinished = false;
        interpreter.runLine();
        while (interpreter.resumePending && resumes < maxResumes) {
            ++resumes;
            interpreter.lineFinished = false;
            interpreter.runLine();
        }
    });
    return out.text().substr(start);
}

std::string ProgramRun::variable(const std::string& name) {
    const VariableEntry* entry = interpreter.variables().findNewest(name);
    return entry ? entry->value() : "<none>";
}

std::string runConsole(const std::vector<std::string>& lines) {
    ProgramRun run;
    return run.console(lines);
}

std::string runProgramFile(const std::string& text) {
    ProgramRun run;
    return run.programFile(text);
}

}  // namespace cubalorn::testing
